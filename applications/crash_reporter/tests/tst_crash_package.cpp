#include "crash_reporter/package/crash_package.h"
#include "crash_reporter/package/package_job.h"
#include "orrery_core/tests/process_capture.h"
#include "test_support.h"

#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

Q_DECLARE_METATYPE(SourceProblem)

class TestCrashPackage : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    QByteArray m_dump = randomBytes(300000, 11);
    QStringList m_log{"first line", "second line"};

    QString path(const QString& name) const { return m_folder.filePath(name); }

    CrashPackageContents contents(const QString& dump = "controller.dmp",
                                  const QString& extra = {}) const
    {
        CrashRecord record;
        record.serialNumber = "SN-9";
        record.extraFilePath = extra.isEmpty() ? QString() : path(extra);
        return {dump.isEmpty() || dump.startsWith('/') ? dump : path(dump),
                QDateTime(QDate(2026, 12, 5), QTime(20, 53, 47)), record, m_log, "my comments"};
    }

    // Whatever the folder holds besides the named files: a write must leave nothing behind.
    QStringList strays(const QString& folder, const QStringList& expected) const
    {
        QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                   QDir::NoDotAndDotDot);
        for (const QString& name : expected)
            names.removeAll(name);
        return names;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(writeFile(path("controller.dmp"), m_dump));
        QVERIFY(writeFile(path("settings.ini"), "extra settings\n"));
        QVERIFY(QDir().mkpath(path("other")));
        QVERIFY(writeFile(path("other/controller.dmp"), "same name as the dump\n"));
        QVERIFY(writeFile(path("other/report.xml"), "<not the report/>\n"));
        QCOMPARE(::mkfifo(qPrintable(path("fifo")), 0600), 0);
        QVERIFY(QDir().mkpath(path("folder/inside")));
    }

    // Only regular files are packed; whatever keeps the dump out, the report is still written
    // and the outcome says why. Names that would collide get a prefix.
    void entries_data()
    {
        QTest::addColumn<QString>("dump");
        QTest::addColumn<QString>("extra");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<SourceProblem>("problem");
        const auto none = SourceProblem::None;
        QTest::newRow("dump, report, extra")
            << "controller.dmp"
            << "settings.ini" << QStringList{"controller.dmp", "report.xml", "settings.ini"}
            << none;
        QTest::newRow("extra missing")
            << "controller.dmp"
            << "absent.ini" << QStringList{"controller.dmp", "report.xml"} << none;
        QTest::newRow("extra a FIFO nobody writes")
            << "controller.dmp"
            << "fifo" << QStringList{"controller.dmp", "report.xml"} << none;
        QTest::newRow("no dump named")
            << ""
            << "settings.ini" << QStringList{"report.xml", "settings.ini"}
            << SourceProblem::NotNamed;
        QTest::newRow("dump missing") << "gone.dmp"
                                      << "" << QStringList{"report.xml"} << SourceProblem::NotFound;
        QTest::newRow("dump a folder")
            << "folder"
            << "" << QStringList{"report.xml"} << SourceProblem::NotRegularFile;
        QTest::newRow("dump a FIFO")
            << "fifo"
            << "" << QStringList{"report.xml"} << SourceProblem::NotRegularFile;
        QTest::newRow("dump shorter than its size (sysfs)")
            << "/sys/kernel/mm/transparent_hugepage/enabled"
            << "settings.ini" << QStringList{"report.xml", "settings.ini"}
            << SourceProblem::ReadIncomplete;
        QTest::newRow("extra named report.xml")
            << "controller.dmp"
            << "other/report.xml" << QStringList{"controller.dmp", "report.xml", "extra-report.xml"}
            << none;
        QTest::newRow("extra named like the dump")
            << "controller.dmp"
            << "other/controller.dmp"
            << QStringList{"controller.dmp", "report.xml", "extra-controller.dmp"} << none;
        QTest::newRow("dump named report.xml")
            << "other/report.xml"
            << "" << QStringList{"dump-report.xml", "report.xml"} << none;
    }

    void entries()
    {
        QFETCH(QString, dump);
        QFETCH(QString, extra);
        QFETCH(QStringList, entries);
        QFETCH(SourceProblem, problem);
        if (dump.startsWith("/sys") && !QFileInfo::exists(dump))
            QSKIP("this machine has no transparent huge page setting to read");
        const QString target = path("out/package.cdp");
        QVERIFY(QDir().mkpath(path("out")));
        if (problem != SourceProblem::None || extra == "fifo")
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Error: (dump|extra) file "));
        const PackageOutcome outcome =
            writeCrashPackage(contents(dump, extra), target, PackageTarget::Replace);
        QCOMPARE(outcome.result, PackageResult::Written);
        QCOMPARE(outcome.dumpProblem, problem);
        QCOMPARE(entryNames(target), entries);
        QCOMPARE(strays(path("out"), {"package.cdp"}), QStringList());
        const QByteArray report = entryData(target, "report.xml");
        QVERIFY2(report.startsWith("<?xml") && report.contains("<Comments>my comments</Comments>"),
                 report);
        if (entries.contains("controller.dmp"))
            QCOMPARE(entryData(target, "controller.dmp"), m_dump);
        if (entries.contains("extra-report.xml"))
            QCOMPARE(entryData(target, "extra-report.xml"), QByteArray("<not the report/>\n"));
        if (entries.contains("extra-controller.dmp"))
            QCOMPARE(entryData(target, "extra-controller.dmp"),
                     QByteArray("same name as the dump\n"));
    }

    // Root reads every file: there the package is written by a child without capabilities.
    void unreadableDumpIsNamed()
    {
        QTemporaryDir shared;
        QVERIFY(writeFile(shared.filePath("locked.dmp"), "x"));
        QFile::setPermissions(shared.filePath("locked.dmp"), {});
        CrashPackageContents locked = contents();
        locked.dumpFilePath = shared.filePath("locked.dmp");
        const QString target = shared.filePath("locked.cdp");
        const auto [status, output] = runInChild([&] {
            __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
            __user_cap_data_struct none[2]{};
            if (::syscall(SYS_capset, &header, none) != 0)
                ::_exit(3);
            const PackageOutcome out = writeCrashPackage(locked, target, PackageTarget::Replace);
            const bool named =
                out.dumpProblem == SourceProblem::Unreadable && !out.dumpProblemDetail.isEmpty();
            ::_exit(out.result == PackageResult::Written && named ? 0 : 1);
        });
        QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, output);
        QCOMPARE(entryNames(target), QStringList{"report.xml"});
    }

    // A new name must not exist yet; whatever holds it, even a link to nowhere, stays. A
    // replaced file is replaced whole, by a package for the user alone.
    void targets_data()
    {
        QTest::addColumn<PackageTarget>("mode");
        QTest::addColumn<QString>("taken"); // "link": a dangling link
        QTest::addColumn<PackageResult>("result");
        QTest::newRow("new, free") << PackageTarget::CreateNew << "" << PackageResult::Written;
        QTest::newRow("new, a file there")
            << PackageTarget::CreateNew << "file" << PackageResult::TargetExists;
        QTest::newRow("new, a dangling link there")
            << PackageTarget::CreateNew << "link" << PackageResult::TargetExists;
        QTest::newRow("replace a file")
            << PackageTarget::Replace << "file" << PackageResult::Written;
        QTest::newRow("replace its own package")
            << PackageTarget::ReplaceOwn << "own" << PackageResult::Written;
        QTest::newRow("replace its own, another's there")
            << PackageTarget::ReplaceOwn << "file" << PackageResult::TargetExists;
        QTest::newRow("replace its own, moved away")
            << PackageTarget::ReplaceOwn << "" << PackageResult::Written;
    }

    void targets()
    {
        QFETCH(PackageTarget, mode);
        QFETCH(QString, taken);
        QFETCH(PackageResult, result);
        const QString folder = path("targets/" + QString(QTest::currentDataTag()));
        const QString target = folder + "/t.cdp";
        QVERIFY(QDir().mkpath(folder));
        if (taken == "file")
            QVERIFY(writeFile(target, "someone else's file"));
        if (taken == "link")
            QVERIFY(QFile::link(path("nowhere"), target));
        // The reporter's own earlier package: at the target, or moved elsewhere.
        std::optional<CrashReporter::Platform::FileIdentity> own;
        if (mode == PackageTarget::ReplaceOwn) {
            const QString earlier = taken == "own" ? target : folder + "-earlier.cdp";
            own = writeCrashPackage(contents(), earlier, PackageTarget::CreateNew).written;
            QVERIFY(own);
        }
        QCOMPARE(writeCrashPackage(contents(), target, mode, {}, own).result, result);
        QCOMPARE(strays(folder, {"t.cdp"}), QStringList());
        if (result == PackageResult::Written) {
            QCOMPARE(entryData(target, "controller.dmp"), m_dump);
            QCOMPARE(modeOf(target), 0600u);
        } else {
            QVERIFY(taken == "link" ? QFileInfo(target).isSymLink()
                                    : readFile(target) == "someone else's file");
        }
    }

    // Only the reporter's own file is removed, checked as it is removed.
    void removingOnlyItsOwnFile()
    {
        const QString target = path("own/t.cdp");
        QVERIFY(QDir().mkpath(path("own")));
        const auto own = writeCrashPackage(contents(), target, PackageTarget::CreateNew).written;
        QVERIFY(own);
        QVERIFY(QFile::rename(target, path("own/moved.cdp")));
        QVERIFY(writeFile(target, "another episode's"));
        QVERIFY(!CrashReporter::Platform::removeOwnFile(target, *own));
        QCOMPARE(readFile(target), QByteArray("another episode's"));
        QVERIFY(CrashReporter::Platform::removeOwnFile(path("own/moved.cdp"), *own));
        QCOMPARE(QDir(path("own")).entryList(QDir::Files | QDir::Hidden), QStringList{"t.cdp"});
    }

    // A package on the worker reports progress up to the whole; waiting returns it complete,
    // and a second one is refused meanwhile.
    void job()
    {
        PackageJob job;
        QCOMPARE(job.wait().result, PackageResult::Failed);
        QSignalSpy finished(&job, &PackageJob::finished);
        QSignalSpy progressed(&job, &PackageJob::progressed);
        QVERIFY(job.start(contents(), path("job.cdp"), PackageTarget::Replace));
        QVERIFY(!job.start(contents(), path("second.cdp"), PackageTarget::Replace));
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.first().first().value<PackageOutcome>().result, PackageResult::Written);
        QVERIFY(!progressed.isEmpty());
        QCOMPARE(progressed.last().first().toInt(), 1000);
        QVERIFY(job.start(contents(), path("waited.cdp"), PackageTarget::Replace));
        QCOMPARE(job.wait().result, PackageResult::Written);
        QCOMPARE(entryData(path("waited.cdp"), "controller.dmp"), m_dump);
        QVERIFY(!QFile::exists(path("second.cdp")));
    }
};

QTEST_GUILESS_MAIN(TestCrashPackage)
#include "tst_crash_package.moc"
