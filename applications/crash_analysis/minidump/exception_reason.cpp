#include "exception_reason.h"

namespace CrashAnalysis {

namespace {

struct CodeName {
    quint32 code;
    const char* name;
};

constexpr quint32 AccessViolation = 0xc0000005;
constexpr quint32 InPageError = 0xc0000006;

constexpr CodeName WindowsCodes[] = {
    {0x80000001, "EXCEPTION_GUARD_PAGE"},
    {0x80000002, "EXCEPTION_DATATYPE_MISALIGNMENT"},
    {0x80000003, "EXCEPTION_BREAKPOINT"},
    {0x80000004, "EXCEPTION_SINGLE_STEP"},
    {0xc0000008, "EXCEPTION_INVALID_HANDLE"},
    {0xc000001d, "EXCEPTION_ILLEGAL_INSTRUCTION"},
    {0xc0000025, "EXCEPTION_NONCONTINUABLE_EXCEPTION"},
    {0xc0000026, "EXCEPTION_INVALID_DISPOSITION"},
    {0xc000008c, "EXCEPTION_ARRAY_BOUNDS_EXCEEDED"},
    {0xc000008d, "EXCEPTION_FLT_DENORMAL_OPERAND"},
    {0xc000008e, "EXCEPTION_FLT_DIVIDE_BY_ZERO"},
    {0xc000008f, "EXCEPTION_FLT_INEXACT_RESULT"},
    {0xc0000090, "EXCEPTION_FLT_INVALID_OPERATION"},
    {0xc0000091, "EXCEPTION_FLT_OVERFLOW"},
    {0xc0000092, "EXCEPTION_FLT_STACK_CHECK"},
    {0xc0000093, "EXCEPTION_FLT_UNDERFLOW"},
    {0xc0000094, "EXCEPTION_INT_DIVIDE_BY_ZERO"},
    {0xc0000095, "EXCEPTION_INT_OVERFLOW"},
    {0xc0000096, "EXCEPTION_PRIV_INSTRUCTION"},
    {0xc00000fd, "EXCEPTION_STACK_OVERFLOW"},
    {0xc0000194, "EXCEPTION_POSSIBLE_DEADLOCK"},
    {0xc0000374, "STATUS_HEAP_CORRUPTION"},
    {0xc0000409, "STATUS_STACK_BUFFER_OVERRUN"},
    {0xc0000417, "STATUS_INVALID_CRUNTIME_PARAMETER"},
    {0xc0000420, "STATUS_ASSERTION_FAILURE"},
    {0x40000015, "STATUS_FATAL_APP_EXIT"},
};

constexpr CodeName LinuxSignals[] = {
    {1, "SIGHUP"},   {2, "SIGINT"},   {3, "SIGQUIT"},  {4, "SIGILL"},   {5, "SIGTRAP"},
    {6, "SIGABRT"},  {7, "SIGBUS"},   {8, "SIGFPE"},   {9, "SIGKILL"},  {10, "SIGUSR1"},
    {11, "SIGSEGV"}, {12, "SIGUSR2"}, {13, "SIGPIPE"}, {14, "SIGALRM"}, {15, "SIGTERM"},
    {24, "SIGXCPU"}, {25, "SIGXFSZ"}, {31, "SIGSYS"},
};

template <qsizetype Count>
QString nameIn(const CodeName (&table)[Count], quint32 code)
{
    for (const CodeName& entry : table)
        if (entry.code == code)
            return QString::fromLatin1(entry.name);
    return {};
}

QString hex(quint32 code)
{
    return QStringLiteral("0x") + QString::number(code, 16);
}

// How an access violation touched the memory: its first parameter.
QString accessKind(quint64 parameter)
{
    switch (parameter) {
    case 0:
        return QStringLiteral("_READ");
    case 1:
        return QStringLiteral("_WRITE");
    case 8:
        return QStringLiteral("_EXEC");
    default:
        return {};
    }
}

ExceptionReason windowsReason(const ExceptionRecord& exception)
{
    if (exception.code == AccessViolation || exception.code == InPageError) {
        const QString base = exception.code == AccessViolation
                                 ? QStringLiteral("EXCEPTION_ACCESS_VIOLATION")
                                 : QStringLiteral("EXCEPTION_IN_PAGE_ERROR");
        if (exception.parameters.size() < 2)
            return {base, exception.address};
        return {base + accessKind(exception.parameters.at(0)), exception.parameters.at(1)};
    }
    const QString name = nameIn(WindowsCodes, exception.code);
    return {name.isEmpty() ? hex(exception.code) : name, exception.address};
}

} // namespace

ExceptionReason exceptionReason(DumpSystem system, const ExceptionRecord& exception)
{
    switch (system) {
    case DumpSystem::Windows:
        return windowsReason(exception);
    case DumpSystem::Linux: {
        // Linux writers put the signal's fault address where Windows puts the exception's.
        const QString name = nameIn(LinuxSignals, exception.code);
        return {name.isEmpty() ? hex(exception.code) : name, exception.address};
    }
    case DumpSystem::Other:
        break;
    }
    return {hex(exception.code), exception.address};
}

} // namespace CrashAnalysis
