#include "package_list_model.h"

#include "plain_tool_tip.h"

QString crashMoment(const ReportDocument& report)
{
    const QString date = report.date.isValid() ? report.date.toString(Qt::ISODate) : QString();
    const QString time = report.time.isValid() ? report.time.toString(Qt::ISODate) : QString();
    return (date + QLatin1Char(' ') + time).trimmed();
}

void PackageListModel::setPackages(const QList<FiledPackage>& packages)
{
    beginResetModel();
    m_packages = packages;
    endResetModel();
}

int PackageListModel::rowOf(qint64 id) const
{
    for (int row = 0; row < m_packages.size(); ++row) {
        if (m_packages.at(row).id == id)
            return row;
    }
    return -1;
}

int PackageListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_packages.size());
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
    if (role == Qt::ToolTipRole)
        return plainToolTip(index.column() == Comments ? m_packages.at(index.row()).report.comments
                                                       : data(index, Qt::DisplayRole).toString());
    const FiledPackage& package = m_packages.at(index.row());
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
