#pragma once

#include <QIcon>
#include <QString>

namespace Tessera {

enum class StyleIcon {
    ArrowDown,
    ArrowLeft,
    ArrowRight,
    ArrowUp,
    EditClear,
    ExpandDown,
    ExpandLeft,
    ExpandRight,
    ExpandUp,
    WinWindowClose,
    WinWindowMaximise,
    WinWindowMinimise,
    WinWindowRestore,
};

// SVG files get the style icon engine (palette-aware fading); anything else a plain QIcon.
QIcon makeIcon(const QString& path);

// One process-wide icon per value, made on first request; a null icon out of range.
QIcon styleIcon(StyleIcon icon);

} // namespace Tessera
