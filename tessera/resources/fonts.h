#pragma once

#include <QFont>

namespace Tessera {

enum class FontWeight { ExtraLight = 0, Light = 1, Regular = 2, SemiBold = 3 };
enum class FontSize { Px9 = 0, Px11 = 1, Px12 = 2, Px13 = 3, Px16 = 4 };

// "Titillium Web" at a design pixel size (at 96 DPI) and weight. The bundled font files are
// loaded on the first call, through the "tessera" search path.
QFont font(FontWeight weight, FontSize size);

// The font of a role 0 to 7 (0 for anything else); built once, kept until exit.
//   0 application font, 1 to 6 style fonts, 7 tool tips.
const QFont& roleFont(int role);

} // namespace Tessera
