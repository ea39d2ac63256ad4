#include "package_entries.h"

namespace PackageEntries {

QString dumpName(const QString& dumpFileName)
{
    if (dumpFileName.compare(QLatin1String(Report), Qt::CaseInsensitive) == 0)
        return QStringLiteral("dump-") + dumpFileName;
    return dumpFileName;
}

QString extraName(const QString& extraFileName, const QString& dumpEntryName)
{
    const auto taken = [&](const QString& name) {
        return name.compare(QLatin1String(Report), Qt::CaseInsensitive) == 0 ||
               name.compare(dumpEntryName, Qt::CaseInsensitive) == 0;
    };
    QString name = extraFileName;
    for (int number = 1; taken(name); ++number)
        name = (number == 1 ? QStringLiteral("extra-") : QStringLiteral("extra-%1-").arg(number)) +
               extraFileName;
    return name;
}

} // namespace PackageEntries
