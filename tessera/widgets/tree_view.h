#pragma once

#include <QTreeView>

namespace Tessera {

// A tree view that repaints the indentation beside an item whose background changed, so the
// item's colour reaches the left edge of the tree column.
class TreeView : public QTreeView
{
    Q_OBJECT

public:
    using QTreeView::QTreeView;

protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;

private:
    int treeColumn() const;
};

} // namespace Tessera
