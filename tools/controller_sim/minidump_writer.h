#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

// Where the simulated controller crashed: a module of its process, an offset into it, and the
// reason as crash tools name it.
struct SimulatedCrashSite {
    QString module = QStringLiteral("q5controller.exe");
    quint64 offset = 0x1a2b3;
    QString reason = QStringLiteral("EXCEPTION_ACCESS_VIOLATION_READ");
    std::array<std::uint8_t, 4> controllerVersion{6, 4, 0, 0};
};

// The modules of the simulated controller's process.
QStringList simulatedModuleNames();

// "MODULE+OFFSET" (offset in hex, with or without 0x) of a simulated module; none else.
std::optional<SimulatedCrashSite> parseCrashSite(const QString& text);
bool isKnownReason(const QString& reason);

// A Windows amd64 minidump of the crash: system, exception, the crashing thread with its context
// and a stack whose frame chain leads through the controller, and the modules with versions and
// CodeView records. `memoryBytes` of process memory follow, as in a full-memory dump.
QByteArray minidumpHead(const SimulatedCrashSite& site, quint64 memoryBytes);
