#pragma once

#include "crash_inbox/store/filed_package.h"

#include <QDate>
#include <QList>
#include <QStringList>

enum class CrashPeriod { Week, Month };

// Crashes counted per calendar week (from Monday) or month and per version, over the latest
// periods that have crashes; the versions with most crashes first, the rest together as
// "other".
struct PeriodCrashes {
    QList<QDate> periods; // their first days, oldest first
    QStringList versions;
    QList<QList<int>> counts; // per version, per period
};

PeriodCrashes crashesPerPeriod(const QList<DayCrashes>& days, int maximumPeriods,
                               int maximumVersions, const QString& otherVersions,
                               CrashPeriod period = CrashPeriod::Week);
