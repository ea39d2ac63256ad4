#include "style_metrics.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QScreen>
#include <QStyleOption>
#include <QWidget>

#include <cmath>

namespace Tessera::Metrics {
namespace {

constexpr double DesignDpi = 96.0;

double logicalDpi(const QStyleOption* option, const QWidget* widget)
{
    if (widget)
        return widget->logicalDpiY();
    if (option) {
        if (const auto* device = dynamic_cast<const QPaintDevice*>(option->styleObject))
            return device->logicalDpiY();
        return option->fontMetrics.fontDpi();
    }
    if (!QCoreApplication::testAttribute(Qt::AA_Use96Dpi) && QGuiApplication::primaryScreen())
        return QGuiApplication::primaryScreen()->logicalDotsPerInchY();
    return DesignDpi;
}

} // namespace

double scaledValue(double value, const QStyleOption* option, const QWidget* widget)
{
    return value * logicalDpi(option, widget) / DesignDpi;
}

int scaled(double value, const QStyleOption* option, const QWidget* widget)
{
    return int(std::lround(scaledValue(value, option, widget)));
}

} // namespace Tessera::Metrics
