// libFuzzer target: any upload queue index must read without a crash, and never yields more
// packages than the cap.
#include "crash_reporter/upload/upload_queue.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto packages = parseUploadQueue(text, 5);
    if (packages && packages->size() > 5)
        std::abort();
    // What was read is written back the same way.
    if (packages && parseUploadQueue(uploadQueueText(*packages), 5) != packages)
        std::abort();
    return 0;
}
