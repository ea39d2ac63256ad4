#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QSqlQuery;

// The crashes counted per signature, device, version and serial, with the first and the last
// of them, kept as packages are filed and their crashes read again: the groups of a million
// packages are read without reading the packages. Absent values count as empty texts, an
// absent signature as "no dump facts".
namespace CrashTallies {

// Within the transaction that changes the package's crash: counts it into its tallies (+1) or
// out of them (-1) as its row stands.
bool count(QSqlQuery& query, qint64 id, int change, QString& error);
// Within the transaction that files the package: counts it in, its day too.
bool countFiled(QSqlQuery& query, qint64 id, QString& error);

// Makes the tallies of the packages filed before.
QList<QByteArray> upgradeToVersion4(bool postgres);

} // namespace CrashTallies
