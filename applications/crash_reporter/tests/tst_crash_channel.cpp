#include "channel/crash_channel.h"
#include "crash_channel_writer.h"
#include "diagnostics/log.h"
#include "wire_bytes.h"

#include <QBuffer>
#include <QDataStream>
#include <QProcess>
#include <QSharedMemory>
#include <QTest>

namespace {

// Record fields as plain values, so that table rows stay short.
struct Expected {
    bool present = false;
    QByteArray version; // four bytes
    int model = -1;     // -1: absent
    QString serial;
    int theme = 0;
    QString extra;
    qint64 delay = -1; // -1: absent
};

// 6.4.1 beta 2, model 0, serial "AB", theme 2 (light), extra "/x", delay 1/1 x 30.
constexpr char FullRecord[] = "01 | 06 04 01 82 | 01 00 | 00000004 0041 0042 | 02 |"
                              "00000004 002f 0078 | 01 0000000000000001 0000000000000001 "
                              "000000000000001e";

void verifyRecord(const std::optional<CrashRecord>& record, const Expected& expected)
{
    QCOMPARE(record.has_value(), expected.present);
    if (!record)
        return;
    const Orrery::Version& v = record->version;
    const char bytes[] = {char(v.major), char(v.minor), char(v.patch), char(v.build)};
    QCOMPARE(QByteArray(bytes, 4), expected.version);
    QCOMPARE(record->productModel.has_value(), expected.model >= 0);
    if (record->productModel)
        QCOMPARE(int(*record->productModel), expected.model);
    QCOMPARE(record->serialNumber, expected.serial);
    QCOMPARE(int(record->themeMode), expected.theme);
    QCOMPARE(record->extraFilePath, expected.extra);
    QCOMPARE(record->autoActionDelay.has_value(), expected.delay >= 0);
    if (record->autoActionDelay)
        QCOMPARE(record->autoActionDelay->count(), expected.delay);
}

std::vector<std::pair<std::int32_t, std::string>> logged;

void collectingSink(std::int32_t code, std::int64_t, const char* text, void*)
{
    logged.emplace_back(code, text);
}

QString simulatorPath()
{
    return qEnvironmentVariable("Q5_BIN_DIR") + "/q5-controller-sim";
}

} // namespace

Q_DECLARE_METATYPE(Expected)

class TestCrashChannel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keys_data()
    {
        QTest::addColumn<InstanceNumber>("instance");
        QTest::addColumn<QString>("key");
        QTest::newRow("none") << InstanceNumber{} << "VarnelQ5SM";
        QTest::newRow("42") << InstanceNumber{42} << "VarnelQ5SM_42";
        QTest::newRow("-7") << InstanceNumber{-7} << "VarnelQ5SM_-7";
        QTest::newRow("0") << InstanceNumber{0} << "VarnelQ5SM_0";
    }

    void keys()
    {
        QFETCH(InstanceNumber, instance);
        QFETCH(QString, key);
        QCOMPARE(crashChannelMemory(instance)->key(), key);
        QCOMPARE(crashChannelKeyFor(instance), key);
    }

    void oneMemoryObjectPerInstance()
    {
        QSharedMemory* first = crashChannelMemory(42);
        QCOMPARE(crashChannelMemory(42), first);
        QVERIFY(crashChannelMemory(std::nullopt) != first);
        QVERIFY(crashChannelMemory(43) != first);
    }

    void readsHandBuiltBlocks_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Expected>("expected");

        const QByteArray beta = wire("06 04 01 82");
        QTest::newRow("beta version, delay 30 s")
            << wire(FullRecord) << Expected{true, beta, 0, "AB", 2, "/x", 30};
        QTest::newRow("trailing bytes ignored")
            << wire(FullRecord) + wire("de ad be ef") << Expected{true, beta, 0, "AB", 2, "/x", 30};
        QTest::newRow("no product model")
            << wire("01 | 06 04 00 00 | 00 | 00000002 0053 | 01 | ffffffff | 00")
            << Expected{true, wire("06 04 00 00"), -1, "S", 1, "", -1};
        QTest::newRow("model 5, no delay")
            << wire("01 | 06 04 00 00 | 01 05 | 00000000 | 01 | 00000000 | 00")
            << Expected{true, wire("06 04 00 00"), 5, "", 1, "", -1};
        QTest::newRow("delay in milliseconds")
            << wire("01 | 06 04 00 00 | 01 00 | ffffffff | 01 | ffffffff | 01 | "
                    "0000000000000001 00000000000003e8 0000000000001388")
            << Expected{true, wire("06 04 00 00"), 0, "", 1, "", 0};
        QTest::newRow("delay zero seconds")
            << wire("01 | 01 02 03 00 | 00 | ffffffff | 00 | ffffffff | 01 | "
                    "0000000000000001 0000000000000001 0000000000000000")
            << Expected{true, wire("01 02 03 00"), -1, "", 0, "", 0};
        QTest::newRow("empty block") << QByteArray() << Expected{};
        QTest::newRow("first byte 0") << wire("00 06 04 00 00") << Expected{};
        QTest::newRow("truncated after version")
            << wire("01 06 04 00 00") << Expected{true, wire("06 04 00 00"), -1, "", 0, "", -1};
        QTest::newRow("truncated inside serial")
            << wire("01 | 06 04 00 00 | 00 | 00000008 0041")
            << Expected{true, wire("06 04 00 00"), -1, "", 0, "", -1};
        QTest::newRow("unknown theme value")
            << wire("01 | 06 04 00 00 | 00 | ffffffff | 07 | ffffffff | 00")
            << Expected{true, wire("06 04 00 00"), -1, "", 0, "", -1};
        QTest::newRow("huge string length")
            << wire("01 | 06 04 00 00 | 00 | 7ffffffe 0041")
            << Expected{true, wire("06 04 00 00"), -1, "", 0, "", -1};
    }

    void readsHandBuiltBlocks()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Expected, expected);
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QDataStream stream(&buffer);
        std::optional<CrashRecord> record = CrashRecord{};
        readCrashRecordFrom(stream, record);
        verifyRecord(record, expected);
    }

    // The simulator's writer against bytes typed in from the wire table.
    void writerProducesWireBytes()
    {
        SimulatedCrashRecord record;
        record.version = {6, 4, 1, 0x82};
        record.productModel = 0;
        record.serialNumber = "AB";
        record.themeMode = 2;
        record.extraFilePath = "/x";
        record.delay = SimulatedCrashRecord::Delay{1, 1, 30};
        QCOMPARE(serializeCrashRecord(record).toHex(), wire(FullRecord).toHex());

        record.productModel.reset();
        record.delay = SimulatedCrashRecord::Delay{1, 1000, 5000};
        QCOMPARE(serializeCrashRecord(record).toHex(),
                 wire("01 | 06 04 01 82 | 00 | 00000004 0041 0042 | 02 | 00000004 002f 0078 | 01 "
                      "0000000000000001 00000000000003e8 0000000000001388")
                     .toHex());

        SimulatedCrashRecord absent;
        absent.present = false;
        QCOMPARE(serializeCrashRecord(absent).toHex(), QByteArray("00"));
    }

    void readsBlockWrittenByAnotherProcess_data()
    {
        QTest::addColumn<InstanceNumber>("instance");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Expected>("expected");

        QTest::newRow("no instance, beta, model 3")
            << InstanceNumber{}
            << QStringList{"--controller-version",
                           "6.4.1.0x82",
                           "--model",
                           "3",
                           "--serial",
                           "SN-1",
                           "--theme",
                           "2",
                           "--delay",
                           "30"}
            << Expected{true, wire("06 04 01 82"), 3, "SN-1", 2, "", 30};
        QTest::newRow("instance 42, no model, ms delay")
            << InstanceNumber{42} << QStringList{"--no-model",   "--serial",       "Ünï",
                                                 "--extra-file", "/tmp/extra.log", "--delay",
                                                 "5000",         "--delay-period", "1/1000"}
            << Expected{true, wire("06 04 00 00"), -1, "Ünï", 1, "/tmp/extra.log", 0};
        QTest::newRow("instance -7, no record")
            << InstanceNumber{-7} << QStringList{"--no-record"} << Expected{};
        QTest::newRow("large block, no delay")
            << InstanceNumber{9} << QStringList{"--block-size", "65536", "--serial", "X"}
            << Expected{true, wire("06 04 00 00"), 0, "X", 1, "", -1};
    }

    void readsBlockWrittenByAnotherProcess()
    {
        QFETCH(InstanceNumber, instance);
        QFETCH(QStringList, arguments);
        QFETCH(Expected, expected);

        QProcess simulator;
        QStringList allArguments = arguments << "--hold"
                                             << "--skip-data-file";
        if (instance)
            allArguments << "--instance" << QString::number(*instance);
        simulator.start(simulatorPath(), allArguments);
        QVERIFY2(simulator.waitForStarted(), qPrintable(simulator.errorString()));
        QByteArray output;
        while (!output.contains("ready\n") && simulator.waitForReadyRead(10000))
            output += simulator.readAllStandardOutput();
        QVERIFY2(output.contains("ready\n"), output + simulator.readAllStandardError());

        const std::optional<CrashRecord> record = readCrashRecord(instance);
        QVERIFY(crashChannelMemory(instance)->isAttached());
        // A second read uses the same attachment.
        const std::optional<CrashRecord> again = readCrashRecord(instance);

        simulator.closeWriteChannel();
        QVERIFY(simulator.waitForFinished(10000));
        QCOMPARE(simulator.exitCode(), 0);

        verifyRecord(record, expected);
        verifyRecord(again, expected);
    }

    void attachFailureLogsAndGivesNoRecord()
    {
        logged.clear();
        Orrery::addLogSink(collectingSink, nullptr);
        const std::optional<CrashRecord> record = readCrashRecord(987654321);
        Orrery::removeLogSink(collectingSink);

        QVERIFY(!record);
        QCOMPARE(logged.size(), 1u);
        QCOMPARE(logged[0].first, 131);
        const QString text = QString::fromStdString(logged[0].second);
        QVERIFY2(
            text.startsWith("Failed to attach to shared memory (key: \"VarnelQ5SM_987654321\", "
                            "error: \""),
            qPrintable(text));
        QVERIFY(text.endsWith("\")\n"));
        QVERIFY(text.size() > 80);
    }
};

QTEST_GUILESS_MAIN(TestCrashChannel)
#include "tst_crash_channel.moc"
