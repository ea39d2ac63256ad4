#include "package_reading.h"
#include "test_files.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <csignal>
#include <memory>

namespace {

QString binary(const char* name)
{
    return qEnvironmentVariable("Q5_BIN_DIR") + '/' + name;
}

struct Result {
    int exitCode = -1;
    QByteArray standardOutput;
    QByteArray standardError;
};

// A private home, temporary folder and log file for each test.
class Sandbox
{
public:
    Sandbox()
    {
        for (const char* folder : {"home", "tmp", "runtime", "config"})
            QDir().mkpath(m_root.filePath(folder));
        QFile::setPermissions(m_root.filePath("runtime"), QFileDevice::ReadOwner |
                                                              QFileDevice::WriteOwner |
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
        return QDir(dumps()).entryList({"*.cdp"}, QDir::Files, QDir::Name);
    }
    QString log() const { return QString::fromUtf8(TestFiles::read(path("reporter.log"))); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", path("home"));
        environment.insert("TMPDIR", path("tmp"));
        environment.insert("XDG_CONFIG_HOME", path("config"));
        environment.insert("XDG_RUNTIME_DIR", path("runtime"));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("Q5_CRASH_REPORTER_LOG", path("reporter.log"));
        return environment;
    }

    std::unique_ptr<QProcess> start(const QString& program, const QStringList& arguments,
                                    qint64 fileSizeLimit = 0) const
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment());
        if (fileSizeLimit > 0) {
            // Writes past the limit fail as on a full disk.
            process->setChildProcessModifier([fileSizeLimit] {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
                setrlimit(RLIMIT_FSIZE, &limit);
            });
        }
        process->start(program, arguments);
        return process;
    }

    Result run(const QString& program, const QStringList& arguments, qint64 fileSizeLimit = 0) const
    {
        const auto process = start(program, arguments, fileSizeLimit);
        return finish(*process);
    }

    static Result finish(QProcess& process)
    {
        if (!process.waitForFinished(60000))
            process.kill();
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), process.readAllStandardError()};
    }

    Result simulate(const QStringList& arguments, qint64 fileSizeLimit = 0) const
    {
        return run(binary("q5-controller-sim"),
                   QStringList{"--timeout", "60", "--data-file", path("crash.dat")} + arguments,
                   fileSizeLimit);
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
        const Result result = sandbox.run(binary("q5-crash-reporter"), {});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.standardOutput, QByteArray("connected\n"));
        const QStringList lines = sandbox.log().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].contains(" 131 Failed to attach to shared memory (key: \"VarnelQ5SM\""));
        QVERIFY(lines[1].endsWith(" 104 Crash reporter launched"));
        QVERIFY(lines[2].endsWith(" 104 Shutting down Q5"));
        QVERIFY(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ ")
                    .match(lines[1])
                    .hasMatch());
        QVERIFY(sandbox.packages().isEmpty());
    }

    void startsWithoutAnyDisplay()
    {
        const Sandbox sandbox;
        QProcessEnvironment environment = sandbox.environment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(name);
        QProcess reporter;
        reporter.setProcessEnvironment(environment);
        reporter.start(binary("q5-crash-reporter"), {sandbox.path("absent.dat")});
        const Result result = Sandbox::finish(reporter);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.standardOutput, QByteArray("connected\n"));
        QVERIFY(sandbox.log().contains(" 104 Crash reported"));
    }

    void instanceArgumentSelectsTheKey_data()
    {
        QTest::addColumn<QString>("instance");
        QTest::addColumn<QString>("key");
        QTest::newRow("not a number") << "abc"
                                      << "VarnelQ5SM_0";
        QTest::newRow("negative") << "-7"
                                  << "VarnelQ5SM_-7";
        QTest::newRow("number") << "42"
                                << "VarnelQ5SM_42";
    }

    void instanceArgumentSelectsTheKey()
    {
        QFETCH(QString, instance);
        QFETCH(QString, key);
        const Sandbox sandbox;
        const Result result =
            sandbox.run(binary("q5-crash-reporter"), {sandbox.path("absent.dat"), instance});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.standardOutput, QByteArray("connected\n"));
        QVERIFY2(sandbox.log().contains("(key: \"" + key + "\""), qPrintable(sandbox.log()));
    }

    void automaticEpisodesSaveAPackage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("delay 0") << QStringList{"--delay", "0"};
        QTest::newRow("delay in milliseconds")
            << QStringList{"--delay", "5000", "--delay-period", "1/1000"};
        QTest::newRow("no record") << QStringList{"--no-record"};
    }

    void automaticEpisodesSaveAPackage()
    {
        QFETCH(QStringList, arguments);
        const Sandbox sandbox;
        const QString dump = sandbox.path("controller.dmp");
        QVERIFY(TestFiles::write(dump, TestFiles::randomBytes(100000, 1)));
        const Result result = sandbox.simulate(arguments + QStringList{"--dump", dump});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(sandbox.packages(), QStringList{"Crash Report 0.cdp"});
        QVERIFY(!QFile::exists(sandbox.path("crash.dat")));
        const QString log = sandbox.log();
        for (const char* line :
             {"Crash reporter launched", "Read crash report data", "Crash reported",
              "Auto-saving crash report", "Creating dump package", "Restarting Q5"})
            QVERIFY2(log.contains(QString(" 104 ") + line + "\n"), line);
    }

    void packageHoldsEverythingInOrder()
    {
        const Sandbox sandbox;
        const QString dump = sandbox.path("controller.dmp");
        const QString extra = sandbox.path("show-settings.xml");
        QVERIFY(TestFiles::write(dump, TestFiles::randomBytes(1'500'000, 2)));
        QVERIFY(TestFiles::write(extra, "<settings/>\n"));
        const Result result =
            sandbox.simulate({"--delay", "0", "--dump", dump, "--extra-file", extra, "--serial",
                              "Q5PC-77", "--output-line", "\x1b[31mDMX lost"});
        QCOMPARE(result.exitCode, 0);
        const QString package = sandbox.package(0);
        QCOMPARE(PackageReading::entryNames(package),
                 QStringList({"controller.dmp", "report.xml", "show-settings.xml"}));
        QCOMPARE(PackageReading::entryData(package, "controller.dmp"), TestFiles::read(dump));
        QCOMPARE(PackageReading::entryData(package, "show-settings.xml"), TestFiles::read(extra));
        const QByteArray report = PackageReading::entryData(package, "report.xml");
        QVERIFY(report.contains("<Serial>Q5PC-77</Serial>"));
        QVERIFY(report.contains(QString::fromUtf8("<Entry>␛[31mDMX lost</Entry>").toUtf8()));
    }

    void numberingFillsTheFirstGap()
    {
        const Sandbox sandbox;
        QDir().mkpath(sandbox.dumps());
        QVERIFY(TestFiles::write(sandbox.package(0), "zero"));
        QVERIFY(TestFiles::write(sandbox.package(2), "two"));
        const QString dump = sandbox.path("controller.dmp");
        QVERIFY(TestFiles::write(dump, "dump"));
        QCOMPARE(sandbox.simulate({"--delay", "0", "--dump", dump}).exitCode, 0);
        QCOMPARE(sandbox.packages(),
                 QStringList({"Crash Report 0.cdp", "Crash Report 1.cdp", "Crash Report 2.cdp"}));
        QCOMPARE(TestFiles::read(sandbox.package(0)), QByteArray("zero"));
        QCOMPARE(TestFiles::read(sandbox.package(2)), QByteArray("two"));
        QCOMPARE(PackageReading::entryNames(sandbox.package(1)),
                 QStringList({"controller.dmp", "report.xml"}));
    }

    void missingDumpGivesNoPackage()
    {
        const Sandbox sandbox;
        const Result result =
            sandbox.simulate({"--delay", "0", "--dump", sandbox.path("gone.dmp")});
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.standardError.contains("Error: dump file not found"), result.standardError);
        QVERIFY(
            result.standardError.contains("There was a problem auto-saving the crash report to"));
        QVERIFY(sandbox.packages().isEmpty());
    }

    void unreadableCrashDataIsDeletedToo()
    {
        const Sandbox sandbox;
        const QString data = sandbox.path("garbage.dat");
        QVERIFY(TestFiles::write(data, "\xff\xff\xff\xf0 not a data stream"));
        const Result result = sandbox.run(binary("q5-crash-reporter"), {data});
        QCOMPARE(result.exitCode, 0);
        QVERIFY(!QFile::exists(data));
        QVERIFY(result.standardError.contains("Error: dump file not found"));
        QVERIFY(sandbox.packages().isEmpty());
    }

    void fullDiskNeverLeavesAPackage()
    {
        const Sandbox sandbox;
        const QString dump = sandbox.path("controller.dmp");
        QVERIFY(TestFiles::write(dump, TestFiles::randomBytes(2'000'000, 3)));
        const Result result = sandbox.simulate({"--delay", "0", "--dump", dump}, 256 * 1024);
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(
            result.standardError.contains("There was a problem auto-saving the crash report to"),
            result.standardError);
        QVERIFY(sandbox.packages().isEmpty());
    }

    void reportersSavingTogetherNeverShareAName()
    {
        const Sandbox sandbox;
        constexpr int Count = 8;
        std::vector<std::unique_ptr<QProcess>> simulators;
        QList<QByteArray> dumps;
        for (int i = 0; i < Count; ++i) {
            const QString dump = sandbox.path(QString("controller-%1.dmp").arg(i));
            dumps << TestFiles::randomBytes(300000, quint32(100 + i));
            QVERIFY(TestFiles::write(dump, dumps.last()));
            simulators.push_back(sandbox.start(
                binary("q5-controller-sim"),
                {"--instance", QString::number(1000 + i), "--delay", "0", "--dump", dump,
                 "--timeout", "60", "--data-file", sandbox.path(QString("crash-%1.dat").arg(i))}));
        }
        for (auto& simulator : simulators)
            QCOMPARE(Sandbox::finish(*simulator).exitCode, 0);

        QCOMPARE(sandbox.packages().size(), Count);
        QSet<int> found;
        for (int number = 0; number < Count; ++number) {
            const QString package = sandbox.package(number);
            const QStringList names = PackageReading::entryNames(package);
            QCOMPARE(names.size(), 2);
            QVERIFY(names[0].startsWith("controller-"));
            const int which = names[0].mid(11, 1).toInt();
            QCOMPARE(PackageReading::entryData(package, names[0]), dumps[which]);
            found.insert(which);
        }
        QCOMPARE(found.size(), Count);
    }
};

QTEST_GUILESS_MAIN(TestReporterProcess)
#include "tst_reporter_process.moc"
