#include "package_places.h"

#include "filed_package.h"
#include "sql_failure.h"

#include <QSqlError>
#include <QSqlQuery>

namespace PackagePlaces {

bool add(QSqlQuery& query, qint64 id, const FiledPackage& package, QString& error)
{
    query.prepare(QStringLiteral("INSERT INTO package_places (package_id, file, mail_sender, "
                                 "mail_date, mail_offset, added_at) VALUES (?, ?, ?, ?, ?, ?) "
                                 "ON CONFLICT (package_id, file) DO NOTHING"));
    query.addBindValue(id);
    query.addBindValue(package.file);
    query.addBindValue(package.mailSender.isEmpty() ? QVariant(QMetaType::fromType<QString>())
                                                    : QVariant(package.mailSender));
    query.addBindValue(package.mailDate.isValid()
                           ? QVariant(package.mailDate.toString(Qt::ISODateWithMs))
                           : QVariant(QMetaType::fromType<QString>()));
    query.addBindValue(package.mailOffset ? QVariant(*package.mailOffset)
                                          : QVariant(QMetaType::fromType<qint64>()));
    query.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    if (query.exec())
        return true;
    error = sqlFailure(QStringLiteral("the database cannot be written"), query);
    return false;
}

std::optional<QList<PackagePlace>> of(const QSqlDatabase& database, qint64 id, QString& error)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT file, mail_sender, mail_date, mail_offset FROM "
                                 "package_places WHERE package_id = ? ORDER BY added_at DESC"));
    query.addBindValue(id);
    QList<PackagePlace> places;
    if (query.exec()) {
        while (query.next())
            places << PackagePlace{query.value(0).toString(), query.value(1).toString(),
                                   QDateTime::fromString(query.value(2).toString(), Qt::ISODate),
                                   query.isNull(3) ? std::nullopt
                                                   : std::optional(query.value(3).toLongLong())};
    }
    if (query.lastError().isValid()) {
        error =
            sqlFailure(QStringLiteral("the places of package %1 cannot be read").arg(id), query);
        return std::nullopt;
    }
    return places;
}

} // namespace PackagePlaces
