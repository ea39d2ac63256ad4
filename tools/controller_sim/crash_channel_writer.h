#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

// The controller's side of the crash channel. Fields hold wire values as they are, so that a
// test or an integrator can also write what a correct reporter must cope with (another delay
// period, an unknown theme value, no record at all).
struct SimulatedCrashRecord {
    struct Delay {
        qint64 numerator = 1;
        qint64 denominator = 1;
        qint64 count = 0;
    };

    bool present = true;
    std::array<std::uint8_t, 4> version{6, 4, 0, 0};
    std::optional<qint8> productModel = qint8{0};
    QString serialNumber;
    qint8 themeMode = 1;
    QString extraFilePath;
    std::optional<Delay> delay;
};

struct SimulatedCrashData {
    QString dumpFilePath;
    QDateTime crashTime;
    QStringList outputLog;
};

QByteArray serializeCrashRecord(const SimulatedCrashRecord& record);
QByteArray serializeCrashData(const SimulatedCrashData& data);

// The block key for an instance number, as the reporter derives it.
QString crashChannelKeyFor(const std::optional<qint64>& instance);
