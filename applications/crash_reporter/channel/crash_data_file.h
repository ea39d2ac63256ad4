#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

class QDataStream;

// The crash data file the controller leaves beside the shared-memory record.
struct CrashData {
    QString dumpFilePath;
    QDateTime crashTime;
    QStringList outputLog;
};

// Reads as much as the stream holds; fields that could not be read stay as they were. The
// output log is taken only when it was read completely. True when all three were read.
bool readCrashDataFrom(QDataStream& stream, CrashData& data);

// Reads a regular file (a link to one is followed) that opens; true only when it held all
// three fields, so that it may be taken for a crash data file.
bool readCrashDataFile(const QString& path, CrashData& data);
