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
// output log is taken only when it was read completely.
void readCrashDataFrom(QDataStream& stream, CrashData& data);

// Reads the file when it opens; returns whether it did.
bool readCrashDataFile(const QString& path, CrashData& data);
