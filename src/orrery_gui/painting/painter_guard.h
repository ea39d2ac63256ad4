#pragma once

#include <QBrush>
#include <QPainter>
#include <QPen>

namespace Orrery {

// Sets pen and brush and switches antialiasing on for one drawing call; puts everything back
// as it was when it goes out of scope.
class PainterGuard
{
public:
    PainterGuard(QPainter* painter, const QPen& pen, const QBrush& brush = Qt::NoBrush)
        : m_painter(painter)
        , m_pen(painter->pen())
        , m_brush(painter->brush())
        , m_wasAntialiased(painter->testRenderHint(QPainter::Antialiasing))
    {
        painter->setPen(pen);
        painter->setBrush(brush);
        if (!m_wasAntialiased)
            painter->setRenderHint(QPainter::Antialiasing, true);
    }

    ~PainterGuard()
    {
        if (!m_wasAntialiased)
            m_painter->setRenderHint(QPainter::Antialiasing, false);
        m_painter->setBrush(m_brush);
        m_painter->setPen(m_pen);
    }

    PainterGuard(const PainterGuard&) = delete;
    PainterGuard& operator=(const PainterGuard&) = delete;

private:
    QPainter* m_painter;
    QPen m_pen;
    QBrush m_brush;
    bool m_wasAntialiased;
};

} // namespace Orrery
