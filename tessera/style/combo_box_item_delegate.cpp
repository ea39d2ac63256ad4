#include "combo_box_item_delegate.h"

namespace Tessera {

void ComboBoxItemDelegate::initStyleOption(QStyleOptionViewItem* option,
                                           const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    static const QBrush transparent(Qt::transparent, Qt::SolidPattern);
    if (option->backgroundBrush.style() == Qt::NoBrush)
        option->backgroundBrush = transparent;
}

} // namespace Tessera
