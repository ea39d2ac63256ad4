#pragma once

#include "filed_package.h"

#include <QVariantList>

class QSqlDatabase;
class QSqlQuery;

// How a package's crash is kept: columns of its row in packages, then its modules and its
// stack's frames in tables of their own.
namespace CrashRows {

// The crash's columns in packages, and their values for a package.
QStringList columns();
QVariantList values(const FiledPackage& package);
// Those that change when symbols arrive, and their values.
QStringList summaryColumns();
QVariantList summaryValues(const CrashAnalysis::CrashSummary& summary);

// The modules and frames of a package just filed.
bool insertDetails(QSqlQuery& query, qint64 id, const FiledPackage& package, QString& error);
bool replaceFrames(QSqlQuery& query, qint64 id, const QList<CrashAnalysis::CrashFrame>& frames,
                   QString& error);

// The crash from a row that holds columns(): without modules, frames and stack.
void readColumns(const QSqlQuery& query, FiledPackage& package);
// Its modules and frames, and (for a walk of its stack again) the crashing thread.
bool readDetails(const QSqlDatabase& database, qint64 id, FiledCrash& crash, QString& error);

} // namespace CrashRows
