#include "weekly_crashes.h"

#include <QHash>
#include <QMap>

#include <algorithm>

namespace {

QDate mondayOf(const QDate& date)
{
    return date.addDays(1 - date.dayOfWeek());
}

QString versionOf(const FiledPackage& package)
{
    const auto& application = package.report.application;
    return application ? application->version : QString();
}

} // namespace

WeeklyCrashes weeklyCrashes(const QList<FiledPackage>& packages, int maximumWeeks,
                            int maximumVersions, const QString& otherVersions)
{
    WeeklyCrashes result;
    QDate latest;
    for (const FiledPackage& package : packages) {
        if (package.report.date.isValid() && (!latest.isValid() || package.report.date > latest))
            latest = package.report.date;
    }
    if (!latest.isValid() || maximumWeeks < 1)
        return result;
    const QDate lastWeek = mondayOf(latest);
    QDate firstWeek = lastWeek.addDays(-7 * (maximumWeeks - 1));
    QDate earliest = lastWeek;
    for (const FiledPackage& package : packages) {
        const QDate date = package.report.date;
        if (date.isValid() && date >= firstWeek && date < earliest)
            earliest = date;
    }
    firstWeek = mondayOf(earliest);
    for (QDate week = firstWeek; week <= lastWeek; week = week.addDays(7))
        result.weeks << week;

    QMap<QString, QList<int>> byVersion;
    QHash<QString, int> totals;
    for (const FiledPackage& package : packages) {
        const QDate date = package.report.date;
        if (!date.isValid() || date < firstWeek)
            continue;
        QList<int>& counts = byVersion[versionOf(package)];
        counts.resize(result.weeks.size());
        ++counts[int(firstWeek.daysTo(mondayOf(date)) / 7)];
        ++totals[versionOf(package)];
    }
    QStringList versions = byVersion.keys();
    std::stable_sort(versions.begin(), versions.end(), [&](const QString& a, const QString& b) {
        return totals.value(a) > totals.value(b);
    });
    QList<int> others(result.weeks.size());
    for (qsizetype index = 0; index < versions.size(); ++index) {
        const QList<int>& counts = byVersion.value(versions.at(index));
        if (index < maximumVersions - 1 || versions.size() <= maximumVersions) {
            result.versions << versions.at(index);
            result.counts << counts;
            continue;
        }
        for (qsizetype week = 0; week < counts.size(); ++week)
            others[week] += counts.at(week);
    }
    if (versions.size() > maximumVersions) {
        result.versions << otherVersions;
        result.counts << others;
    }
    return result;
}
