#include "log.h"

#include "debug_print.h"

#include <cstdarg>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <mutex>

namespace Orrery {
namespace {

struct SinkRegistry {
    std::mutex mutex;
    std::map<LogSink, void*, std::less<>> sinks;
};

SinkRegistry& sinkRegistry()
{
    static SinkRegistry registry;
    return registry;
}

void dispatch(std::int32_t code, const char* text)
{
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    SinkRegistry& registry = sinkRegistry();
    const std::lock_guard lock(registry.mutex);
    for (const auto& [sink, context] : registry.sinks)
        sink(code, now, text, context);
}

void endWithLineFeed(char* text)
{
    const std::size_t length = std::strlen(text);
    if (length == 0 || text[length - 1] == '\n')
        return;
    if (length < FormatBufferSize - 1) {
        text[length] = '\n';
        text[length + 1] = '\0';
    } else {
        text[FormatBufferSize - 2] = '\n';
    }
}

} // namespace

void log(int level, const char* format, ...)
{
    char buffer[FormatBufferSize];
    va_list arguments;
    va_start(arguments, format);
    const bool formatted = formatText(buffer, format, arguments);
    va_end(arguments);
    if (formatted)
        dispatch(LogLevelBaseCode + level, buffer);
}

void logLine(std::int32_t code, const char* format, ...)
{
    char buffer[FormatBufferSize];
    va_list arguments;
    va_start(arguments, format);
    const bool formatted = formatText(buffer, format, arguments);
    va_end(arguments);
    if (!formatted)
        return;
    endWithLineFeed(buffer);
    dispatch(code, buffer);
}

void addLogSink(LogSink sink, void* context)
{
    if (sink == nullptr)
        return;
    SinkRegistry& registry = sinkRegistry();
    const std::lock_guard lock(registry.mutex);
    registry.sinks[sink] = context;
}

void removeLogSink(LogSink sink)
{
    SinkRegistry& registry = sinkRegistry();
    const std::lock_guard lock(registry.mutex);
    registry.sinks.erase(sink);
}

} // namespace Orrery
