#include "window_control.h"

namespace Tessera {
namespace {

struct ResizeOperation {
    Qt::Edges edges;
    Qt::CursorShape cursor;
};

// Indexed by WindowOperation; Move and ToggleMaximise are no resize.
constexpr ResizeOperation ResizeOperations[] = {
    {{}, Qt::ArrowCursor},
    {Qt::BottomEdge, Qt::SizeVerCursor},
    {Qt::BottomEdge | Qt::LeftEdge, Qt::SizeBDiagCursor},
    {Qt::BottomEdge | Qt::RightEdge, Qt::SizeFDiagCursor},
    {Qt::LeftEdge, Qt::SizeHorCursor},
    {Qt::RightEdge, Qt::SizeHorCursor},
    {Qt::TopEdge, Qt::SizeVerCursor},
    {Qt::TopEdge | Qt::LeftEdge, Qt::SizeFDiagCursor},
    {Qt::TopEdge | Qt::RightEdge, Qt::SizeBDiagCursor},
};

bool isResize(WindowOperation operation)
{
    return int(operation) >= int(WindowOperation::ResizeBottom) &&
           int(operation) <= int(WindowOperation::ResizeTopRight);
}

} // namespace

Qt::Edges resizeEdges(WindowOperation operation)
{
    return isResize(operation) ? ResizeOperations[int(operation)].edges : Qt::Edges();
}

std::optional<Qt::CursorShape> resizeCursor(WindowOperation operation)
{
    if (!isResize(operation))
        return std::nullopt;
    return ResizeOperations[int(operation)].cursor;
}

} // namespace Tessera
