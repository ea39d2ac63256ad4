#include "package_limits.h"

#include "crash_package.h"

#include <QDir>
#include <QStorageInfo>

namespace {

template <typename Number>
Number fromVariable(const char* name, Number fallback, Number lowest)
{
    bool ok = false;
    const double value = qEnvironmentVariable(name).toDouble(&ok);
    return ok && value >= double(lowest) ? Number(value) : fallback;
}

} // namespace

PackageLimits PackageLimits::fromEnvironment()
{
    const PackageLimits defaults;
    return {fromVariable("Q5_CRASH_DUMPS_MAX_COUNT", defaults.count, 0),
            fromVariable("Q5_CRASH_DUMPS_MAX_PERCENT", defaults.percent, 0.0)};
}

bool dumpFits(const QString& folder, qint64 dumpSize, const PackageLimits& limits,
              const QString& replacing)
{
    qint64 count = 0;
    qint64 bytes = 0;
    const QFileInfo replaced(replacing);
    for (const QFileInfo& package : QDir(folder).entryInfoList(
             {automaticPackageNamePattern()}, QDir::Files | QDir::Hidden | QDir::System)) {
        if (!replacing.isEmpty() && package == replaced)
            continue;
        ++count;
        bytes += package.size();
    }
    const QStorageInfo storage(folder);
    const double room = double(storage.bytesTotal()) * limits.percent / 100.0;
    return count < limits.count && double(bytes + dumpSize) <= room;
}
