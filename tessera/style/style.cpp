#include "style.h"

namespace Tessera {

Style::Style(const Palette& palette)
    : m_palette(palette)
{}

Style::~Style() = default;

QPalette Style::standardPalette() const
{
    return m_palette;
}

} // namespace Tessera
