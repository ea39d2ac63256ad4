#include "crash_channel_writer.h"

#include <QDataStream>
#include <QIODevice>

QByteArray serializeCrashRecord(const SimulatedCrashRecord& record)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << record.present;
    if (!record.present)
        return bytes;

    const auto& v = record.version;
    const quint32 packed =
        (quint32{v[0]} << 24) | (quint32{v[1]} << 16) | (quint32{v[2]} << 8) | quint32{v[3]};
    stream << static_cast<qint32>(packed);
    stream << record.productModel.has_value();
    if (record.productModel)
        stream << *record.productModel;
    stream << record.serialNumber << record.themeMode << record.extraFilePath;
    stream << record.delay.has_value();
    if (record.delay)
        stream << record.delay->numerator << record.delay->denominator << record.delay->count;
    return bytes;
}

QByteArray serializeCrashData(const SimulatedCrashData& data)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << data.dumpFilePath << data.crashTime << data.outputLog;
    return bytes;
}

QString crashChannelKeyFor(const std::optional<qint64>& instance)
{
    QString key = QStringLiteral("VarnelQ5SM");
    if (instance)
        key += QStringLiteral("_%1").arg(*instance);
    return key;
}
