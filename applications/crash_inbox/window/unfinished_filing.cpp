#include "unfinished_filing.h"

#include <QFileInfo>
#include <QSettings>

namespace {

constexpr char Group[] = "unfinishedFiling";
constexpr char DatabaseKey[] = "database";
constexpr char PathsKey[] = "paths";
constexpr char RemainingKey[] = "remaining";

} // namespace

QString UnfinishedFiling::keyOf(const DatabaseLocation& location)
{
    if (location.engine == DatabaseLocation::Engine::Sqlite)
        return QFileInfo(location.path).absoluteFilePath();
    return QStringLiteral("postgresql://%1@%2:%3/%4")
        .arg(location.user, location.host)
        .arg(location.port)
        .arg(location.database);
}

namespace {

// Earlier versions kept the run under the database's description.
bool isKeptFor(const QString& kept, const DatabaseLocation& database)
{
    return kept == UnfinishedFiling::keyOf(database) || kept == database.describe();
}

} // namespace

UnfinishedFiling UnfinishedFiling::load(const DatabaseLocation& database)
{
    QSettings settings;
    settings.beginGroup(QLatin1String(Group));
    if (!isKeptFor(settings.value(QLatin1String(DatabaseKey)).toString(), database))
        return {};
    return {settings.value(QLatin1String(PathsKey)).toStringList(),
            settings.value(QLatin1String(RemainingKey)).toLongLong()};
}

void UnfinishedFiling::save(const DatabaseLocation& database, const UnfinishedFiling& filing)
{
    QSettings settings;
    settings.beginGroup(QLatin1String(Group));
    settings.setValue(QLatin1String(DatabaseKey), keyOf(database));
    settings.setValue(QLatin1String(PathsKey), filing.paths);
    settings.setValue(QLatin1String(RemainingKey), filing.remaining);
}

void UnfinishedFiling::clear(const DatabaseLocation& database)
{
    QSettings settings;
    if (isKeptFor(
            settings.value(QLatin1String(Group) + QLatin1Char('/') + QLatin1String(DatabaseKey))
                .toString(),
            database))
        settings.remove(QLatin1String(Group));
}
