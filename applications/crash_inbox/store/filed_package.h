#pragma once

#include "package_reader.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// A package as the inbox knows it: where it was found, its content's hash, its report and its
// entries, and for one that came by e-mail its sender and date.
struct FiledPackage {
    qint64 id = 0; // 0: not filed
    QByteArray sha256;
    QString file;
    qint64 fileSize = 0;
    ReportDocument report;
    QList<PackageEntry> entries;
    QString mailSender;
    QDateTime mailDate;
};

// The crashes of one device and version.
struct CrashGroup {
    std::optional<QString> device;
    std::optional<QString> version;
    int count = 0;
    QStringList serials;
    QDateTime first;
    QDateTime last;
};

// The packages to list: all that match every filter given.
struct PackageFilter {
    QString search; // words in the comments or the output log
    QString device;
    QString version;
    QString serial;
    // Only the crashes of this group's device and version; absent values match absent ones.
    std::optional<CrashGroup> group;
};
