#pragma once

#include "crash_inbox/triage/triage_state.h"

#include <QHash>

#include <optional>

class InboxDatabase;
class QSqlQuery;

// The triage of the crash groups: one row per signature, made when its first crash is filed.
class GroupTriageStore
{
public:
    explicit GroupTriageStore(InboxDatabase& database);

    // Within a filing's transaction: makes the signature's group when it is new, and a group
    // fixed in the crash's version or an earlier one regressed.
    static bool noteCrash(QSqlQuery& query, const QString& signature, const QString& version,
                          QString& error);

    // Every group's triage, by signature.
    std::optional<QHash<QString, GroupTriage>> all(QString& error);
    // The group with that number, or else that signature, with its signature. None with the
    // error empty when no group has it.
    std::optional<std::pair<QString, GroupTriage>> find(const QString& numberOrSignature,
                                                        QString& error);
    // Changes what differs between the triage as it was read and as it is wanted, and nothing
    // else: of two desks changing the same field the later wins, and a field that one desk did
    // not touch keeps what another set, a regression too. A state without a fixing version
    // clears it.
    bool change(const GroupTriage& read, const GroupTriage& wanted, QString& error);

private:
    InboxDatabase& m_database;
};
