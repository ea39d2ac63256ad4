// libFuzzer target: any bytes as a crash package. Reading never crashes, leaks or takes more
// memory than the fuzzer's limit, and gives either a package or the reason it is none.
#include "package_format/package_reader.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const PackageReading reading = readPackage(buffer);
    if (reading.package.has_value() == !reading.problem.isEmpty())
        std::abort();
    return 0;
}
