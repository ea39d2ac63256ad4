#include "intake_tables.h"

namespace IntakeTables {

QList<QByteArray> upgradeToVersion5(bool postgres)
{
    const QByteArray integer = postgres ? "BIGINT" : "INTEGER";
    return {"CREATE TABLE upload_tokens (name TEXT PRIMARY KEY, token_hash TEXT NOT NULL UNIQUE, "
            "created_at TEXT NOT NULL)",
            "CREATE TABLE mailbox_messages (mailbox TEXT NOT NULL, uidvalidity " + integer +
                " NOT NULL, uid " + integer +
                " NOT NULL, fetched_at TEXT NOT NULL, PRIMARY KEY (mailbox, uidvalidity, uid))"};
}

} // namespace IntakeTables
