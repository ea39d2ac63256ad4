#include "package/crash_package.h"
#include "test_support.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

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
