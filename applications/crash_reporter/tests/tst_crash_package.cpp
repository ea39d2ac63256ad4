#include "package/crash_package.h"
#include "package/package_job.h"
#include "test_support.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

class TestCrashPackage : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    QByteArray m_dump = randomBytes(300000, 11);
    QStringList m_log{"first line", "second line"};

    CrashPackageContents contents(const QString& extraPath = {}) const
    {
        CrashRecord record;
        record.serialNumber = "SN-9";
        record.extraFilePath = extraPath;
        return {m_folder.filePath("controller.dmp"),
                QDateTime(QDate(2026, 12, 5), QTime(20, 53, 47)), record, m_log, "my comments"};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(writeFile(m_folder.filePath("controller.dmp"), m_dump));
        QVERIFY(writeFile(m_folder.filePath("settings.ini"), "extra settings\n"));
        QCOMPARE(::mkfifo(qPrintable(m_folder.filePath("fifo")), 0600), 0);
    }

    // The extra file is optional: whatever keeps it from being read, the dump and the report
    // are still packed.
    void extraFiles_data()
    {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<QStringList>("entries");
        const QStringList mandatory = {"controller.dmp", "report.xml"};
        QTest::newRow("readable") << m_folder.filePath("settings.ini")
                                  << mandatory + QStringList{"settings.ini"};
        QTest::newRow("missing") << m_folder.filePath("absent.ini") << mandatory;
        QTest::newRow("a FIFO nobody writes") << m_folder.filePath("fifo") << mandatory;
    }

    void extraFiles()
    {
        QFETCH(QString, extra);
        QFETCH(QStringList, entries);
        const QString target = m_folder.filePath("with-extra.cdp");
        if (extra.endsWith("fifo"))
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Error: extra file .*fifo"));
        QCOMPARE(writeCrashPackage(contents(extra), target, PackageTarget::Replace),
                 PackageResult::Written);
        QCOMPARE(entryNames(target), entries);
        QCOMPARE(entryData(target, "controller.dmp"), m_dump);
        if (entries.size() == 3)
            QCOMPARE(entryData(target, "settings.ini"), QByteArray("extra settings\n"));
        const QByteArray report = entryData(target, "report.xml");
        QVERIFY(report.contains("<Serial>SN-9</Serial>"));
        QVERIFY(report.contains("<Comments>my comments</Comments>"));
    }

    void missingDumpTouchesNothing()
    {
        const QString target = m_folder.filePath("kept.cdp");
        QVERIFY(writeFile(target, "old"));
        CrashPackageContents noDump = contents();
        noDump.dumpFilePath.clear();
        QTest::ignoreMessage(QtDebugMsg, "Error: dump file not found");
        QCOMPARE(writeCrashPackage(noDump, target, PackageTarget::Replace), PackageResult::Failed);
        QCOMPARE(readFile(target), QByteArray("old"));
    }

    // Whatever holds a new name, even a link to nowhere, is someone else's and stays.
    void newTargetNeverTouchesATakenName_data()
    {
        QTest::addColumn<bool>("danglingLink");
        QTest::newRow("file") << false;
        QTest::newRow("dangling symbolic link") << true;
    }

    void newTargetNeverTouchesATakenName()
    {
        QFETCH(bool, danglingLink);
        const QString target = m_folder.filePath(danglingLink ? "link.cdp" : "taken.cdp");
        if (danglingLink)
            QVERIFY(QFile::link(m_folder.filePath("nowhere"), target));
        else
            QVERIFY(writeFile(target, "someone else's package"));
        QVERIFY(isNameTaken(target));
        QCOMPARE(writeCrashPackage(contents(), target, PackageTarget::CreateNew),
                 PackageResult::TargetExists);
        QCOMPARE(QFileInfo(target).isSymLink(), danglingLink);
        QVERIFY(danglingLink || readFile(target) == "someone else's package");
    }

    // A large package is written on a worker: the event loop keeps turning meanwhile.
    void jobKeepsTheEventLoopTurning()
    {
        qRegisterMetaType<PackageResult>();
        CrashPackageContents big = contents();
        big.dumpFilePath = m_folder.filePath("big.dmp");
        QVERIFY(writeFile(big.dumpFilePath, randomBytes(48 * 1024 * 1024, 5)));
        PackageJob job;
        QSignalSpy finished(&job, &PackageJob::finished);
        int lastProgress = -1;
        connect(&job, &PackageJob::progressed, this,
                [&](int permille) { lastProgress = permille; });
        QElapsedTimer clock;
        qint64 lastTick = 0, longestGap = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] {
            longestGap = std::max(longestGap, clock.elapsed() - lastTick);
            lastTick = clock.elapsed();
        });
        clock.start();
        ticker.start(10);
        const QString target = m_folder.filePath("big.cdp");
        QVERIFY(job.start(big, target, PackageTarget::Replace));
        QVERIFY(!job.start(big, target, PackageTarget::Replace)); // one at a time
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.first().first().value<PackageResult>(), PackageResult::Written);
        QVERIFY2(longestGap < 500, qPrintable(QString::number(longestGap)));
        QTRY_COMPARE(lastProgress, 1000);
        QCOMPARE(entryNames(target), QStringList({"big.dmp", "report.xml"}));
        QFile::remove(big.dumpFilePath);
    }

    // Leaving while a package is written waits for it: it is complete, never half-written.
    void waitingFinishesTheJob()
    {
        const QString target = m_folder.filePath("waited.cdp");
        PackageJob job;
        QCOMPARE(job.wait(), PackageResult::Failed);
        QVERIFY(job.start(contents(), target, PackageTarget::Replace));
        QCOMPARE(job.wait(), PackageResult::Written);
        QCOMPARE(entryData(target, "controller.dmp"), m_dump);
    }

    void unwritableTargetLeavesNothing()
    {
        // A folder that cannot hold files: its path names a plain file.
        const QString target = m_folder.filePath("controller.dmp/package.cdp");
        for (PackageTarget mode : {PackageTarget::Replace, PackageTarget::CreateNew})
            QCOMPARE(writeCrashPackage(contents(), target, mode), PackageResult::Failed);
        QCOMPARE(readFile(m_folder.filePath("controller.dmp")), m_dump);
    }
};

QTEST_GUILESS_MAIN(TestCrashPackage)
#include "tst_crash_package.moc"
