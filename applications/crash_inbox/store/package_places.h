#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

class QSqlDatabase;
class QSqlQuery;
struct FiledPackage;

// Where a filed package was found: a package may be found at several places (a mail program
// moves its messages from new/ to cur/, a technician moves a file), and any that still holds
// the same content serves.
struct PackagePlace {
    QString file; // a path, or a mail locator ("<mail file>#<message>/<attachment>")
    QString mailSender;
    QDateTime mailDate;
    std::optional<qint64> mailOffset; // where the message starts in its mbox
};

namespace PackagePlaces {

// Notes the package's place for the filed package, unless it was noted before.
bool add(QSqlQuery& query, qint64 id, const FiledPackage& package, QString& error);
// The places of a filed package, the most recently found first; none on a database error.
std::optional<QList<PackagePlace>> of(const QSqlDatabase& database, qint64 id, QString& error);

} // namespace PackagePlaces
