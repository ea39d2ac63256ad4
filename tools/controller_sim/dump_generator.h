#pragma once

#include <QString>

// Writes a file that looks like a process dump: a header, zero pages, repeated structures and
// random bytes, so that compression sees realistic input. Same seed, same bytes.
bool generateDumpFile(const QString& path, qint64 size, quint32 seed = 5);
