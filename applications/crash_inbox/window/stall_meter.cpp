#include "stall_meter.h"

#include <QTimer>

namespace {

constexpr int TickMs = 50;

} // namespace

StallMeter::StallMeter(QObject* parent)
    : QObject(parent)
{
    auto* timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, &StallMeter::tick);
    timer->start(TickMs);
    m_clock.start();
}

void StallMeter::tick()
{
    const qint64 now = m_clock.elapsed();
    m_longest = std::max(m_longest, now - m_last);
    m_last = now;
}
