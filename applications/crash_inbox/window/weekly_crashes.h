#pragma once

#include "crash_inbox/store/filed_package.h"

#include <QDate>
#include <QList>
#include <QStringList>

// Crashes counted per calendar week (from Monday) and version, over the latest weeks that
// have crashes; the versions with most crashes first, the rest together as "other".
struct WeeklyCrashes {
    QList<QDate> weeks; // their Mondays, oldest first
    QStringList versions;
    QList<QList<int>> counts; // per version, per week
};

WeeklyCrashes weeklyCrashes(const QList<FiledPackage>& packages, int maximumWeeks,
                            int maximumVersions, const QString& otherVersions);
