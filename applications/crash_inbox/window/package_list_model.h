#pragma once

#include "crash_inbox/store/filed_package.h"

#include <QAbstractTableModel>

// Packages as rows, newest crash first: the package's number (which the command line takes),
// when it crashed, the console's serial, the version and the first line of the comments.
class PackageListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Id, Crashed, Serial, Version, Comments, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void setPackages(const QList<FiledPackage>& packages);
    const QList<FiledPackage>& packages() const { return m_packages; }
    // Package files opened but not filed: listed first, without an ID, whatever the order.
    void setOpened(const QList<FiledPackage>& opened);
    const QList<FiledPackage>& opened() const { return m_opened; }
    // The package of the row, opened or filed; none outside the rows.
    std::optional<FiledPackage> package(int row) const;
    // The row of the filed package; -1 when it is not listed.
    int rowOf(qint64 id) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Kept for the packages set later; until a column is chosen, the order given stays.
    void sort(int column, Qt::SortOrder order) override;

private:
    int compare(const FiledPackage& a, const FiledPackage& b) const;

    QList<FiledPackage> m_opened;
    QList<FiledPackage> m_packages;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

// "2026-12-05 20:53:47", or what of it the report gave.
QString crashMoment(const ReportDocument& report);
