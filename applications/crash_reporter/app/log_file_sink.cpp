#include "log_file_sink.h"

#include "orrery_core/diagnostics/log.h"

#include <QtGlobal>

#include <cstring>
#include <ctime>

namespace {

constexpr char EnvironmentVariable[] = "Q5_CRASH_REPORTER_LOG";

} // namespace

LogFileSink::LogFileSink()
{
    const QByteArray target = qgetenv(EnvironmentVariable);
    if (target.isEmpty())
        return;
    if (target == "-") {
        m_file = stderr;
    } else {
        m_file = std::fopen(target.constData(), "a");
        m_ownsFile = m_file != nullptr;
    }
    if (m_file != nullptr)
        Orrery::addLogSink(&LogFileSink::write, this);
}

LogFileSink::~LogFileSink()
{
    if (m_file == nullptr)
        return;
    Orrery::removeLogSink(&LogFileSink::write);
    if (m_ownsFile)
        std::fclose(m_file);
}

// Runs under the log registry's lock, so it must not log itself. The C library formats the
// time: on the way out after the display died, Qt's globals are already gone.
void LogFileSink::write(std::int32_t code, std::int64_t time, const char* text, void* context)
{
    auto* sink = static_cast<LogFileSink*>(context);
    const std::time_t seconds = std::time_t(time);
    char stamp[32] = "";
    // The registry's lock keeps the C library's one broken-down time to this call.
    if (const std::tm* moment = std::gmtime(&seconds))
        std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", moment);
    const std::size_t length = std::strlen(text);
    const char* lineEnd = (length > 0 && text[length - 1] == '\n') ? "" : "\n";
    std::fprintf(sink->m_file, "%s %d %s%s", stamp, int(code), text, lineEnd);
    std::fflush(sink->m_file);
}
