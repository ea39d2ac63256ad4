#include "colour.h"

#include "orrery_core/diagnostics/debug_print.h"

#include <algorithm>
#include <cmath>

namespace Orrery {
namespace {

constexpr int LightBackgroundLuminance = 187;

// WCAG 2 relative luminance: the sRGB components made linear, weighted for the eye.
double relativeLuminance(const QColor& colour)
{
    const auto linear = [](double component) {
        return component <= 0.04045 ? component / 12.92
                                    : std::pow((component + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

} // namespace

QColor blend(const QColor& over, const QColor& under, double alpha)
{
    ORRERY_LOGIC_CHECK(Orrery::inRange(0.0, alpha, 1.0));
    if (alpha <= 0.0)
        return under;
    if (alpha >= 1.0)
        return over;

    const double overAlpha = over.alphaF();
    const double underAlpha = under.alphaF();
    const auto mixedAlpha = static_cast<float>(overAlpha * alpha + underAlpha * (1.0 - alpha));
    if (std::abs(mixedAlpha) <= 0.00001f)
        return QColor(0, 0, 0, 0);

    const auto mix = [&](double overComponent, double underComponent) {
        return float(
            (overComponent * overAlpha * alpha + underComponent * underAlpha * (1.0 - alpha)) /
            mixedAlpha);
    };
    return QColor::fromRgbF(mix(over.redF(), under.redF()), mix(over.greenF(), under.greenF()),
                            mix(over.blueF(), under.blueF()), mixedAlpha);
}

int luminance(const QColor& colour)
{
    return (299 * colour.red() + 587 * colour.green() + 114 * colour.blue()) / 1000;
}

double contrastRatio(const QColor& first, const QColor& second)
{
    const double a = relativeLuminance(first);
    const double b = relativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor contrastingTextColour(const QColor& background)
{
    return luminance(background) < LightBackgroundLuminance ? QColor(Qt::white) : QColor(Qt::black);
}

} // namespace Orrery
