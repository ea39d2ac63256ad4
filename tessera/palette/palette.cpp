#include "palette.h"

#include "tessera/style/style.h"
#include "tessera/theme/theme_resolution.h"
#include "theme_palettes.h"

namespace Tessera {

Palette::Palette(const QPalette& palette, const UserPalette& userPalette)
    : QPalette(palette)
    , m_user(userPalette)
{}

const QBrush& Palette::brush(ColorGroup group, const PaletteRole& role) const
{
    if (role.index() == 0)
        return QPalette::brush(group, std::get<QPalette::ColorRole>(role));
    return m_user.brush(group, std::get<UserPalette::ColourRole>(role));
}

QColor Palette::colour(const PaletteRole& role) const
{
    if (role.index() == 0)
        return QPalette::color(Current, std::get<QPalette::ColorRole>(role));
    return m_user.colour(std::get<UserPalette::ColourRole>(role));
}

void Palette::setColour(const PaletteRole& role, const QColor& colour)
{
    if (role.index() == 0)
        QPalette::setBrush(All, std::get<QPalette::ColorRole>(role), QBrush(colour));
    else
        m_user.setBrush(std::get<UserPalette::ColourRole>(role), QBrush(colour));
}

void Palette::setColour(ColorGroup group, const PaletteRole& role, const QColor& colour)
{
    if (role.index() == 0)
        QPalette::setBrush(group, std::get<QPalette::ColorRole>(role), QBrush(colour));
    else
        m_user.setBrush(group, std::get<UserPalette::ColourRole>(role), QBrush(colour));
}

bool Palette::operator==(const Palette& other) const
{
    return QPalette::operator==(other) && m_user == other.m_user;
}

const Palette& Palette::current()
{
    if (const Style* style = Style::applicationStyle())
        return style->toolkitPalette();
    static const Palette defaultPalette(QPalette(), UserPalette(nullptr));
    return defaultPalette;
}

QColor Palette::currentColour(const PaletteRole& role)
{
    return current().colour(role);
}

Palette Palette::forTheme(ThemeMode mode)
{
    return resolveThemeMode(mode) == ThemeMode::Light ? lightThemePalette() : darkThemePalette();
}

} // namespace Tessera
