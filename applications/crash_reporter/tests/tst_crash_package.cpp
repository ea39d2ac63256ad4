#include "package/crash_package.h"
#include "package_reading.h"
#include "test_files.h"

#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace PackageReading;

class TestCrashPackage : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    QByteArray m_dump;
    QByteArray m_extra;
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
        m_dump = TestFiles::randomBytes(300000, 11);
        m_extra = "extra settings\n";
        QVERIFY(TestFiles::write(m_folder.filePath("controller.dmp"), m_dump));
        QVERIFY(TestFiles::write(m_folder.filePath("settings.ini"), m_extra));
    }

    void entriesInOrderWithIdenticalBytes()
    {
        const QString target = m_folder.filePath("ordered.cdp");
        QCOMPARE(writeCrashPackage(contents(m_folder.filePath("settings.ini")), target,
                                   PackageTarget::Replace),
                 PackageResult::Written);
        QCOMPARE(entryNames(target), QStringList({"controller.dmp", "report.xml", "settings.ini"}));
        QCOMPARE(entryData(target, "controller.dmp"), m_dump);
        QCOMPARE(entryData(target, "settings.ini"), m_extra);

        QXmlStreamReader report(entryData(target, "report.xml"));
        QStringList texts;
        while (!report.atEnd()) {
            if (report.readNext() == QXmlStreamReader::Characters && !report.isWhitespace())
                texts << report.text().toString();
        }
        QVERIFY(!report.hasError());
        QVERIFY(texts.contains("SN-9"));
        QVERIFY(texts.contains("second line"));
        QCOMPARE(texts.last(), QString("my comments"));
    }

    void missingExtraFileIsLeftOut()
    {
        const QString target = m_folder.filePath("no-extra.cdp");
        QCOMPARE(writeCrashPackage(contents(m_folder.filePath("absent.ini")), target,
                                   PackageTarget::Replace),
                 PackageResult::Written);
        QCOMPARE(entryNames(target), QStringList({"controller.dmp", "report.xml"}));
    }

    void missingDumpTouchesNothing()
    {
        const QString target = m_folder.filePath("kept.cdp");
        QVERIFY(TestFiles::write(target, "old"));
        CrashPackageContents noDump = contents();
        noDump.dumpFilePath = m_folder.filePath("gone.dmp");
        QTest::ignoreMessage(QtDebugMsg, "Error: dump file not found");
        QCOMPARE(writeCrashPackage(noDump, target, PackageTarget::Replace), PackageResult::Failed);
        QCOMPARE(TestFiles::read(target), QByteArray("old"));

        noDump.dumpFilePath.clear();
        QTest::ignoreMessage(QtDebugMsg, "Error: dump file not found");
        QCOMPARE(writeCrashPackage(noDump, target, PackageTarget::Replace), PackageResult::Failed);
    }

    void replacesAnExistingTargetCompletely()
    {
        const QString target = m_folder.filePath("replaced.cdp");
        QVERIFY(TestFiles::write(target, TestFiles::randomBytes(2'000'000, 3)));
        QCOMPARE(writeCrashPackage(contents(), target, PackageTarget::Replace),
                 PackageResult::Written);
        QCOMPARE(entryNames(target), QStringList({"controller.dmp", "report.xml"}));
        QVERIFY(QFileInfo(target).size() < 400000);
    }

    void newTargetNeverOverwrites()
    {
        const QString target = m_folder.filePath("taken.cdp");
        QVERIFY(TestFiles::write(target, "someone else's package"));
        QCOMPARE(writeCrashPackage(contents(), target, PackageTarget::CreateNew),
                 PackageResult::TargetExists);
        QCOMPARE(TestFiles::read(target), QByteArray("someone else's package"));
    }

    void unwritableTargetLeavesNothing_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("replace") << int(PackageTarget::Replace);
        QTest::newRow("create new") << int(PackageTarget::CreateNew);
    }

    void unwritableTargetLeavesNothing()
    {
        QFETCH(int, mode);
        // A folder that cannot hold files: its path names a plain file.
        const QString target = m_folder.filePath("controller.dmp/package.cdp");
        QCOMPARE(writeCrashPackage(contents(), target, PackageTarget(mode)), PackageResult::Failed);
        QVERIFY(!QFileInfo::exists(target));
        QCOMPARE(TestFiles::read(m_folder.filePath("controller.dmp")), m_dump);
    }

    void names_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("saved");
        QTest::newRow("plain") << "/x/report"
                               << "/x/report.cdp";
        QTest::newRow("upper-case extension") << "/x/report.CDP"
                                              << "/x/report.CDP.cdp";
        QTest::newRow("extension kept") << "/x/report.cdp"
                                        << "/x/report.cdp";
        QTest::newRow("other extension") << "/x/report.tar.gz"
                                         << "/x/report.tar.gz.cdp";
    }

    void names()
    {
        QFETCH(QString, answer);
        QFETCH(QString, saved);
        QCOMPARE(withPackageExtension(answer), saved);
    }

    void automaticNames()
    {
        QCOMPARE(automaticPackagePath("/d/", 0), QString("/d/Crash Report 0.cdp"));
        QCOMPARE(automaticPackagePath("/d/", 12), QString("/d/Crash Report 12.cdp"));
    }
};

QTEST_GUILESS_MAIN(TestCrashPackage)
#include "tst_crash_package.moc"
