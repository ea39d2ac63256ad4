#pragma once

#include <QObject>
#include <QPoint>

#include <chrono>
#include <optional>

class QEvent;

// The countdown to the automatic restart, one tick a second. Any sign of the operator (a click,
// a key, a move of the mouse by ten pixels) stops it.
class AutoActionCountdown : public QObject
{
    Q_OBJECT

public:
    explicit AutoActionCountdown(QObject* parent = nullptr);

    void arm(std::chrono::seconds delay);
    void cancel();
    bool isRunning() const { return m_timerId != 0; }
    // The seconds left while it runs.
    std::optional<qint64> remaining() const;

    // Sees every event the application delivers.
    void noteEvent(const QEvent* event);

Q_SIGNALS:
    // Armed, a second gone, or cancelled.
    void changed();
    void expired();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void noteMouseAt(QPoint position);

    int m_timerId = 0;
    qint64 m_remaining = 0;
    std::optional<QPoint> m_rememberedMousePoint;
};
