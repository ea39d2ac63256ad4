#include "tree_view.h"

#include <QHeaderView>

namespace Tessera {

int TreeView::treeColumn() const
{
    const int position = treePosition();
    return position >= 0 ? position : header()->logicalIndex(0);
}

void TreeView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                           const QList<int>& roles)
{
    QTreeView::dataChanged(topLeft, bottomRight, roles);
    const int column = treeColumn();
    if (!topLeft.isValid() || !bottomRight.isValid() || !model() || column < topLeft.column() ||
        column > bottomRight.column() || topLeft.row() > bottomRight.row())
        return;
    if (!roles.isEmpty() && !roles.contains(Qt::BackgroundRole))
        return;
    // Only the rows that can be seen: a change to thousands of rows paints a screenful.
    const QRect visible = viewport()->rect();
    const int columnWidth = header()->sectionSize(column);
    QRegion bands;
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        const QModelIndex index = model()->index(row, column, topLeft.parent());
        const QRect rect = visualRect(index);
        if (rect.isEmpty())
            continue;
        if (rect.top() > visible.bottom())
            break;
        if (rect.bottom() < visible.top())
            continue;
        const int indentation = columnWidth - rect.width();
        bands += isRightToLeft()
                     ? QRect(rect.right() + 1, rect.top(), indentation, rect.height())
                     : QRect(rect.left() - indentation, rect.top(), indentation, rect.height());
    }
    if (bands.intersects(visible))
        viewport()->update(bands);
}

} // namespace Tessera
