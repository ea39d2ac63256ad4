#include "row_insert.h"

#include <QSqlQuery>

namespace {

// Below SQLite's bound on the values of one statement, and PostgreSQL's.
constexpr qsizetype MaximumValues = 30000;

} // namespace

bool insertRows(QSqlQuery& query, const QString& table, const QStringList& columns,
                const QList<QVariantList>& rows)
{
    const qsizetype perStatement = std::max<qsizetype>(1, MaximumValues / columns.size());
    const QString tuple = QLatin1Char('(') +
                          QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(',')) +
                          QLatin1Char(')');
    for (qsizetype first = 0; first < rows.size(); first += perStatement) {
        const qsizetype count = std::min(perStatement, rows.size() - first);
        query.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                          .arg(table, columns.join(QStringLiteral(", ")),
                               QStringList(count, tuple).join(QLatin1Char(','))));
        for (qsizetype row = first; row < first + count; ++row)
            for (const QVariant& value : rows.at(row))
                query.addBindValue(value);
        if (!query.exec())
            return false;
    }
    return true;
}
