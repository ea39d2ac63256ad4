#pragma once

#include "tessera/theme/theme_mode.h"
#include "user_palette.h"

#include <QPalette>

#include <variant>

namespace Tessera {

// A QPalette role or a toolkit role.
using PaletteRole = std::variant<QPalette::ColorRole, UserPalette::ColourRole>;

// QPalette extended by the toolkit's own colour roles.
class Palette : public QPalette
{
    Q_GADGET

public:
    // A default QPalette with the user part of the application's toolkit style.
    Palette() = default;
    Palette(const QPalette& palette, const UserPalette& userPalette);

    const UserPalette& userPalette() const { return m_user; }
    UserPalette& userPalette() { return m_user; }

    const QBrush& brush(ColorGroup group, const PaletteRole& role) const;
    // The colour in the current colour group of the part the role belongs to.
    QColor colour(const PaletteRole& role) const;
    // For all groups.
    void setColour(const PaletteRole& role, const QColor& colour);
    void setColour(ColorGroup group, const PaletteRole& role, const QColor& colour);

    bool operator==(const Palette& other) const;
    bool operator!=(const Palette& other) const { return !(*this == other); }

    // The palette of the application's toolkit style, or a default one.
    static const Palette& current();
    static QColor currentColour(const PaletteRole& role);
    // The dark palette, or the light one when the mode resolves to Light.
    static Palette forTheme(ThemeMode mode);

private:
    UserPalette m_user;
};

} // namespace Tessera

Q_DECLARE_METATYPE(Tessera::Palette)
