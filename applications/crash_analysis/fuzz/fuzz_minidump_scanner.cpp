// libFuzzer target: any bytes as a dump, streamed in chunks of the sizes the input's first byte
// chooses, with a start small enough that streams are found further on. Reading and walking
// the stack never crash, leak or take more memory than the fuzzer's limit, and give facts or the
// reason there are none.
#include "crash_analysis/crash_summary.h"
#include "crash_analysis/minidump/minidump_scanner.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const qsizetype chunk = 1 + data[0] * 17;
    const QByteArrayView dump(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    CrashAnalysis::MinidumpScanner scanner(data[0] & 1 ? 1 : 64 * 1024);
    for (qsizetype at = 0; at < dump.size(); at += chunk)
        scanner.feed(dump.sliced(at, std::min(chunk, dump.size() - at)));
    const CrashAnalysis::MinidumpParse parse = scanner.finish();
    if (parse.facts.has_value() == !parse.problem.isEmpty())
        std::abort();
    if (parse.facts) {
        const auto summary = CrashAnalysis::summariseCrash(*parse.facts, nullptr);
        if (summary.signature.isEmpty() ||
            summary.frames.size() > CrashAnalysis::MaximumFrames)
            std::abort();
    }
    return 0;
}
