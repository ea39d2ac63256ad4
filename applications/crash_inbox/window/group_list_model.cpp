#include "group_list_model.h"

void GroupListModel::setGroups(const QList<SignatureGroup>& groups)
{
    beginResetModel();
    m_groups = groups;
    endResetModel();
}

std::optional<SignatureGroup> GroupListModel::group(int row) const
{
    if (row < 1 || row > m_groups.size())
        return std::nullopt;
    return m_groups.at(row - 1);
}

int GroupListModel::rowOf(const std::optional<SignatureGroup>& group) const
{
    if (!group)
        return 0;
    for (int row = 0; row < m_groups.size(); ++row) {
        if (m_groups.at(row).signature == group->signature)
            return row + 1;
    }
    return 0;
}

int GroupListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_groups.size()) + 1;
}

int GroupListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant GroupListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::TextAlignmentRole && index.column() == Crashes)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole && index.row() > 0 && index.column() == Signature)
        return m_groups.at(index.row() - 1).signature;
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    if (index.row() == 0) {
        int total = 0;
        for (const SignatureGroup& group : m_groups)
            total += group.count;
        return index.column() == Signature ? tr("All crashes") : QVariant(total);
    }
    const SignatureGroup& group = m_groups.at(index.row() - 1);
    switch (index.column()) {
    case Signature:
        return group.signature;
    case Crashes:
        return group.count;
    default:
        return {};
    }
}

QVariant GroupListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Signature:
        return tr("Signature");
    case Crashes:
        return tr("Crashes");
    default:
        return {};
    }
}
