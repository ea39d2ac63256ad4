#pragma once

#include "palette/palette.h"

#include <QCommonStyle>

namespace Tessera {

// The toolkit's widget style. It owns the palette of its theme; the rest of the toolkit asks
// the application's style for it.
class Style : public QCommonStyle
{
    Q_OBJECT

public:
    explicit Style(const Palette& palette);
    ~Style() override;

    const Palette& toolkitPalette() const { return m_palette; }

    QPalette standardPalette() const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

private:
    Palette m_palette;
};

} // namespace Tessera
