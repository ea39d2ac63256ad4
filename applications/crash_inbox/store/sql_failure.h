#pragma once

#include <QSqlError>
#include <QSqlQuery>
#include <QString>

// "what: the database's own words", for a statement that failed.
inline QString sqlFailure(const QString& what, const QSqlQuery& query)
{
    return QStringLiteral("%1: %2").arg(what, query.lastError().text());
}
