#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

class QSharedMemory;

namespace CrashReporter::Platform {

// What became of reading the crash record's shared-memory block.
struct RecordBlock {
    enum class Status {
        Read,
        Absent, // no block of that key
        NotOwn, // the block or its lock is another user's, or open to others
        Busy,   // its lock stayed taken
        Failed,
    };
    Status status = Status::Failed;
    QByteArray bytes; // the start of the block, at most the limit
    QString detail;   // the system's words, for the debug message
};

// Copies the block of the memory's key under its lock, waiting for the lock at most `wait` and
// taking at most `limit` bytes: never from a block or a lock that another user made or may
// write, and never waiting without end, whatever another user of the machine did first. The
// block stays attached until the process ends.
RecordBlock readRecordBlock(QSharedMemory& memory, std::chrono::milliseconds wait, qsizetype limit);

} // namespace CrashReporter::Platform
