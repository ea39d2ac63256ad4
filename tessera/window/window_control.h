#pragma once

#include <QMetaType>
#include <QObject>

#include <optional>

namespace Tessera {

// The caption buttons and window-menu entries of a toolkit window.
enum class WindowControl { Close = 0, Maximise = 1, Minimise = 2, Restore = 3 };
inline constexpr int WindowControlCount = 4;

// What the title bar and the resize bands ask of their window.
enum class WindowOperation {
    Move = 0,
    ResizeBottom = 1,
    ResizeBottomLeft = 2,
    ResizeBottomRight = 3,
    ResizeLeft = 4,
    ResizeRight = 5,
    ResizeTop = 6,
    ResizeTopLeft = 7,
    ResizeTopRight = 8,
    ToggleMaximise = 9,
};

// The edges a resize operation moves; none for Move, ToggleMaximise and invalid values.
Qt::Edges resizeEdges(WindowOperation operation);
// The cursor shown over the band of a resize operation.
std::optional<Qt::CursorShape> resizeCursor(WindowOperation operation);

} // namespace Tessera

Q_DECLARE_METATYPE(Tessera::WindowControl)
Q_DECLARE_METATYPE(Tessera::WindowOperation)
