#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace CrashAnalysis {

enum class DumpSystem { Windows, Linux, Other };

struct ExceptionRecord {
    quint32 code = 0;
    quint64 address = 0; // where it happened
    QList<quint64> parameters;
};

struct ExceptionReason {
    QString name;
    quint64 address = 0; // the data address of an access violation, else where it happened
};

// Names as crash tools print them: Windows' exception names (an access violation with how the
// memory was touched), Linux signals, else the code in hex.
ExceptionReason exceptionReason(DumpSystem system, const ExceptionRecord& exception);

} // namespace CrashAnalysis
