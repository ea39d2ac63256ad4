#include "database_location.h"

#include "q5_suite/suite_identity.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

namespace {

std::optional<DatabaseLocation> postgres(const QString& text, QString& error)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid()) {
        error = QStringLiteral("%1 is not a PostgreSQL URL").arg(withoutPassword(text));
        return std::nullopt;
    }
    DatabaseLocation location;
    location.engine = DatabaseLocation::Engine::Postgres;
    location.host = url.host();
    location.port = url.port(-1);
    location.user = url.userName();
    location.password = url.password();
    location.database = url.path().mid(1);
    const QUrlQuery query(url);
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("host")) {
            location.host = value;
        } else if (key == QLatin1String("port")) {
            bool ok = false;
            location.port = value.toInt(&ok);
            if (!ok) {
                error = QStringLiteral("%1 is not a port").arg(value);
                return std::nullopt;
            }
        } else if (key == QLatin1String("user")) {
            location.user = value;
        } else if (key == QLatin1String("password")) {
            location.password = value;
        } else if (key == QLatin1String("dbname")) {
            location.database = value;
        } else if (value.contains(QLatin1Char(';'))) {
            // Qt SQL separates its connect options with ';'.
            error = QStringLiteral("the value of %1 cannot hold ';'").arg(key);
            return std::nullopt;
        } else {
            location.options << key + QLatin1Char('=') + value;
        }
    }
    return location;
}

} // namespace

QString DatabaseLocation::describe() const
{
    if (engine == Engine::Sqlite)
        return QStringLiteral("the database file %1").arg(path);
    return QStringLiteral("the PostgreSQL database %1 on %2")
        .arg(database.isEmpty() ? user : database,
             host.isEmpty() ? QStringLiteral("the local server") : host);
}

std::optional<DatabaseLocation> parseDatabaseLocation(const QString& text, QString& error)
{
    if (text.startsWith(QLatin1String("postgresql://")) ||
        text.startsWith(QLatin1String("postgres://")))
        return postgres(text, error);
    const QLatin1String sqliteScheme("sqlite:");
    const QString path = text.startsWith(sqliteScheme) ? text.sliced(sqliteScheme.size()) : text;
    if (path.isEmpty()) {
        error = QStringLiteral("no database was named");
        return std::nullopt;
    }
    // SQLite would put its journal beside a device or FIFO, and wait on it.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        error = QStringLiteral("%1 is not a database file").arg(path);
        return std::nullopt;
    }
    DatabaseLocation location;
    location.path = path;
    return location;
}

QString withoutPassword(const QString& databaseText)
{
    static const QRegularExpression password(QStringLiteral("^(postgres(?:ql)?://[^/@:]*:)[^@]*@"));
    QString text = databaseText;
    text.replace(password, QStringLiteral("\\1***@"));
    static const QRegularExpression parameter(QStringLiteral("([?&]password=)[^&]*"));
    return text.replace(parameter, QStringLiteral("\\1***"));
}

QString defaultDatabaseText()
{
    const QString chosen = qEnvironmentVariable("Q5_CRASH_INBOX_DATABASE");
    if (!chosen.isEmpty())
        return chosen;
    return deskDataFolder() + QStringLiteral("/inbox.sqlite");
}

QString deskDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QLatin1Char('/') + QString::fromLatin1(Suite::OrganisationName) + QLatin1Char('/') +
           suiteApplicationName({SuiteApplication::CrashInbox, {}});
}
