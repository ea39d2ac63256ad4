#pragma once

#include "crash_analysis/crash_summary.h"

#include <QByteArray>

// How the parts of a crash that are never searched are kept: as bytes of a versioned form, the
// larger ones compressed. A form this program does not know reads as none.
namespace CrashEncoding {

QByteArray encodeThread(const CrashAnalysis::CrashingThread& thread);
std::optional<CrashAnalysis::CrashingThread> decodeThread(const QByteArray& bytes);

QByteArray encodeModules(const QList<CrashAnalysis::DumpModule>& modules);
std::optional<QList<CrashAnalysis::DumpModule>> decodeModules(const QByteArray& bytes);

QByteArray encodeFrames(const QList<CrashAnalysis::CrashFrame>& frames);
std::optional<QList<CrashAnalysis::CrashFrame>> decodeFrames(const QByteArray& bytes);

} // namespace CrashEncoding
