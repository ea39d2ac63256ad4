#pragma once

#include "crash_inbox/triage/version_order.h"

#include <QAbstractItemModel>
#include <QList>
#include <QString>

#include <algorithm>

// What the list views share when a header sorts their rows.
namespace RowSorting {

// -1, 0 or 1 as `a` comes before, with or after `b`: versions by their numbers, and texts that
// are no version after those that are.
int compareVersions(const QString& a, const QString& b);
int compareTexts(const QString& a, const QString& b);

template <typename T>
int compareValues(const T& a, const T& b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// A less-than for std::stable_sort from a three-way `compare`.
template <typename Row, typename Compare>
auto lessThan(Qt::SortOrder order, Compare compare)
{
    return [order, compare](const Row& a, const Row& b) {
        const int comparison = compare(a, b);
        return order == Qt::AscendingOrder ? comparison < 0 : comparison > 0;
    };
}

// Sorts the rows by `compare`, equal rows kept in their order; the indexes that stood for
// `before` (the current row, the selection) after it, each row found again by `same`.
template <typename Row, typename Compare, typename Same>
QModelIndexList sortRows(const QAbstractItemModel& model, QList<Row>& rows, int firstRow,
                         Qt::SortOrder order, Compare compare, Same same,
                         const QModelIndexList& before)
{
    QList<Row> moved;
    for (const QModelIndex& index : before)
        moved << rows.value(index.row() - firstRow);
    std::stable_sort(rows.begin(), rows.end(), lessThan<Row>(order, compare));
    QModelIndexList after;
    for (qsizetype at = 0; at < before.size(); ++at) {
        const QModelIndex& index = before.at(at);
        const auto found = std::find_if(rows.cbegin(), rows.cend(),
                                        [&](const Row& row) { return same(row, moved.at(at)); });
        const bool fixed = index.row() < firstRow || found == rows.cend();
        after << (fixed ? index
                        : model.index(int(found - rows.cbegin()) + firstRow, index.column()));
    }
    return after;
}

} // namespace RowSorting
