#include "static_svg_widget.h"

#include "orrery_gui/painting/geometry.h"
#include "orrery_gui/painting/painter_guard.h"

#include <QPainter>
#include <QStyle>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

namespace Orrery {

StaticSvgWidget::StaticSvgWidget(QWidget* parent)
    : QWidget(parent)
    , m_renderer(new QSvgRenderer(this))
{
    m_renderer->setFramesPerSecond(0);
    m_renderer->setAspectRatioMode(m_aspectRatioMode);
    dropCache();
    update();
}

StaticSvgWidget::~StaticSvgWidget() = default;

void StaticSvgWidget::load(const QString& path)
{
    m_renderer->load(path);
    m_renderer->setAspectRatioMode(m_aspectRatioMode);
    if (!m_viewBox.isNull())
        m_renderer->setViewBox(m_viewBox);
    dropCache();
    update();
    updateGeometry();
}

void StaticSvgWidget::setViewBox(const QRectF& viewBox)
{
    // Both comparisons are fuzzy.
    if (viewBox.topLeft() == m_viewBox.topLeft() && viewBox.size() == m_viewBox.size())
        return;
    m_viewBox = viewBox;
    m_renderer->setViewBox(viewBox);
    dropCache();
    update();
    updateGeometry();
}

QSize StaticSvgWidget::sizeHint() const
{
    return ceilSize(viewBoxSize());
}

QSizeF StaticSvgWidget::viewBoxSize() const
{
    return m_viewBox.isNull() ? m_renderer->viewBoxF().size() : m_viewBox.size();
}

QSizeF StaticSvgWidget::renderSize(qreal devicePixelRatio) const
{
    // Scaling an empty view box would divide by zero.
    const QSizeF viewBox = viewBoxSize();
    if (viewBox.isEmpty())
        return {};
    return viewBox.scaled(QSizeF(size()), m_aspectRatioMode) * devicePixelRatio;
}

void StaticSvgWidget::dropCache()
{
    m_cache = QPixmap();
}

void StaticSvgWidget::paintEvent(QPaintEvent*)
{
    const qreal ratio = devicePixelRatioF();
    if (m_cache.isNull() || !fuzzyEqual(m_cache.devicePixelRatio(), ratio)) {
        const QSizeF target = renderSize(ratio);
        if (target.isEmpty()) {
            m_cache = QPixmap();
        } else {
            QPixmap pixmap(ceilSize(target));
            pixmap.fill(Qt::transparent);
            QPainter pixmapPainter(&pixmap);
            m_renderer->render(&pixmapPainter,
                               alignedRect(m_alignment, target, QRectF(pixmap.rect())));
            pixmapPainter.end();
            pixmap.setDevicePixelRatio(ratio);
            m_cache = pixmap;
        }
    }
    if (m_cache.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    style()->drawItemPixmap(&painter, rect(), int(m_alignment), m_cache);
}

void StaticSvgWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_cache.isNull())
        return;
    if (ceilSize(renderSize(m_cache.devicePixelRatio())) == m_cache.size())
        return;
    dropCache();
    update();
}

} // namespace Orrery
