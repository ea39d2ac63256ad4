#include "style.h"

#include "resources/icons.h"
#include "style_metrics.h"
#include "window/window.h"

#include <QPainter>
#include <QStyleOption>

namespace Tessera {

Style::Style(const Palette& palette)
    : m_palette(palette)
{}

Style::~Style() = default;

QPalette Style::standardPalette() const
{
    return m_palette;
}

int Style::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_DefaultFrameWidth:
        return Metrics::FrameWidth;
    case PM_TitleBarButtonSize:
        return Metrics::scaled(Metrics::TitleBarButtonSize, option, widget);
    case PM_TitleBarHeight:
        return pixelMetric(PM_TitleBarButtonSize, option, widget) +
               Metrics::scaled(Metrics::TitleBarExtraHeight, option, widget);
    case PM_TitleBarButtonIconSize:
        return Metrics::scaled(Metrics::TitleBarButtonIconSize, option, widget);
    default:
        return QCommonStyle::pixelMetric(metric, option, widget);
    }
}

QIcon Style::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                          const QWidget* widget) const
{
    switch (standardIcon) {
    case SP_TitleBarMinButton:
        return styleIcon(StyleIcon::WinWindowMinimise);
    case SP_TitleBarMaxButton:
        return styleIcon(StyleIcon::WinWindowMaximise);
    case SP_TitleBarCloseButton:
        return styleIcon(StyleIcon::WinWindowClose);
    case SP_TitleBarNormalButton:
        return styleIcon(StyleIcon::WinWindowRestore);
    default:
        return QCommonStyle::standardIcon(standardIcon, option, widget);
    }
}

void Style::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                          const QWidget* widget) const
{
    // A toolkit window's rectangle is filled with Base, square and without an outline.
    if (element == PE_Widget && widget && Window::findFor(widget)) {
        painter->fillRect(option->rect, option->palette.brush(QPalette::Base));
        return;
    }
    QCommonStyle::drawPrimitive(element, option, painter, widget);
}

} // namespace Tessera
