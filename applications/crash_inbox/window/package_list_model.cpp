#include "package_list_model.h"

#include "crash_inbox/text/printable.h"
#include "plain_tool_tip.h"
#include "row_sorting.h"

QString crashMoment(const ReportDocument& report)
{
    const QString date =
        report.date.isValid() ? report.date.toString(Qt::ISODate) : printable(report.unreadDate);
    const QString time =
        report.time.isValid() ? report.time.toString(Qt::ISODate) : printable(report.unreadTime);
    return (date + QLatin1Char(' ') + time).trimmed();
}

void PackageListModel::setPackages(const QList<FiledPackage>& packages)
{
    beginResetModel();
    m_packages = packages;
    if (m_sortColumn >= 0)
        std::stable_sort(m_packages.begin(), m_packages.end(),
                         RowSorting::lessThan<FiledPackage>(
                             m_sortOrder, [this](const FiledPackage& a, const FiledPackage& b) {
                                 return compare(a, b);
                             }));
    endResetModel();
}

void PackageListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    changePersistentIndexList(
        before,
        RowSorting::sortRows(
            *this, m_packages, int(m_opened.size()), order,
            [this](const FiledPackage& a, const FiledPackage& b) { return compare(a, b); },
            [](const FiledPackage& a, const FiledPackage& b) { return a.id == b.id; }, before));
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int PackageListModel::compare(const FiledPackage& a, const FiledPackage& b) const
{
    const auto& first = a.report.application;
    const auto& second = b.report.application;
    switch (m_sortColumn) {
    case Id:
        return RowSorting::compareValues(a.id, b.id);
    case Crashed:
        // Readable moments in time order; what is no date after them, either way.
        if (a.report.date.isValid() != b.report.date.isValid())
            return (a.report.date.isValid() ? -1 : 1) *
                   (m_sortOrder == Qt::DescendingOrder ? -1 : 1);
        return RowSorting::compareTexts(crashMoment(a.report), crashMoment(b.report));
    case Serial:
        return RowSorting::compareTexts(first ? first->serial : QString(),
                                        second ? second->serial : QString());
    case Version:
        return RowSorting::compareVersions(first ? first->version : QString(),
                                           second ? second->version : QString());
    default:
        return RowSorting::compareTexts(a.report.comments, b.report.comments);
    }
}

void PackageListModel::setOpened(const QList<FiledPackage>& opened)
{
    beginResetModel();
    m_opened = opened;
    endResetModel();
}

std::optional<FiledPackage> PackageListModel::package(int row) const
{
    if (row < 0 || row >= rowCount())
        return std::nullopt;
    return row < m_opened.size() ? m_opened.at(row) : m_packages.at(row - m_opened.size());
}

int PackageListModel::rowOf(qint64 id) const
{
    for (int row = 0; row < m_packages.size(); ++row) {
        if (m_packages.at(row).id == id)
            return int(m_opened.size()) + row;
    }
    return -1;
}

int PackageListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_opened.size() + m_packages.size());
}

int PackageListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PackageListModel::data(const QModelIndex& index, int role) const
{
    if (index.isValid() && role == Qt::TextAlignmentRole && index.column() == Id)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    const std::optional<FiledPackage> shown = package(index.row());
    if (!shown || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const FiledPackage& package = *shown;
    if (role == Qt::ToolTipRole && index.column() == Id && package.id <= 0)
        return plainToolTip(tr("Opened from %1, not filed").arg(package.file));
    if (role == Qt::ToolTipRole)
        return plainToolTip(index.column() == Comments ? package.report.comments
                                                       : data(index, Qt::DisplayRole).toString());
    const auto& application = package.report.application;
    switch (index.column()) {
    case Id:
        return package.id > 0 ? QVariant(package.id) : QVariant();
    case Crashed:
        return crashMoment(package.report);
    case Serial:
        return application ? application->serial : QString();
    case Version:
        return application ? application->version : QString();
    case Comments:
        return package.report.comments.section(QLatin1Char('\n'), 0, 0);
    default:
        return {};
    }
}

QVariant PackageListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Id:
        return tr("ID");
    case Crashed:
        return tr("Crashed");
    case Serial:
        return tr("Serial");
    case Version:
        return tr("Version");
    case Comments:
        return tr("Comments");
    default:
        return {};
    }
}
