#pragma once

#include "crash_channel_writer.h"
#include "minidump_writer.h"

#include <QString>
#include <QStringList>

#include <optional>

class QCoreApplication;

struct SimulatorOptions {
    SimulatedCrashRecord record;
    SimulatedCrashData data;
    std::optional<qint64> instance;
    qsizetype blockSize = 0;
    QString dataFilePath;
    bool writeDataFile = true;
    qint64 dumpSize = -1;
    SimulatedCrashSite crashSite;
    QString reporterPath;
    QStringList reporterArguments;
    bool hold = false;
    int timeoutSeconds = 0;
};

// Parses the command line; on a usage error prints it and returns nothing.
std::optional<SimulatorOptions> parseSimulatorOptions(const QCoreApplication& application);
