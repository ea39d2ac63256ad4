#pragma once

#include "minidump_writer.h"

#include <QString>

// Writes a minidump of the simulated crash, padded to `size` bytes with process memory of zero
// pages, repeated structures and random bytes, so that compression sees realistic input; a
// size below the minidump's own cuts it short. Same seed, same bytes.
bool generateDumpFile(const QString& path, qint64 size, const SimulatedCrashSite& site = {},
                      quint32 seed = 5);
