#pragma once

#include "crash_inbox/store/database_location.h"

#include <QString>
#include <QStringList>

// A filing run that the window was closed in the middle of: what was given to it and how much
// of it was left, kept in the window's settings for its database until a filing run ends.
// Filing again what was filed already only finds it known, so the next run takes it all up.
struct UnfinishedFiling {
    QStringList paths;
    qsizetype remaining = 0;

    // What tells one database from every other: its file, or its server, port, user and name.
    static QString keyOf(const DatabaseLocation& location);
    // None (no paths) when no run was left unfinished on that database.
    static UnfinishedFiling load(const DatabaseLocation& database);
    static void save(const DatabaseLocation& database, const UnfinishedFiling& filing);
    // Only the run kept for that database.
    static void clear(const DatabaseLocation& database);
};
