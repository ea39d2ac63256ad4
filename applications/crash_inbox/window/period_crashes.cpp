#include "period_crashes.h"

#include <QHash>
#include <QMap>

#include <algorithm>

namespace {

QDate startOf(const QDate& date, CrashPeriod period)
{
    return period == CrashPeriod::Week ? date.addDays(1 - date.dayOfWeek())
                                       : QDate(date.year(), date.month(), 1);
}

QDate after(const QDate& start, CrashPeriod period, int count = 1)
{
    return period == CrashPeriod::Week ? start.addDays(7 * count) : start.addMonths(count);
}

// The number of periods from `first` to the one that holds `date`.
int periodsBetween(const QDate& first, const QDate& date, CrashPeriod period)
{
    const QDate start = startOf(date, period);
    if (period == CrashPeriod::Week)
        return int(first.daysTo(start) / 7);
    return (start.year() - first.year()) * 12 + start.month() - first.month();
}

} // namespace

PeriodCrashes crashesPerPeriod(const QList<DayCrashes>& days, int maximumPeriods,
                               int maximumVersions, const QString& otherVersions,
                               CrashPeriod period)
{
    PeriodCrashes result;
    QDate latest;
    for (const DayCrashes& day : days) {
        if (day.day.isValid() && (!latest.isValid() || day.day > latest))
            latest = day.day;
    }
    if (!latest.isValid() || maximumPeriods < 1)
        return result;
    const QDate last = startOf(latest, period);
    QDate first = after(last, period, -(maximumPeriods - 1));
    QDate earliest = last;
    for (const DayCrashes& day : days) {
        const QDate date = day.day;
        if (date.isValid() && date >= first && date < earliest)
            earliest = date;
    }
    first = startOf(earliest, period);
    for (QDate start = first; start <= last; start = after(start, period))
        result.periods << start;

    QMap<QString, QList<int>> byVersion;
    QHash<QString, int> totals;
    for (const DayCrashes& day : days) {
        const QDate date = day.day;
        if (!date.isValid() || date < first)
            continue;
        QList<int>& counts = byVersion[day.version];
        counts.resize(result.periods.size());
        counts[periodsBetween(first, date, period)] += day.count;
        totals[day.version] += day.count;
    }
    QStringList versions = byVersion.keys();
    std::stable_sort(versions.begin(), versions.end(), [&](const QString& a, const QString& b) {
        return totals.value(a) > totals.value(b);
    });
    QList<int> others(result.periods.size());
    for (qsizetype index = 0; index < versions.size(); ++index) {
        const QList<int>& counts = byVersion.value(versions.at(index));
        if (index < maximumVersions - 1 || versions.size() <= maximumVersions) {
            result.versions << versions.at(index);
            result.counts << counts;
            continue;
        }
        for (qsizetype at = 0; at < counts.size(); ++at)
            others[at] += counts.at(at);
    }
    if (versions.size() > maximumVersions) {
        result.versions << otherVersions;
        result.counts << others;
    }
    return result;
}
