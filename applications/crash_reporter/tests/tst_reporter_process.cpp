#include "controller_sim/crash_channel_writer.h"
#include "test_support.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

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

Result finish(QProcess& process)
{
    if (!process.waitForFinished(60000))
        process.kill();
    process.waitForFinished();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// An X display number nothing listens on.
QString deadDisplay()
{
    int number = 90;
    while (QFileInfo::exists(QString("/tmp/.X11-unix/X%1").arg(number)) ||
           QFileInfo::exists(QString("/tmp/.X%1-lock").arg(number)))
        ++number;
    return QString(":%1").arg(number);
}

// A private home, state, cache, temporary folder and log file for each test: the reporter
// never touches those of whoever runs the tests.
class Sandbox
{
public:
    Sandbox()
    {
        for (const char* name : {"home", "tmp", "config", "cache", "state"})
            QDir().mkpath(path(name));
        m_environment.insert("HOME", path("home"));
        m_environment.insert("TMPDIR", path("tmp"));
        m_environment.insert("XDG_CONFIG_HOME", path("config"));
        m_environment.insert("XDG_CACHE_HOME", path("cache"));
        m_environment.insert("XDG_STATE_HOME", path("state"));
        m_environment.insert("XDG_RUNTIME_DIR", path("tmp"));
        m_environment.insert("QT_QPA_PLATFORM", "offscreen");
        m_environment.insert("Q5_CRASH_REPORTER_LOG", path("reporter.log"));
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
    // Every file in the sandbox whose name is a package's, wherever it is.
    QStringList packagesAnywhere() const
    {
        QStringList found;
        QDirIterator files(m_root.path(), {"*.cdp"}, QDir::Files | QDir::System,
                           QDirIterator::Subdirectories);
        while (files.hasNext())
            found << files.next();
        return found;
    }
    QString log() const { return QString::fromUtf8(readFile(path("reporter.log"))); }

    std::unique_ptr<QProcess> start(const char* program, const QStringList& arguments,
                                    const std::function<void()>& childSetUp = {},
                                    const QString& folder = {}) const
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(m_environment);
        if (!folder.isEmpty())
            process->setWorkingDirectory(folder);
        process->setChildProcessModifier(childSetUp ? childSetUp : [] {});
        process->start(binary(program), arguments);
        return process;
    }

    Result reporter(const QStringList& arguments, const std::function<void()>& setUp = {}) const
    {
        return finish(*start("q5-crash-reporter", arguments, setUp));
    }

    // The controller simulator writes the record and the crash data file, starts the reporter
    // and succeeds only when the reporter said "connected" and ended with status 0.
    Result simulate(const QStringList& arguments, const std::function<void()>& setUp = {}) const
    {
        return finish(*start("q5-controller-sim",
                             QStringList{"--timeout", "60", "--data-file", path("crash.dat"),
                                         "--dump", path("c.dmp"), "--dump-size", "100000"} +
                                 arguments,
                             setUp));
    }

    // A crash data file naming a dump, for starting the reporter directly.
    QByteArray writeCrashData(qsizetype dumpSize = 100000) const
    {
        writeFile(path("c.dmp"), randomBytes(dumpSize, 5));
        writeFile(path("crash.dat"),
                  serializeCrashData({path("c.dmp"), QDateTime::currentDateTime(), {"x"}}));
        return readFile(path("c.dmp"));
    }

    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();

private:
    QTemporaryDir m_root;
};

// A crash data file as the wire table gives it, whose output log has `lines` lines of
// `lineBytes` bytes of UTF-16 each: written a piece at a time, never whole in memory.
bool writeLongCrashData(const QString& path, const QString& dump, qint64 lineBytes, qint64 lines)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Dump path and time as the simulator writes them; the list is written here.
    QByteArray head = serializeCrashData({dump, QDateTime::currentDateTime(), {}});
    head.chop(4);
    const auto bigEndian = [](quint32 value) {
        return QByteArray::fromHex(QByteArray::number(value, 16).rightJustified(8, '0'));
    };
    file.write(head + bigEndian(quint32(lines)));
    QByteArray piece;
    for (int unit = 0; unit < 32768; ++unit)
        piece += QByteArray("\0x", 2);
    for (qint64 line = 0; line < lines; ++line) {
        file.write(bigEndian(quint32(lineBytes)));
        for (qint64 written = 0; written < lineBytes;) {
            const qint64 count = std::min<qint64>(piece.size(), lineBytes - written);
            if (file.write(piece.constData(), count) != count)
                return false;
            written += count;
        }
    }
    return file.flush();
}

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
        QVERIFY(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ 104 Crash "
                                   "reporter launched$")
                    .match(lines[1])
                    .hasMatch());
        QVERIFY(lines[2].endsWith(" 104 Shutting down Q5"));
        QVERIFY(sandbox.packagesAnywhere().isEmpty());
    }

    // Nobody can see a window on the offscreen platform, so there even a record that asks for
    // the dialog has its package saved at once (else the episode would never end). What the
    // reporter creates is the user's alone.
    void automaticEpisodesSaveAPackage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("fromRecord"); // the report names the controller
        QTest::newRow("delay 0") << QStringList{"--delay", "0"} << true;
        QTest::newRow("no record") << QStringList{"--no-record"} << false;
        QTest::newRow("dialog wanted, offscreen") << QStringList{"--delay", "30"} << true;
    }

    void automaticEpisodesSaveAPackage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, fromRecord);
        const Sandbox sandbox;
        QCOMPARE(sandbox.simulate(arguments).exitCode, 0);
        QCOMPARE(sandbox.packages(), QStringList{"Crash Report 0.cdp"});
        QCOMPARE(
            entryData(sandbox.package(0), "report.xml").contains("<Serial>Q5PC-000123</Serial>"),
            fromRecord);
        QVERIFY(!QFile::exists(sandbox.path("crash.dat")));
        QVERIFY2(QRegularExpression("104 Crash reporter launched\n.*104 Read crash report data\n"
                                    ".*104 Crash reported\n.*104 Auto-saving crash report\n"
                                    ".*104 Creating dump package\n.*104 Crash report saved to "
                                    ".*Crash Report 0.cdp\n.*104 Restarting Q5\n",
                                    QRegularExpression::DotMatchesEverythingOption)
                     .match(sandbox.log())
                     .hasMatch(),
                 qPrintable(sandbox.log()));
        for (const char* folder :
             {"home/Documents/Varnel Professional", "home/Documents/Varnel Professional/Q5-PC"})
            QCOMPARE(modeOf(sandbox.path(folder)), 0700u);
        QCOMPARE(modeOf(sandbox.dumps()), 0700u);
        QCOMPARE(modeOf(sandbox.package(0)), 0600u);
    }

    void packageHoldsEverythingInOrder()
    {
        const Sandbox sandbox;
        QVERIFY(writeFile(sandbox.path("show.xml"), "<settings/>\n"));
        QCOMPARE(sandbox
                     .simulate({"--delay", "0", "--extra-file", sandbox.path("show.xml"),
                                "--serial", "Q5PC-77", "--output-line", "\x1b[31mDMX lost"})
                     .exitCode,
                 0);
        const QString package = sandbox.package(0);
        QCOMPARE(entryNames(package), QStringList({"c.dmp", "report.xml", "show.xml"}));
        QCOMPARE(entryData(package, "c.dmp"), readFile(sandbox.path("c.dmp")));
        QCOMPARE(entryData(package, "show.xml"), QByteArray("<settings/>\n"));
        const QByteArray report = entryData(package, "report.xml");
        QVERIFY(report.contains("<Serial>Q5PC-77</Serial>"));
        QVERIFY(report.contains(QString::fromUtf8("<Entry>␛[31mDMX lost</Entry>").toUtf8()));
    }

    // Only a file read as crash data is deleted; what else the first argument names stays, and
    // the crash is still saved with its report.
    void argumentThatIsNoCrashDataStays_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: a folder
        QTest::newRow("notes") << QByteArray("my notes, not crash data\n");
        QTest::newRow("cut short")
            << serializeCrashData({"/x.dmp", QDateTime::currentDateTime(), {"a", "b"}}).chopped(3);
        QTest::newRow("a folder") << QByteArray();
    }

    void argumentThatIsNoCrashDataStays()
    {
        QFETCH(QByteArray, content);
        const Sandbox sandbox;
        const QString argument = sandbox.path("notes");
        QVERIFY(content.isEmpty() ? QDir().mkpath(argument + "/inside")
                                  : writeFile(argument, content));
        const Result result = sandbox.reporter({argument, "abc"});
        QCOMPARE(result.exitCode, 0);
        QVERIFY(sandbox.log().contains("(key: \"VarnelQ5SM_0\""));
        QVERIFY2(result.standardError.contains("could not be read as one; it is left in place"),
                 result.standardError);
        QVERIFY(content.isEmpty() ? QFileInfo::exists(argument + "/inside")
                                  : readFile(argument) == content);
        QCOMPARE(entryNames(sandbox.package(0)), QStringList{"report.xml"});
    }

    // Episode after episode on a full disk: no package under a package's name, and no trail of
    // folders made for packages that could not be written.
    void fullDiskNeverLeavesAPackage()
    {
        const Sandbox sandbox;
        QVERIFY(writeFile(sandbox.path("c.dmp"), randomBytes(2000000, 3)));
        for (int episode = 0; episode < 2; ++episode) {
            // Writes past the limit fail as on a full disk, in every folder.
            const Result result = sandbox.simulate({"--delay", "0", "--dump-size=-1"}, [] {
                const rlimit limit{256 * 1024, 256 * 1024};
                setrlimit(RLIMIT_FSIZE, &limit);
            });
            QCOMPARE(result.exitCode, 0);
            QVERIFY(
                result.standardError.contains("There was a problem auto-saving the crash report"));
        }
        QCOMPARE(sandbox.packagesAnywhere(), QStringList());
        QCOMPARE(QDir(sandbox.path("tmp")).entryList({"Varnel*"}, QDir::Dirs), QStringList());
        QVERIFY(!QFileInfo::exists(sandbox.path("home/Documents/Varnel Professional")));
        QVERIFY(!QFileInfo::exists(sandbox.path("state/Varnel Professional")));
    }

    // Automatic packages take no more than their share of the disk and their number: past
    // either, a package keeps the report and leaves the dump out; none is deleted for it.
    void automaticPackagesStayWithinTheirLimits_data()
    {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QList<bool>>("withDump"); // of three episodes in a row
        QTest::newRow("two packages at most") << "Q5_CRASH_DUMPS_MAX_COUNT"
                                              << "2" << QList<bool>{true, true, false};
        QTest::newRow("no share of the disk") << "Q5_CRASH_DUMPS_MAX_PERCENT"
                                              << "0" << QList<bool>{false, false, false};
    }

    void automaticPackagesStayWithinTheirLimits()
    {
        QFETCH(QString, variable);
        QFETCH(QString, value);
        QFETCH(QList<bool>, withDump);
        Sandbox sandbox;
        sandbox.m_environment.insert(variable, value);
        for (qsizetype episode = 0; episode < withDump.size(); ++episode) {
            sandbox.writeCrashData();
            QCOMPARE(sandbox.reporter({sandbox.path("crash.dat")}).exitCode, 0);
            QCOMPARE(entryNames(sandbox.package(int(episode))),
                     withDump.at(episode) ? QStringList({"c.dmp", "report.xml"})
                                          : QStringList({"report.xml"}));
        }
        QCOMPARE(sandbox.packages().size(), withDump.size());
        QVERIFY(sandbox.log().contains("leaves the dump out"));
    }

    // The reporter's arguments are its own: a crash data file named like one of Qt's options
    // is read as the crash data file.
    void argumentsAreTheReportersOwn_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("-reverse") << "-reverse";
        QTest::newRow("-platform") << "-platform";
    }

    void argumentsAreTheReportersOwn()
    {
        QFETCH(QString, name);
        const Sandbox sandbox;
        sandbox.writeCrashData();
        QVERIFY(QFile::rename(sandbox.path("crash.dat"), sandbox.path(name)));
        const Result result =
            finish(*sandbox.start("q5-crash-reporter", {name}, {}, sandbox.path("")));
        QCOMPARE(result.exitCode, 0);
        QVERIFY(!QFileInfo::exists(sandbox.path(name)));
        QVERIFY(entryData(sandbox.package(0), "report.xml").contains("<Entry>x</Entry>"));
    }

    // A termination request while the reporter is still being loaded (a shutdown signals every
    // process at once) is held until the episode can take it up: the crash is kept.
    void requestsWhileLoadingAreHeld_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void requestsWhileLoadingAreHeld()
    {
        QFETCH(int, signal);
        Sandbox sandbox;
        sandbox.writeCrashData();
        sandbox.m_environment.insert("LD_PRELOAD", qEnvironmentVariable("Q5_SLOW_START"));
        // The preloaded library comes before the sanitizers' runtime in the sanitizer build.
        sandbox.m_environment.insert("ASAN_OPTIONS", "verify_asan_link_order=0");
        const auto reporter = sandbox.start("q5-crash-reporter", {sandbox.path("crash.dat")});
        QVERIFY(reporter->waitForStarted());
        QTest::qWait(200);
        QCOMPARE(::kill(pid_t(reporter->processId()), signal), 0);
        const Result result = finish(*reporter);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.standardOutput, QByteArray("connected\n"));
        QVERIFY(sandbox.log().contains("Termination requested"));
        QCOMPARE(sandbox.packages(), QStringList{"Crash Report 0.cdp"});
        QVERIFY(!QFile::exists(sandbox.path("crash.dat")));
    }

    // Where memory is short, whatever the controller left is read only so far: a log of
    // hundreds of megabytes keeps its newest lines, a block of a gigabyte its record.
    void memoryThatRunsShort_data()
    {
        QTest::addColumn<qint64>("lineBytes"); // 0: no crash data file of that kind
        QTest::addColumn<qint64>("lines");
        QTest::addColumn<qint64>("blockBytes"); // 0: none
        QTest::addColumn<qint64>("addressSpace");
        QTest::newRow("one line of 256 MiB")
            << qint64(256 << 20) << qint64(1) << qint64(0) << qint64(700'000'000);
        QTest::newRow("a million lines of 256 bytes")
            << qint64(256) << qint64(1 << 20) << qint64(0) << qint64(700'000'000);
        QTest::newRow("a block of 1 GiB")
            << qint64(0) << qint64(0) << qint64(1) << qint64(1'700'000'000);
    }

    void memoryThatRunsShort()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer reserves more address space than the limit allows");
#endif
        QFETCH(qint64, lineBytes);
        QFETCH(qint64, lines);
        QFETCH(qint64, blockBytes);
        QFETCH(qint64, addressSpace);
        const Sandbox sandbox;
        const auto limited = [addressSpace] {
            const rlimit limit{rlim_t(addressSpace), rlim_t(addressSpace)};
            setrlimit(RLIMIT_AS, &limit);
        };
        Result result;
        if (blockBytes > 0) {
            result = sandbox.simulate({"--delay", "0", "--block-size", "1073741824"}, limited);
        } else {
            QVERIFY(writeFile(sandbox.path("c.dmp"), randomBytes(1000, 1)));
            QVERIFY(writeLongCrashData(sandbox.path("crash.dat"), sandbox.path("c.dmp"), lineBytes,
                                       lines));
            result = sandbox.reporter({sandbox.path("crash.dat")}, limited);
        }
        // The simulator ends with 0 only when the reporter said "connected" and ended with 0.
        QCOMPARE(result.exitCode, 0);
        QVERIFY(blockBytes > 0 || result.standardOutput == "connected\n");
        const QByteArray report = entryData(sandbox.package(0), "report.xml");
        QVERIFY(report.contains(blockBytes > 0 ? "<Serial>Q5PC-000123</Serial>" : "<Entry>"));
        // Within what the service department's desk reads.
        QVERIFY(report.size() < 1024 * 1024);
        QVERIFY(!QFile::exists(sandbox.path("crash.dat")));
    }

    // Where the Crash Dumps folder cannot take the package, a private folder of the user's
    // does; never the root of the file system.
    void unusableCrashDumpsFallBack_data()
    {
        QTest::addColumn<QString>("home"); // "-": unset
        QTest::addColumn<bool>("stateFolder");
        QTest::addColumn<QString>("saved"); // relative to the sandbox
        const QString state = "state/Varnel Professional/Q5-PC/Crash Dumps/Crash Report 0.cdp";
        QTest::newRow("a file in place of Crash Dumps") << "home" << true << state;
        QTest::newRow("home unset") << "-" << true << state;
        QTest::newRow("home is the root") << "/" << true << state;
        QTest::newRow("no home, no state folder")
            << "/" << false << "tmp/Varnel Crash Dumps-*/Crash Report 0.cdp";
    }

    void unusableCrashDumpsFallBack()
    {
        QFETCH(QString, home);
        QFETCH(bool, stateFolder);
        QFETCH(QString, saved);
        Sandbox sandbox;
        const QByteArray dump = sandbox.writeCrashData();
        if (home == "home") {
            QVERIFY(QDir().mkpath(QFileInfo(sandbox.dumps()).path()));
            QVERIFY(writeFile(sandbox.dumps(), "in the way"));
        } else if (home == "-") {
            sandbox.m_environment.remove("HOME");
        } else {
            sandbox.m_environment.insert("HOME", home);
        }
        if (!stateFolder)
            sandbox.m_environment.remove("XDG_STATE_HOME");
        const QStringList rootBefore = QDir("/").entryList();
        QCOMPARE(sandbox.reporter({sandbox.path("crash.dat")}).exitCode, 0);
        QCOMPARE(QDir("/").entryList(), rootBefore);
        const QStringList found = sandbox.packagesAnywhere();
        QCOMPARE(found.size(), 1);
        const QRegularExpression where(
            QRegularExpression::wildcardToRegularExpression(sandbox.path(saved)));
        QVERIFY2(where.match(found[0]).hasMatch(), qPrintable(found[0]));
        QVERIFY(sandbox.log().contains("Crash report saved to " + found[0]));
        QCOMPARE(entryData(found[0], "c.dmp"), dump);
        QCOMPARE(modeOf(QFileInfo(found[0]).path()), 0700u);
    }

    // A termination request while the package is written lets it finish and ends with 0;
    // SIGKILL cannot be held, but leaves no file under a package's name (the package takes its
    // name only when complete), and the next episode takes the first number.
    void signalsWhileThePackageIsWritten_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("SIGKILL") << int(SIGKILL);
    }

    void signalsWhileThePackageIsWritten()
    {
        QFETCH(int, signal);
        const Sandbox sandbox;
        const QByteArray dump = sandbox.writeCrashData(96 * 1024 * 1024);
        const auto reporter = sandbox.start("q5-crash-reporter", {sandbox.path("crash.dat")});
        QVERIFY(reporter->waitForStarted());
        // Stopped as soon as it begins the package (a second's work), hit while stopped.
        QElapsedTimer clock;
        clock.start();
        while (!sandbox.log().contains("Creating dump package") && clock.elapsed() < 30000)
            QThread::usleep(500);
        QVERIFY2(sandbox.log().contains("Creating dump package"), "the package was never begun");
        const pid_t pid = pid_t(reporter->processId());
        ::kill(pid, SIGSTOP);
        QVERIFY2(sandbox.packagesAnywhere().isEmpty(), "the package was done before the signal");
        ::kill(pid, signal);
        ::kill(pid, SIGCONT);
        const Result result = finish(*reporter);
        if (signal == SIGKILL) {
            QCOMPARE(sandbox.packagesAnywhere(), QStringList());
            sandbox.writeCrashData(dump.size());
            QCOMPARE(sandbox.reporter({sandbox.path("crash.dat")}).exitCode, 0);
        } else {
            QCOMPARE(result.exitCode, 0);
        }
        QCOMPARE(sandbox.packagesAnywhere(), QStringList{sandbox.package(0)});
        QCOMPARE(entryData(sandbox.package(0), "c.dmp"), dump);
    }

    // Whoever started the reporter may be gone (its end of the pipe closed), or the display may
    // be what failed, whether the environment or the user chose it: the package is saved all
    // the same.
    void hostileSurroundingsStillSaveThePackage_data()
    {
        QTest::addColumn<bool>("closedPipe");
        QTest::addColumn<QString>("platform"); // empty: none chosen
        QTest::addColumn<bool>("display");
        QTest::newRow("standard output a closed pipe") << true << "offscreen" << false;
        QTest::newRow("no display at all") << false << "" << false;
        QTest::newRow("display that does not answer") << false << "" << true;
        QTest::newRow("xcb chosen, display that does not answer") << false << "xcb" << true;
        QTest::newRow("wayland chosen, no compositor") << false << "wayland" << false;
    }

    void hostileSurroundingsStillSaveThePackage()
    {
        QFETCH(bool, closedPipe);
        QFETCH(QString, platform);
        QFETCH(bool, display);
        Sandbox sandbox;
        const QByteArray dump = sandbox.writeCrashData();
        int ends[2];
        QCOMPARE(::pipe2(ends, O_CLOEXEC), 0);
        ::close(ends[0]);
        const int writeEnd = ends[1];
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            sandbox.m_environment.remove(name);
        if (!platform.isEmpty())
            sandbox.m_environment.insert("QT_QPA_PLATFORM", platform);
        if (display)
            sandbox.m_environment.insert("DISPLAY", deadDisplay());
        if (platform == "wayland")
            sandbox.m_environment.insert("WAYLAND_DISPLAY", "no-such-compositor");
        const Result result = sandbox.reporter({sandbox.path("crash.dat")}, [=] {
            if (closedPipe)
                ::dup2(writeEnd, STDOUT_FILENO);
        });
        ::close(writeEnd);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.standardOutput, QByteArray(closedPipe ? "" : "connected\n"));
        QCOMPARE(entryData(sandbox.package(0), "c.dmp"), dump);
    }

    void reportersSavingTogetherNeverShareAName()
    {
        const Sandbox sandbox;
        constexpr int Count = 6;
        std::vector<std::unique_ptr<QProcess>> simulators;
        for (int i = 0; i < Count; ++i) {
            const QString dump = sandbox.path(QString("c%1.dmp").arg(i));
            simulators.push_back(sandbox.start(
                "q5-controller-sim", {"--instance", QString::number(1000 + i), "--delay", "0",
                                      "--timeout", "60", "--dump", dump, "--dump-size",
                                      QString::number(300000 + i), "--data-file", dump + ".dat"}));
        }
        // Every reporter is done before any package is read.
        for (const auto& simulator : simulators)
            QCOMPARE(finish(*simulator).exitCode, 0);
        QSet<QString> dumps;
        for (int i = 0; i < Count; ++i) {
            const QString name = entryNames(sandbox.package(i)).value(0);
            QCOMPARE(entryData(sandbox.package(i), name), readFile(sandbox.path(name)));
            dumps.insert(name);
        }
        QCOMPARE(dumps.size(), Count);
    }
};

QTEST_GUILESS_MAIN(TestReporterProcess)
#include "tst_reporter_process.moc"
