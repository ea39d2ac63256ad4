#pragma once

#include <QStyledItemDelegate>

namespace Tessera {

// The item delegate of combo-box popups: items without a background of their own get a
// transparent one, so the style's hover and selection show through.
class ComboBoxItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

} // namespace Tessera
