#include "channel/crash_data_file.h"
#include "wire_bytes.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// "/d/x.dmp", 2026-12-05 20:53:47 UTC.
constexpr char PathAndTime[] = "00000010 002f 0064 002f 0078 002e 0064 006d 0070 |"
                               "0000000000258ec4 047bdf78 01";

QDateTime crashTime()
{
    return QDateTime(QDate(2026, 12, 5), QTime(20, 53, 47), Qt::UTC);
}

} // namespace

class TestCrashDataFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsHandBuiltFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("dumpPath");
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QStringList>("log");

        const QByteArray head = wire(PathAndTime);
        QTest::newRow("complete") << head + wire("00000002 | 00000002 0061 | 00000004 0062 0063")
                                  << "/d/x.dmp" << crashTime() << QStringList{"a", "bc"};
        QTest::newRow("empty log")
            << head + wire("00000000") << "/d/x.dmp" << crashTime() << QStringList{};
        QTest::newRow("list shorter than its count")
            << head + wire("00000003 | 00000002 0061 | 00000002 0062") << "/d/x.dmp" << crashTime()
            << QStringList{};
        QTest::newRow("count claims two billion")
            << head + wire("7fffffff 00000002 0061") << "/d/x.dmp" << crashTime() << QStringList{};
        QTest::newRow("negative count")
            << head + wire("ffffffff") << "/d/x.dmp" << crashTime() << QStringList{};
        QTest::newRow("no list") << head << "/d/x.dmp" << crashTime() << QStringList{};
        QTest::newRow("path only") << wire("00000002 0061") << "a" << QDateTime() << QStringList{};
        QTest::newRow("empty file") << QByteArray() << "" << QDateTime() << QStringList{};
    }

    void readsHandBuiltFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, dumpPath);
        QFETCH(QDateTime, time);
        QFETCH(QStringList, log);

        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QDataStream stream(&buffer);
        CrashData data;
        readCrashDataFrom(stream, data);
        QCOMPARE(data.dumpFilePath, dumpPath);
        QCOMPARE(data.crashTime, time);
        QCOMPARE(data.outputLog, log);
    }

    void fileIsDeletedAfterReading()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("crash.dat");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(wire(PathAndTime) + wire("00000001 00000002 007a"));
        file.close();

        CrashData data;
        QVERIFY(readAndRemoveCrashDataFile(path, data));
        QCOMPARE(data.outputLog, QStringList{"z"});
        QVERIFY(!QFile::exists(path));
    }

    void missingFileReadsNothing()
    {
        QTemporaryDir folder;
        CrashData data;
        QVERIFY(!readAndRemoveCrashDataFile(folder.filePath("absent.dat"), data));
        QVERIFY(data.dumpFilePath.isEmpty());
        QVERIFY(data.crashTime.isNull());
    }
};

QTEST_GUILESS_MAIN(TestCrashDataFile)
#include "tst_crash_data_file.moc"
