#pragma once

#include <QByteArray>
#include <QList>

class QSqlDatabase;
class QString;

// The inbox's tables, version by version: version 1 as it was made, and the steps up from it.
// The engines differ in identity columns, binary data and full-text search.
namespace InboxSchema {

QList<const char*> version1(bool postgres);

// Version 2: what the desk reads from each package's dump, the symbol files that name where a
// crash happened, the words that full-text search finds (the same on both engines), and the
// places a package was found at.
QList<QByteArray> upgradeToVersion2(bool postgres);
// The search words of the packages filed before version 2, worked out here: no engine's SQL
// folds words as the inbox does.
bool fillSearchWords(const QSqlDatabase& database, QString& error);
// Then SQLite's index of them, kept in step with the packages.
QList<QByteArray> searchIndex(bool postgres);

// Version 3: the crash groups' triage, one row for each signature filed so far.
QList<QByteArray> upgradeToVersion3(bool postgres);

} // namespace InboxSchema
