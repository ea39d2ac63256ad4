#include "crash_reporter/channel/platform/record_block.h"

#include <QSharedMemory>

namespace CrashReporter::Platform {

// Windows keeps named objects per session: another user's session cannot make or hold the
// block and its lock under our names. Qt's lock takes no time limit.
RecordBlock readRecordBlock(QSharedMemory& memory, std::chrono::milliseconds, qsizetype limit)
{
    if (!memory.isAttached() && !memory.attach(QSharedMemory::ReadWrite))
        return {RecordBlock::Status::Absent, {}, memory.errorString()};
    if (!memory.lock())
        return {RecordBlock::Status::Failed, {}, memory.errorString()};
    const QByteArray bytes(static_cast<const char*>(memory.constData()),
                           std::min(memory.size(), limit));
    memory.unlock();
    return {RecordBlock::Status::Read, bytes, {}};
}

} // namespace CrashReporter::Platform
