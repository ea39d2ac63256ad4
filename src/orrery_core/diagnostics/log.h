#pragma once

#include <QtGlobal>

#include <cstdint>

namespace Orrery {

// Receives every delivered log line: code, seconds since 1970-01-01 UTC, text, context.
using LogSink = void (*)(std::int32_t code, std::int64_t time, const char* text, void* context);

// Code of a line logged with log() at level 0.
inline constexpr std::int32_t LogLevelBaseCode = 104;

// The level of a program's progress lines: "Crash reporter launched", "Restarting Q5".
inline constexpr int ProgressLevel = 0;

// Formats printf-style and delivers the text with code 104 + level to every sink.
void log(int level, const char* format, ...) Q_ATTRIBUTE_FORMAT_PRINTF(2, 3);

// As log(), but with the code unchanged and the text always ending in a line feed.
void logLine(std::int32_t code, const char* format, ...) Q_ATTRIBUTE_FORMAT_PRINTF(2, 3);

// Registers a sink, or replaces the context of one already registered. Sinks are called in
// ascending order of their callback address; a sink must not log itself.
void addLogSink(LogSink sink, void* context);
void removeLogSink(LogSink sink);

} // namespace Orrery
