#pragma once

#include <QElapsedTimer>
#include <QObject>

class QTimer;

// Ticks every 50 ms on the event loop and keeps the longest gap between two ticks: how long
// the window was ever unable to answer.
class StallMeter : public QObject
{
    Q_OBJECT

public:
    explicit StallMeter(QObject* parent = nullptr);

    qint64 longestGapMs() const { return m_longest; }

private:
    void tick();

    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};
