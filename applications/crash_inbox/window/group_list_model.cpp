#include "group_list_model.h"

#include "plain_tool_tip.h"
#include "row_sorting.h"

#include <QFont>

namespace {

bool needsDecision(const SignatureGroup& group)
{
    return group.triage.state == TriageState::New || group.triage.state == TriageState::Regressed;
}

QString versionRange(const SignatureGroup& group)
{
    if (group.firstVersion == group.lastVersion)
        return group.firstVersion;
    return group.firstVersion + QStringLiteral(" – ") + group.lastVersion;
}

} // namespace

void GroupListModel::setGroups(const QList<SignatureGroup>& groups)
{
    beginResetModel();
    m_groups = groups;
    if (m_sortColumn >= 0)
        std::stable_sort(m_groups.begin(), m_groups.end(),
                         RowSorting::lessThan<SignatureGroup>(
                             m_sortOrder, [this](const SignatureGroup& a, const SignatureGroup& b) {
                                 return compare(a, b);
                             }));
    endResetModel();
}

void GroupListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    changePersistentIndexList(before, RowSorting::sortRows(
                                          *this, m_groups, 1, order,
                                          [this](const SignatureGroup& a, const SignatureGroup& b) {
                                              return compare(a, b);
                                          },
                                          [](const SignatureGroup& a, const SignatureGroup& b) {
                                              return a.signature == b.signature;
                                          },
                                          before));
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int GroupListModel::compare(const SignatureGroup& a, const SignatureGroup& b) const
{
    switch (m_sortColumn) {
    case State:
        return RowSorting::compareTexts(stateText(a.triage), stateText(b.triage));
    case Crashes:
        return RowSorting::compareValues(a.count, b.count);
    case LastSeen:
        return RowSorting::compareValues(a.last, b.last);
    case Versions:
        return RowSorting::compareVersions(a.lastVersion, b.lastVersion);
    default:
        return RowSorting::compareTexts(a.signature, b.signature);
    }
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
        return plainToolTip(m_groups.at(index.row() - 1).signature);
    if (role == Qt::ToolTipRole && index.row() > 0 && index.column() == State &&
        !m_groups.at(index.row() - 1).triage.note.isEmpty())
        return plainToolTip(m_groups.at(index.row() - 1).triage.note);
    if (role == Qt::FontRole && index.row() > 0 && needsDecision(m_groups.at(index.row() - 1))) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    if (index.row() == 0) {
        int total = 0;
        for (const SignatureGroup& group : m_groups)
            total += group.count;
        if (index.column() == Signature)
            return tr("All crashes");
        return index.column() == Crashes ? QVariant(total) : QVariant();
    }
    const SignatureGroup& group = m_groups.at(index.row() - 1);
    switch (index.column()) {
    case Signature:
        return group.signature;
    case State:
        return stateText(group.triage);
    case Crashes:
        return group.count;
    case LastSeen:
        return group.last.isValid() ? group.last.date().toString(Qt::ISODate) : QString();
    case Versions:
        return versionRange(group);
    default:
        return {};
    }
}

QString GroupListModel::stateText(const GroupTriage& triage)
{
    switch (triage.state) {
    case TriageState::Acknowledged:
        return tr("Acknowledged");
    case TriageState::Fixed:
        return tr("Fixed in %1").arg(triage.fixedIn);
    case TriageState::Ignored:
        return tr("Ignored");
    case TriageState::Regressed:
        return tr("Regressed (fixed in %1)").arg(triage.fixedIn);
    default:
        return tr("New");
    }
}

QVariant GroupListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Signature:
        return tr("Signature");
    case State:
        return tr("State");
    case Crashes:
        return tr("Crashes");
    case LastSeen:
        return tr("Last seen");
    case Versions:
        return tr("Versions");
    default:
        return {};
    }
}
