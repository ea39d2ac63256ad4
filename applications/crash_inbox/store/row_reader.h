#pragma once

#include <QHash>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>

// The current row of an executed query, read by column name. The names are looked up once
// per query: Qt SQL builds a whole record for every lookup by name.
class RowReader
{
public:
    explicit RowReader(const QSqlQuery& query)
        : m_query(query)
    {
        const QSqlRecord record = query.record();
        for (int column = 0; column < record.count(); ++column)
            m_columns.insert(record.fieldName(column), column);
    }

    // Invalid for a column the query does not have.
    QVariant value(const QString& name) const
    {
        const int column = m_columns.value(name, -1);
        return column < 0 ? QVariant() : m_query.value(column);
    }
    bool has(const QString& name) const { return m_columns.contains(name); }

private:
    const QSqlQuery& m_query;
    QHash<QString, int> m_columns;
};
