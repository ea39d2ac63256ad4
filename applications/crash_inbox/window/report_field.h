#pragma once

#include <QLineEdit>

// One value of a report: read-only text on one line that a screen reader reads and the
// keyboard can select. What does not fit is elided while the field is not being read, and
// shows whole in a tool tip; a long value never widens the window.
class ReportField : public QLineEdit
{
    Q_OBJECT

public:
    explicit ReportField(QWidget* parent = nullptr);

    void setValue(const QString& value);

protected:
    void paintEvent(QPaintEvent* event) override;
};
