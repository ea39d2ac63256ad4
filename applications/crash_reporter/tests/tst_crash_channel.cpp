#include "controller_sim/crash_channel_writer.h"
#include "crash_reporter/channel/crash_channel.h"
#include "crash_reporter/channel/crash_data_file.h"
#include "test_support.h"

#include <QDataStream>
#include <QProcess>
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

// Crash data file head: "/d/x.dmp", 2026-12-05 20:53:47 UTC.
constexpr char PathAndTime[] = "00000010 002f 0064 002f 0078 002e 0064 006d 0070 |"
                               "0000000000258ec4 047bdf78 01";

void verifyRecord(const std::optional<CrashRecord>& record, const Expected& expected)
{
    QCOMPARE(record.has_value(), expected.present);
    if (!record)
        return;
    const Orrery::Version& v = record->version;
    const char bytes[] = {char(v.major), char(v.minor), char(v.patch), char(v.build)};
    QCOMPARE(QByteArray(bytes, 4), expected.version);
    QCOMPARE(record->productModel ? int(*record->productModel) : -1, expected.model);
    QCOMPARE(record->serialNumber, expected.serial);
    QCOMPARE(int(record->themeMode), expected.theme);
    QCOMPARE(record->extraFilePath, expected.extra);
    QCOMPARE(record->autoActionDelay ? record->autoActionDelay->count() : -1, expected.delay);
}

} // namespace

Q_DECLARE_METATYPE(Expected)

class TestCrashChannel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsHandBuiltBlocks_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Expected>("expected");
        const QByteArray v640 = wire("06 04 00 00");
        QTest::newRow("beta version, delay 30 s, trailing bytes")
            << wire(FullRecord) + wire("de ad")
            << Expected{true, wire("06 04 01 82"), 0, "AB", 2, "/x", 30};
        QTest::newRow("no model, null strings, no delay")
            << wire("01 | 06 04 00 00 | 00 | 00000002 0053 | 01 | ffffffff | 00")
            << Expected{true, v640, -1, "S", 1, "", -1};
        QTest::newRow("5000 ms is 0 s")
            << wire("01 | 06 04 00 00 | 01 05 | ffffffff | 01 | ffffffff | 01 | "
                    "0000000000000001 00000000000003e8 0000000000001388")
            << Expected{true, v640, 5, "", 1, "", 0};
        QTest::newRow("empty block") << QByteArray() << Expected{};
        QTest::newRow("first byte 0") << wire("00 06 04 00 00") << Expected{};
        QTest::newRow("truncated inside serial") << wire("01 | 06 04 00 00 | 00 | 00000008 0041")
                                                 << Expected{true, v640, -1, "", 0, "", -1};
        // Deliberately read as System: an out-of-range enumerator must not travel on.
        QTest::newRow("unknown theme value")
            << wire("01 | 06 04 00 00 | 00 | ffffffff | 07 | ffffffff | 00")
            << Expected{true, v640, -1, "", 0, "", -1};
        QTest::newRow("huge string length") << wire("01 | 06 04 00 00 | 00 | 7ffffffe 0041")
                                            << Expected{true, v640, -1, "", 0, "", -1};
    }

    void readsHandBuiltBlocks()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Expected, expected);
        QDataStream stream(bytes);
        std::optional<CrashRecord> record = CrashRecord{};
        readCrashRecordFrom(stream, record);
        verifyRecord(record, expected);
    }

    // The simulator's writer (which the process tests rely on) against the typed-in bytes.
    void writerProducesWireBytes()
    {
        SimulatedCrashRecord record;
        record.version = {6, 4, 1, 0x82};
        record.serialNumber = "AB";
        record.themeMode = 2;
        record.extraFilePath = "/x";
        record.delay = SimulatedCrashRecord::Delay{1, 1, 30};
        QCOMPARE(serializeCrashRecord(record).toHex(), wire(FullRecord).toHex());
        const SimulatedCrashData data{
            "/d/x.dmp", QDateTime(QDate(2026, 12, 5), QTime(20, 53, 47), Qt::UTC), {"z"}};
        QCOMPARE(serializeCrashData(data).toHex(),
                 (wire(PathAndTime) + wire("00000001 00000002 007a")).toHex());
    }

    void readsHandBuiltDataFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("dumpPath");
        QTest::addColumn<bool>("timeRead");
        QTest::addColumn<QStringList>("log");
        const QByteArray head = wire(PathAndTime);
        QTest::newRow("complete") << head + wire("00000002 | 00000002 0061 | 00000004 0062 0063")
                                  << "/d/x.dmp" << true << QStringList{"a", "bc"};
        QTest::newRow("list shorter than its count")
            << head + wire("00000003 | 00000002 0061") << "/d/x.dmp" << true << QStringList{};
        QTest::newRow("count claims two billion")
            << head + wire("7fffffff 00000002 0061") << "/d/x.dmp" << true << QStringList{};
        QTest::newRow("path only") << wire("00000002 0061") << "a" << false << QStringList{};
        QTest::newRow("empty file") << QByteArray() << "" << false << QStringList{};
    }

    void readsHandBuiltDataFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, dumpPath);
        QFETCH(bool, timeRead);
        QFETCH(QStringList, log);
        QDataStream stream(bytes);
        CrashData data;
        readCrashDataFrom(stream, data);
        QCOMPARE(data.dumpFilePath, dumpPath);
        QCOMPARE(data.crashTime, timeRead
                                     ? QDateTime(QDate(2026, 12, 5), QTime(20, 53, 47), Qt::UTC)
                                     : QDateTime());
        QCOMPARE(data.outputLog, log);
    }

    // Through a real shared-memory block that another process holds, twice over one attachment.
    void readsBlockWrittenByAnotherProcess()
    {
        QProcess simulator;
        simulator.start(qEnvironmentVariable("Q5_BIN_DIR") + "/q5-controller-sim",
                        QString("--controller-version 6.4.1.0x82 --model 3 --serial Ünï --theme 2 "
                                "--delay 30 --block-size 65536 --hold --skip-data-file")
                            .split(' '));
        QByteArray output;
        while (!output.contains("ready\n") && simulator.waitForReadyRead(10000))
            output += simulator.readAllStandardOutput();
        QVERIFY2(output.contains("ready\n"), output + simulator.readAllStandardError());
        const Expected expected{true, wire("06 04 01 82"), 3, "Ünï", 2, "", 30};
        verifyRecord(readCrashRecord(std::nullopt), expected);
        verifyRecord(readCrashRecord(std::nullopt), expected);
        simulator.closeWriteChannel();
        QVERIFY(simulator.waitForFinished(10000));
    }
};

QTEST_GUILESS_MAIN(TestCrashChannel)
#include "tst_crash_channel.moc"
