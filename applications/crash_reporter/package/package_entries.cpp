#include "package_entries.h"

namespace PackageEntries {

QString dumpName(const QString& dumpFileName)
{
    if (dumpFileName == QLatin1String(Report))
        return QStringLiteral("dump-") + dumpFileName;
    return dumpFileName;
}

QString extraName(const QString& extraFileName, const QString& dumpEntryName)
{
    const auto taken = [&](const QString& name) {
        return name == QLatin1String(Report) || name == dumpEntryName;
    };
    QString name = extraFileName;
    for (int number = 1; taken(name); ++number)
        name = (number == 1 ? QStringLiteral("extra-") : QStringLiteral("extra-%1-").arg(number)) +
               extraFileName;
    return name;
}

} // namespace PackageEntries
