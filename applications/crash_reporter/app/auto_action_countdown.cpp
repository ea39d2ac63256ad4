#include "auto_action_countdown.h"

#include "orrery_core/diagnostics/log.h"

#include <QMouseEvent>
#include <QTimerEvent>

namespace {

constexpr int TickMs = 1000;
// A mouse that moves less than this is a hand resting on it, not an operator.
constexpr int ActivityDistance = 10;

} // namespace

AutoActionCountdown::AutoActionCountdown(QObject* parent)
    : QObject(parent)
{}

void AutoActionCountdown::arm(std::chrono::seconds delay)
{
    if (m_timerId != 0)
        killTimer(std::exchange(m_timerId, 0));
    m_rememberedMousePoint.reset();
    m_remaining = delay.count();
    m_timerId = startTimer(TickMs);
    Q_EMIT changed();
}

void AutoActionCountdown::cancel()
{
    if (m_timerId == 0)
        return;
    Orrery::log(Orrery::ProgressLevel, "Canceled auto-action timer\n");
    killTimer(std::exchange(m_timerId, 0));
    Q_EMIT changed();
}

std::optional<qint64> AutoActionCountdown::remaining() const
{
    return m_timerId != 0 ? std::optional(m_remaining) : std::nullopt;
}

void AutoActionCountdown::noteEvent(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
        cancel();
        break;
    case QEvent::MouseMove:
        if (m_timerId != 0)
            noteMouseAt(static_cast<const QMouseEvent*>(event)->globalPosition().toPoint());
        break;
    default:
        break;
    }
}

// A move reaches both a window and the widget under the mouse, each in its own coordinates;
// the position on the screen is the same for both.
void AutoActionCountdown::noteMouseAt(QPoint position)
{
    if (!m_rememberedMousePoint) {
        m_rememberedMousePoint = position;
        return;
    }
    if ((position - *m_rememberedMousePoint).manhattanLength() >= ActivityDistance) {
        m_rememberedMousePoint.reset();
        cancel();
    }
}

void AutoActionCountdown::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timerId)
        return;
    --m_remaining;
    Q_EMIT changed();
    if (m_remaining >= 1)
        return;
    Orrery::log(Orrery::ProgressLevel, "Auto-action timer expired\n");
    killTimer(std::exchange(m_timerId, 0));
    Q_EMIT expired();
}
