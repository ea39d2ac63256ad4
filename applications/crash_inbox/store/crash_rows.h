#pragma once

#include "filed_package.h"

#include <QVariantList>

class QSqlQuery;
class RowReader;

// How a package's crash is kept: columns of its row in packages, and a module list that the
// packages of one build on one console share.
namespace CrashRows {

// The crash's columns in packages and their values for a package, its module list's id given.
QStringList columns();
QVariantList values(const FiledPackage& package, const QVariant& moduleList);
// Those that change when symbols arrive, and their values.
QStringList summaryColumns();
QVariantList summaryValues(const CrashAnalysis::CrashSummary& summary);

// The id of the crash's module list, kept now unless the same list was kept before; null
// without a crash. None on a database error.
std::optional<QVariant> keepModuleList(QSqlQuery& query, const FiledPackage& package,
                                       QString& error);

// The crash from a row that holds columns() (crash_frames may be left out), without its
// modules and crashing thread.
void readColumns(const RowReader& row, FiledPackage& package);
// Its modules and (to walk its stack again) its crashing thread.
bool readDetails(QSqlQuery& query, qint64 id, FiledCrash& crash, QString& error);

} // namespace CrashRows
