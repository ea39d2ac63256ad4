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

UnfinishedFiling UnfinishedFiling::load(const QString& database)
{
    QSettings settings;
    settings.beginGroup(QLatin1String(Group));
    if (settings.value(QLatin1String(DatabaseKey)).toString() != database)
        return {};
    return {settings.value(QLatin1String(PathsKey)).toStringList(),
            settings.value(QLatin1String(RemainingKey)).toLongLong()};
}

void UnfinishedFiling::save(const QString& database, const UnfinishedFiling& filing)
{
    QSettings settings;
    settings.beginGroup(QLatin1String(Group));
    settings.setValue(QLatin1String(DatabaseKey), database);
    settings.setValue(QLatin1String(PathsKey), filing.paths);
    settings.setValue(QLatin1String(RemainingKey), filing.remaining);
}

void UnfinishedFiling::clear(const QString& database)
{
    QSettings settings;
    if (settings.value(QLatin1String(Group) + QLatin1Char('/') + QLatin1String(DatabaseKey))
            .toString() == database)
        settings.remove(QLatin1String(Group));
}
