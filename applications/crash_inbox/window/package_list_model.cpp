#include "package_list_model.h"

#include "crash_inbox/text/printable.h"
#include "plain_tool_tip.h"

#include <map>

QString crashMoment(const ReportDocument& report)
{
    const QString date =
        report.date.isValid() ? report.date.toString(Qt::ISODate) : printable(report.unreadDate);
    const QString time =
        report.time.isValid() ? report.time.toString(Qt::ISODate) : printable(report.unreadTime);
    return (date + QLatin1Char(' ') + time).trimmed();
}

int PackageListModel::setListing(qint64 count, const QList<FiledPackage>& first)
{
    beginResetModel();
    m_filedCount = count;
    m_pages.clear();
    ++m_listing;
    for (qsizetype at = 0; at < first.size(); at += PageSize)
        m_pages.insert(at / PageSize, first.mid(at, PageSize));
    endResetModel();
    return m_listing;
}

void PackageListModel::setRows(int listing, qint64 offset, const QList<FiledPackage>& packages)
{
    if (listing != m_listing || offset % PageSize != 0 || packages.isEmpty())
        return;
    for (qsizetype at = 0; at < packages.size(); at += PageSize)
        m_pages.insert((offset + at) / PageSize, packages.mid(at, PageSize));
    const int first = int(m_opened.size() + offset);
    const int last = std::min(rowCount() - 1, int(first + packages.size() - 1));
    if (first <= last)
        Q_EMIT dataChanged(index(first, 0), index(last, ColumnCount - 1));
}

QList<int> PackageListModel::missingPages(int firstRow, int lastRow) const
{
    QList<int> missing;
    const qint64 first = std::max<qint64>(0, firstRow - m_opened.size());
    const qint64 last = std::min<qint64>(m_filedCount - 1, lastRow - m_opened.size());
    for (qint64 page = first / PageSize; first <= last && page <= last / PageSize; ++page) {
        if (!m_pages.contains(page))
            missing << int(page);
    }
    return missing;
}

const FiledPackage* PackageListModel::filed(qint64 offset) const
{
    const auto page = m_pages.constFind(offset / PageSize);
    if (page == m_pages.cend() || offset % PageSize >= page->size())
        return nullptr;
    return &page->at(offset % PageSize);
}

void PackageListModel::sort(int column, Qt::SortOrder order)
{
    static const std::map<int, PackageOrder::Key> keys{{Id, PackageOrder::Key::Id},
                                                       {Crashed, PackageOrder::Key::Crashed},
                                                       {Serial, PackageOrder::Key::Serial},
                                                       {Version, PackageOrder::Key::Version},
                                                       {Comments, PackageOrder::Key::Comments}};
    const auto key = keys.find(column);
    if (key == keys.cend())
        return;
    const bool descending = order == Qt::DescendingOrder;
    if (m_order.key == key->second && m_order.descending == descending)
        return;
    m_order.key = key->second;
    m_order.descending = descending;
    Q_EMIT orderChanged();
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
    if (row < m_opened.size())
        return m_opened.at(row);
    const FiledPackage* package = filed(row - m_opened.size());
    return package ? std::optional<FiledPackage>(*package) : std::nullopt;
}

int PackageListModel::rowOf(qint64 id) const
{
    for (auto page = m_pages.cbegin(); page != m_pages.cend(); ++page) {
        for (qsizetype at = 0; at < page->size(); ++at) {
            if (page->at(at).id == id)
                return int(m_opened.size() + page.key() * PageSize + at);
        }
    }
    return -1;
}

int PackageListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_opened.size() + m_filedCount);
}

int PackageListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PackageListModel::data(const QModelIndex& index, int role) const
{
    if (index.isValid() && role == Qt::TextAlignmentRole && index.column() == Id)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const FiledPackage* shown = index.row() < m_opened.size()
                                    ? &m_opened.at(index.row())
                                    : filed(index.row() - m_opened.size());
    if (!shown) {
        Q_EMIT rowsWanted();
        return {};
    }
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
