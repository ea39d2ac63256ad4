#include "icon_label.h"

#include <QPainter>
#include <QStyle>

namespace Orrery {

IconLabel::IconLabel(QWidget* parent)
    : IconLabel(QIcon(), parent)
{}

IconLabel::IconLabel(const QIcon& icon, QWidget* parent)
    : QFrame(parent)
    , m_icon(icon)
{
    setSizePolicy(QSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed, QSizePolicy::Label));
    setFrameShape(QFrame::NoFrame);
}

void IconLabel::setIcon(const QIcon& icon)
{
    const bool wasNull = m_icon.isNull();
    m_icon = icon;
    if (wasNull != icon.isNull())
        updateGeometry();
    if (!(wasNull && icon.isNull()))
        update();
}

void IconLabel::setIconSize(const QSize& size)
{
    if (size == m_iconSize)
        return;
    m_iconSize = size;
    updateGeometry();
    update();
}

QSize IconLabel::sizeHint() const
{
    if (m_icon.isNull())
        return QSize();
    return effectiveIconSize();
}

QSize IconLabel::minimumSizeHint() const
{
    return sizeHint();
}

QSize IconLabel::effectiveIconSize() const
{
    return m_iconSize.isValid() ? m_iconSize : defaultIconSize();
}

QSize IconLabel::defaultIconSize() const
{
    const int side = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    return QSize(side, side);
}

QIcon::Mode IconLabel::iconMode() const
{
    return isEnabled() ? QIcon::Normal : QIcon::Disabled;
}

QPixmap IconLabel::iconPixmap(const QIcon& icon, const QSize& size, QIcon::Mode mode,
                              QIcon::State state) const
{
    return icon.pixmap(size, devicePixelRatioF(), mode, state);
}

void IconLabel::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (m_icon.isNull())
        return;
    QPainter painter(this);
    drawIcon(&painter, contentsRect());
}

void IconLabel::drawIcon(QPainter* painter, const QRect& rect)
{
    const QPixmap pixmap = iconPixmap(m_icon, effectiveIconSize(), iconMode(), m_iconState);
    style()->drawItemPixmap(painter, rect, Qt::AlignCenter, pixmap);
}

} // namespace Orrery
