#pragma once

#include <QByteArray>

#include <cstdio>

// Appends every log line to the file named by Q5_CRASH_REPORTER_LOG ("-": standard error) as
// "<UTC yyyy-MM-ddThh:mm:ssZ> <code> <text>". Without the variable nothing is registered.
class LogFileSink
{
public:
    LogFileSink();
    ~LogFileSink();
    LogFileSink(const LogFileSink&) = delete;
    LogFileSink& operator=(const LogFileSink&) = delete;

    bool isActive() const { return m_file != nullptr; }

private:
    static void write(std::int32_t code, std::int64_t time, const char* text, void* context);

    std::FILE* m_file = nullptr;
    bool m_ownsFile = false;
};
