#include "crash_channel_writer.h"
#include "package_reading.h"
#include "test_files.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <memory>

namespace {

QString binary(const char* name)
{
    return qEnvironmentVariable("Q5_BIN_DIR") + '/' + name;
}

struct Result {
    int exitCode = -1; // -1: the process did not exit normally
    QByteArray standardOutput;
    QByteArray standardError;
};

// A private home, cache, temporary folder and log file for each test: the reporter never
// touches those of whoever runs the tests.
class Sandbox
{
public:
    Sandbox()
    {
        for (const char* folder : {"home", "tmp", "runtime", "config", "cache"})
            QDir().mkpath(m_root.filePath(folder));
        QFile::setPermissions(path("runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner);
    }

    QString path(const QString& name) const { return m_root.filePath(name); }
    QString dumps() const { return path("home/Documents/Varnel Professional/Q5-PC/Crash Dumps"); }
    QString package(int number) const
    {
        return dumps() + QString("/Crash Report %1.cdp").arg(number);
    }
    QStringList packages() const
    {
        return QDir(dumps()).entryList({"*.cdp"}, QDir::Files | QDir::System, QDir::Name);
    }
    QString log() const { return QString::fromUtf8(TestFiles::read(path("reporter.log"))); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", path("home"));
        environment.insert("TMPDIR", path("tmp"));
        environment.insert("XDG_CONFIG_HOME", path("config"));
        environment.insert("XDG_CACHE_HOME", path("cache"));
        environment.insert("XDG_RUNTIME_DIR", path("runtime"));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("Q5_CRASH_REPORTER_LOG", path("reporter.log"));
        return environment;
    }

    std::unique_ptr<QProcess> start(const QString& program, const QStringList& arguments,
                                    const std::function<void()>& childSetUp = {}) const
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment());
        if (childSetUp)
            process->setChildProcessModifier(childSetUp);
        process->start(program, arguments);
        return process;
    }

    static Result finish(QProcess& process)
    {
        if (!process.waitForFinished(60000))
            process.kill();
        process.waitForFinished();
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), process.readAllStandardError()};
    }

    Result reporter(const QStringList& arguments,
                    const std::function<void()>& childSetUp = {}) const
    {
        return finish(*start(binary("q5-crash-reporter"), arguments, childSetUp));
    }

    // The controller simulator writes the record and the crash data file, starts the reporter
    // and succeeds only when the reporter said "connected" and ended with status 0.
    Result simulate(const QStringList& arguments,
                    const std::function<void()>& childSetUp = {}) const
    {
        return finish(
            *start(binary("q5-controller-sim"),
                   QStringList{"--timeout", "60", "--data-file", path("crash.dat")} + arguments,
                   childSetUp));
    }

    // A crash data file naming a dump of the given size, for starting the reporter directly.
    QByteArray writeCrashData(qsizetype dumpSize = 100000) const
    {
        const QByteArray dump = TestFiles::randomBytes(dumpSize, 5);
        TestFiles::write(path("controller.dmp"), dump);
        TestFiles::write(
            path("crash.dat"),
            serializeCrashData({path("controller.dmp"), QDateTime::currentDateTime(), {"x"}}));
        return dump;
    }

private:
    QTemporaryDir m_root;
};

} // namespace

class TestReporterProcess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void withoutArgumentsItOnlyConnects()
    {
        const Sandbox sandbox;
        const Result result = sandbox.reporter({});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.standardOutput, QByteArray("connected\n"));
        const QStringList lines = sandbox.log().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].contains(" 131 Failed to attach to shared memory (key: \"VarnelQ5SM\""));
        QVERIFY(QRegularExpression(
                    "^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ 104 Crash reporter launched$")
                    .match(lines[1])
                    .hasMatch());
        QVERIFY(lines[2].endsWith(" 104 Shutting down Q5"));
        QVERIFY(sandbox.packages().isEmpty());
    }

    void instanceArgumentSelectsTheKey_data()
    {
        QTest::addColumn<QString>("instance");
        QTest::addColumn<QString>("key");
        QTest::newRow("not a number") << "abc"
                                      << "VarnelQ5SM_0";
        QTest::newRow("negative") << "-7"
                                  << "VarnelQ5SM_-7";
    }

    void instanceArgumentSelectsTheKey()
    {
        QFETCH(QString, instance);
        QFETCH(QString, key);
        const Sandbox sandbox;
        QCOMPARE(sandbox.reporter({sandbox.path("absent.dat"), instance}).exitCode, 0);
        QVERIFY2(sandbox.log().contains("(key: \"" + key + "\""), qPrintable(sandbox.log()));
    }

    // Nobody can see a window on the offscreen platform, so there even a record that asks for
    // the dialog has its package saved at once.
    void automaticEpisodesSaveAPackage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("delay 0") << QStringList{"--delay", "0"};
        QTest::newRow("delay 5000 ms")
            << QStringList{"--delay", "5000", "--delay-period", "1/1000"};
        QTest::newRow("no record") << QStringList{"--no-record"};
        QTest::newRow("dialog wanted, offscreen") << QStringList{"--delay", "30"};
    }

    void automaticEpisodesSaveAPackage()
    {
        QFETCH(QStringList, arguments);
        const Sandbox sandbox;
        const Result result = sandbox.simulate(
            arguments + QStringList{"--dump", sandbox.path("c.dmp"), "--dump-size", "100000"});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(sandbox.packages(), QStringList{"Crash Report 0.cdp"});
        QVERIFY(!QFile::exists(sandbox.path("crash.dat")));
        const QString log = sandbox.log();
        QVERIFY2(QRegularExpression("104 Crash reporter launched\n.*104 Read crash report data\n"
                                    ".*104 Crash reported\n.*104 Auto-saving crash report\n"
                                    ".*104 Creating dump package\n.*104 Restarting Q5\n",
                                    QRegularExpression::DotMatchesEverythingOption)
                     .match(log)
                     .hasMatch(),
                 qPrintable(log));
    }

    void packageHoldsEverythingInOrder()
    {
        const Sandbox sandbox;
        const QString dump = sandbox.path("controller.dmp");
        const QString extra = sandbox.path("show-settings.xml");
        QVERIFY(TestFiles::write(dump, TestFiles::randomBytes(1'500'000, 2)));
        QVERIFY(TestFiles::write(extra, "<settings/>\n"));
        QCOMPARE(sandbox
                     .simulate({"--delay", "0", "--dump", dump, "--extra-file", extra, "--serial",
                                "Q5PC-77", "--output-line", "\x1b[31mDMX lost"})
                     .exitCode,
                 0);
        const QString package = sandbox.package(0);
        QCOMPARE(PackageReading::entryNames(package),
                 QStringList({"controller.dmp", "report.xml", "show-settings.xml"}));
        QCOMPARE(PackageReading::entryData(package, "controller.dmp"), TestFiles::read(dump));
        QCOMPARE(PackageReading::entryData(package, "show-settings.xml"), TestFiles::read(extra));
        const QByteArray report = PackageReading::entryData(package, "report.xml");
        QVERIFY(report.contains("<Serial>Q5PC-77</Serial>"));
        QVERIFY(report.contains(QString::fromUtf8("<Entry>␛[31mDMX lost</Entry>").toUtf8()));
    }

    // Any name that is taken, by whatever kind of entry, moves on to the next number; what was
    // there stays as it was.
    void numberingSkipsEveryTakenName()
    {
        const Sandbox sandbox;
        QDir().mkpath(sandbox.dumps());
        QVERIFY(TestFiles::write(sandbox.package(0), "zero"));
        QVERIFY(QFile::link(sandbox.path("gone"), sandbox.package(1)));
        QVERIFY(TestFiles::write(sandbox.package(3), "three"));
        QCOMPARE(
            sandbox
                .simulate({"--delay", "0", "--dump", sandbox.path("c.dmp"), "--dump-size", "1000"})
                .exitCode,
            0);
        QCOMPARE(sandbox.packages(), QStringList({"Crash Report 0.cdp", "Crash Report 1.cdp",
                                                  "Crash Report 2.cdp", "Crash Report 3.cdp"}));
        QCOMPARE(TestFiles::read(sandbox.package(0)), QByteArray("zero"));
        QCOMPARE(QFileInfo(sandbox.package(1)).symLinkTarget(), sandbox.path("gone"));
        QCOMPARE(PackageReading::entryNames(sandbox.package(2)),
                 QStringList({"c.dmp", "report.xml"}));
    }

    void missingOrUnreadableInputsGiveNoPackage_data()
    {
        QTest::addColumn<bool>("garbageDataFile");
        QTest::newRow("dump missing") << false;
        QTest::newRow("crash data file unreadable") << true;
    }

    void missingOrUnreadableInputsGiveNoPackage()
    {
        QFETCH(bool, garbageDataFile);
        const Sandbox sandbox;
        const QString data = sandbox.path("crash.dat");
        Result result;
        if (garbageDataFile) {
            QVERIFY(TestFiles::write(data, "\xff\xff\xff\xf0 not a data stream"));
            result = sandbox.reporter({data});
        } else {
            result = sandbox.simulate({"--delay", "0", "--dump", sandbox.path("gone.dmp")});
        }
        QCOMPARE(result.exitCode, 0);
        QVERIFY(!QFile::exists(data));
        QVERIFY2(result.standardError.contains("Error: dump file not found"), result.standardError);
        QVERIFY(sandbox.packages().isEmpty());
    }

    void fullDiskNeverLeavesAPackage()
    {
        const Sandbox sandbox;
        const QString dump = sandbox.path("controller.dmp");
        QVERIFY(TestFiles::write(dump, TestFiles::randomBytes(2'000'000, 3)));
        // Writes past the limit fail as on a full disk.
        const Result result = sandbox.simulate({"--delay", "0", "--dump", dump}, [] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{256 * 1024, 256 * 1024};
            setrlimit(RLIMIT_FSIZE, &limit);
        });
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(
            result.standardError.contains("There was a problem auto-saving the crash report to"),
            result.standardError);
        QVERIFY(sandbox.packages().isEmpty());
    }

    // Whoever started the reporter may be gone: its end of the pipe is closed before the
    // reporter writes "connected".
    void closedStandardOutputStillSavesThePackage()
    {
        const Sandbox sandbox;
        const QByteArray dump = sandbox.writeCrashData();
        int ends[2];
        QCOMPARE(::pipe2(ends, O_CLOEXEC), 0);
        ::close(ends[0]);
        const int writeEnd = ends[1];
        const Result result = sandbox.reporter({sandbox.path("crash.dat")},
                                               [writeEnd] { ::dup2(writeEnd, STDOUT_FILENO); });
        ::close(writeEnd);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(PackageReading::entryData(sandbox.package(0), "controller.dmp"), dump);
    }

    void unreachableDisplayFallsBackToOffscreen_data()
    {
        QTest::addColumn<QString>("display");
        QTest::newRow("no display at all") << QString();
        QTest::newRow("display that does not answer") << ":97";
    }

    void unreachableDisplayFallsBackToOffscreen()
    {
        QFETCH(QString, display);
        const Sandbox sandbox;
        const QByteArray dump = sandbox.writeCrashData();
        QProcessEnvironment environment = sandbox.environment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(name);
        if (!display.isEmpty())
            environment.insert("DISPLAY", display);
        QProcess reporter;
        reporter.setProcessEnvironment(environment);
        reporter.start(binary("q5-crash-reporter"), {sandbox.path("crash.dat")});
        const Result result = Sandbox::finish(reporter);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.standardOutput, QByteArray("connected\n"));
        QCOMPARE(PackageReading::entryData(sandbox.package(0), "controller.dmp"), dump);
    }

    void reportersSavingTogetherNeverShareAName()
    {
        const Sandbox sandbox;
        constexpr int Count = 6;
        std::vector<std::unique_ptr<QProcess>> simulators;
        for (int i = 0; i < Count; ++i)
            simulators.push_back(
                sandbox.start(binary("q5-controller-sim"),
                              {"--instance", QString::number(1000 + i), "--delay", "0", "--timeout",
                               "60", "--dump", sandbox.path(QString("controller-%1.dmp").arg(i)),
                               "--dump-size", QString::number(300000 + i), "--data-file",
                               sandbox.path(QString("crash-%1.dat").arg(i))}));
        for (auto& simulator : simulators)
            QCOMPARE(Sandbox::finish(*simulator).exitCode, 0);
        QSet<QString> dumps;
        for (int number = 0; number < Count; ++number) {
            const QStringList names = PackageReading::entryNames(sandbox.package(number));
            QCOMPARE(names.size(), 2);
            QCOMPARE(PackageReading::entryData(sandbox.package(number), names[0]),
                     TestFiles::read(sandbox.path(names[0])));
            dumps.insert(names[0]);
        }
        QCOMPARE(dumps.size(), Count);
        QCOMPARE(sandbox.packages().size(), Count);
    }
};

QTEST_GUILESS_MAIN(TestReporterProcess)
#include "tst_reporter_process.moc"
