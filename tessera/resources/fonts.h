#pragma once

#include <QFont>

namespace Tessera {

enum class FontWeight { ExtraLight = 0, Light = 1, Regular = 2, SemiBold = 3 };
enum class FontSize { Px9 = 0, Px11 = 1, Px12 = 2, Px13 = 3, Px16 = 4 };

// "Titillium Web" at a design pixel size (at 96 DPI) and weight. The bundled font files are
// loaded on the first call, through the "tessera" search path.
QFont font(FontWeight weight, FontSize size);

// The fonts that the application and the style use, numbered as the design numbers them.
enum class FontRole {
    Application = 0,     // Light 11 px
    Control = 1,         // Regular 11 px: tab bars, group-box labels, menu section titles
    LargeLight = 2,      // Light 13 px
    LargeStrongCaps = 3, // SemiBold 13 px, upper case
    Large = 4,           // Regular 13 px
    LargeCaps = 5,       // Regular 13 px, upper case: window title bars
    Fine = 6,            // ExtraLight 9 px
    ToolTip = 7,         // SemiBold 13 px
};
inline constexpr int FontRoleCount = 8;

// Built once, on first use, and kept until exit; a value outside the roles gives Application.
const QFont& roleFont(FontRole role);

} // namespace Tessera
