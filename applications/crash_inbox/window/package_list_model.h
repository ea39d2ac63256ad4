#pragma once

#include "crash_inbox/store/filed_package.h"

#include <QAbstractTableModel>
#include <QHash>

// Packages as rows, in the order chosen (newest crash first unless a header says otherwise):
// the package's number (which the command line takes), when it crashed, the console's serial,
// the version and the first line of the comments. A listing knows how many packages it holds
// and only the rows fetched so far; a row not fetched yet asks for the rows shown.
class PackageListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Id, Crashed, Serial, Version, Comments, ColumnCount };
    // Rows are fetched in pages of this many.
    static constexpr int PageSize = 200;

    using QAbstractTableModel::QAbstractTableModel;

    // A new listing of `count` filed packages, the first of them given; its number tells its
    // rows from those of listings before.
    int setListing(qint64 count, const QList<FiledPackage>& first);
    int listing() const { return m_listing; }
    // The rows of the listing from the filed package at `offset` on; those of another listing
    // are dropped.
    void setRows(int listing, qint64 offset, const QList<FiledPackage>& packages);
    qint64 filedCount() const { return m_filedCount; }
    // The pages in the rows that are not fetched yet.
    QList<int> missingPages(int firstRow, int lastRow) const;

    // Package files opened but not filed: listed first, without an ID, whatever the order.
    void setOpened(const QList<FiledPackage>& opened);
    const QList<FiledPackage>& opened() const { return m_opened; }
    // The package of the row, opened or filed; none outside the rows and for a row not fetched.
    std::optional<FiledPackage> package(int row) const;
    // The row of the filed package among those fetched; -1 when it is not.
    int rowOf(qint64 id) const;
    const PackageOrder& order() const { return m_order; }
    // The versions in the order of their releases, for sorting by version.
    void setReleases(const QStringList& releases) { m_order.releases = releases; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // The order is the database's: a new listing is wanted.
    void sort(int column, Qt::SortOrder order) override;

Q_SIGNALS:
    // A row shown is not fetched yet.
    void rowsWanted() const;
    void orderChanged();

private:
    const FiledPackage* filed(qint64 offset) const;

    QList<FiledPackage> m_opened;
    qint64 m_filedCount = 0;
    QHash<qint64, QList<FiledPackage>> m_pages;
    int m_listing = 0;
    PackageOrder m_order;
};

// "2026-12-05 20:53:47", or what of it the report gave.
QString crashMoment(const ReportDocument& report);
