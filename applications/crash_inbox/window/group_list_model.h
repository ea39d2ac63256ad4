#pragma once

#include "crash_inbox/store/filed_package.h"

#include <QAbstractTableModel>

// The crash groups as rows, "All crashes" first: the signature, the technician's state, the
// number of crashes, the last seen and the versions from first to last. New and regressed
// groups stand out in bold: they need someone's decision.
class GroupListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Signature, State, Crashes, LastSeen, Versions, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void setGroups(const QList<SignatureGroup>& groups);
    // None for the "All crashes" row.
    std::optional<SignatureGroup> group(int row) const;
    // The row of the group with that signature; 0 ("All crashes") when it is gone.
    int rowOf(const std::optional<SignatureGroup>& group) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // "All crashes" stays first; the order is kept for the groups set later.
    void sort(int column, Qt::SortOrder order) override;

    // "Fixed in 6.4.1", "Regressed (fixed in 6.4.1)", "New"…
    static QString stateText(const GroupTriage& triage);

private:
    int compare(const SignatureGroup& a, const SignatureGroup& b) const;

    QList<SignatureGroup> m_groups;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
