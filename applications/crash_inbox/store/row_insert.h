#pragma once

#include <QList>
#include <QStringList>
#include <QVariantList>

class QSqlQuery;

// Inserts the rows, each a value per column, with as few statements as the engines allow: one
// statement per row costs more than the row itself.
bool insertRows(QSqlQuery& query, const QString& table, const QStringList& columns,
                const QList<QVariantList>& rows);
