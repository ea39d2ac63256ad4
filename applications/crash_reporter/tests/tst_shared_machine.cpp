#include "controller_sim/crash_channel_writer.h"
#include "test_support.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QTest>

#include <grp.h>
#include <pwd.h>

namespace {

struct User {
    uid_t uid = 0;
    gid_t gid = 0;
};

std::optional<User> userNamed(const char* name)
{
    const passwd* entry = ::getpwnam(name);
    if (!entry)
        return std::nullopt;
    return User{entry->pw_uid, entry->pw_gid};
}

struct Result {
    int exitCode = -1; // -1: killed, or still running after the wait
    QByteArray out;
    QByteArray err;
};

constexpr char Key[] = "VarnelQ5SM";

// A record as the wire tables give it: present, version 6.4.0.0, no model, serial "FORGED",
// dark, the extra file, and a delay of 0 seconds (no dialog).
QByteArray forgedRecord(const QString& extraFile)
{
    QByteArray extra;
    for (const QChar c : extraFile)
        extra += char(c.unicode() >> 8) + QByteArray(1, char(c.unicode() & 0xff));
    const QByteArray length = QByteArray::number(extra.size(), 16).rightJustified(8, '0');
    return wire("01 | 06 04 00 00 | 00 | 0000000c 0046 004f 0052 0047 0045 0044 | 01") +
           QByteArray::fromHex(length) + extra +
           wire("01 | 0000000000000001 | 0000000000000001 | 0000000000000000");
}

} // namespace

// The reporter on a machine that users share. It runs as q5-operator; q5-intruder, another
// ordinary user, prepares the shared sticky temporary folder first: nothing it does can hang the
// reporter or feed it a record, and folders from the environment are used only as the rules
// allow.
class TestSharedMachine : public QObject
{
    Q_OBJECT

private:
    std::optional<User> m_operator;
    std::optional<User> m_intruder;
    QString m_sharedRoot;
    QString m_bin; // the programs, where the users can run them wherever the build is
    int m_case = 0;
    QString m_shared; // this case's: sticky, open to all, like /tmp
    QString m_home;

    QString home(const QString& name) const { return m_home + '/' + name; }

    // Runs the program as the user, with a home and folders of the user's own.
    Result runAs(const User& user, const QString& program, const QStringList& arguments,
                 const QMap<QString, QString>& settings = {}, const QString& folder = {},
                 const std::function<void(QProcess&)>& meanwhile = {}) const
    {
        QProcessEnvironment environment;
        environment.insert("PATH", qEnvironmentVariable("PATH"));
        environment.insert("HOME", m_home);
        environment.insert("TMPDIR", m_shared);
        environment.insert("XDG_STATE_HOME", home("state"));
        environment.insert("XDG_CONFIG_HOME", home("config"));
        environment.insert("XDG_RUNTIME_DIR", home("runtime"));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("Q5_CRASH_REPORTER_LOG", home("reporter.log"));
        for (auto setting = settings.cbegin(); setting != settings.cend(); ++setting)
            environment.insert(setting.key(), setting.value());
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(folder.isEmpty() ? m_shared : folder);
        process.setChildProcessModifier([user] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(user.gid) != 0 || ::setuid(user.uid) != 0)
                ::_exit(126);
        });
        process.start(program, arguments);
        if (meanwhile && process.waitForStarted())
            meanwhile(process);
        if (!process.waitForFinished(30000))
            process.kill();
        process.waitForFinished();
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), process.readAllStandardError()};
    }

    // A user's doings with the crash channel's objects; the complaint, if any.
    QByteArray ipc(const User& user, const QStringList& arguments) const
    {
        const Result result =
            runAs(user, "/usr/bin/python3", QStringList{m_bin + "/ipc_intruder.py"} + arguments);
        return result.exitCode == 0
                   ? QByteArray()
                   : "failed (" + QByteArray::number(result.exitCode) + "): " + result.err;
    }

    Result reporter(const QMap<QString, QString>& settings = {}, const QString& folder = {},
                    const QString& dataFile = "crash.dat",
                    const std::function<void(QProcess&)>& meanwhile = {}) const
    {
        return runAs(*m_operator, m_bin + "/q5-crash-reporter",
                     {dataFile.startsWith('-') ? dataFile : home(dataFile)}, settings, folder,
                     meanwhile);
    }

    // The operator's crash data file, naming a dump, in the operator's home.
    void writeCrashData(const QString& folder = {})
    {
        const QString data = (folder.isEmpty() ? m_home : folder) + "/crash.dat";
        QVERIFY(writeFile(home("c.dmp"), randomBytes(20000, 7)));
        QVERIFY(writeFile(
            data,
            serializeCrashData({home("c.dmp"), QDateTime::currentDateTime(), {"last words"}})));
        giveToOperator(data);
        giveToOperator(home("c.dmp"));
    }

    void giveToOperator(const QString& path) const
    {
        QVERIFY(::chown(QFile::encodeName(path).constData(), m_operator->uid, m_operator->gid) ==
                0);
    }

    QStringList packages() const
    {
        QStringList found;
        QDirIterator files(m_shared, {"*.cdp"}, QDir::Files | QDir::Hidden,
                           QDirIterator::Subdirectories);
        while (files.hasNext())
            found << files.next();
        return found;
    }

    QString log() const { return QString::fromUtf8(readFile(home("reporter.log"))); }

private Q_SLOTS:
    void initTestCase()
    {
        m_operator = userNamed("q5-operator");
        m_intruder = userNamed("q5-intruder");
        if (!m_operator || !m_intruder || ::geteuid() != 0)
            QSKIP("These tests run as root with the users q5-operator and q5-intruder, which "
                  "the test command makes");
        // Every user must reach it, wherever the build is: the shared memory folder is.
        QByteArray shared = "/dev/shm/q5-shared-XXXXXX";
        QVERIFY(::mkdtemp(shared.data()));
        m_sharedRoot = QString::fromLocal8Bit(shared);
        QVERIFY(::chmod(shared.constData(), 0755) == 0);
        m_bin = m_sharedRoot + "/bin";
        QVERIFY(QDir().mkpath(m_bin));
        for (const QString& program :
             {qEnvironmentVariable("Q5_BIN_DIR") + "/q5-crash-reporter",
              qEnvironmentVariable("Q5_BIN_DIR") + "/q5-crash-reporter-episode",
              qEnvironmentVariable("Q5_BIN_DIR") + "/q5-controller-sim",
              qEnvironmentVariable("Q5_IPC_INTRUDER")})
            QVERIFY(QFile::copy(program, m_bin + '/' + QFileInfo(program).fileName()));
    }

    void init()
    {
        m_shared = m_sharedRoot + QString("/case-%1").arg(++m_case);
        QVERIFY(QDir().mkpath(m_shared));
        QVERIFY(::chmod(QFile::encodeName(m_shared).constData(), 01777) == 0);
        m_home = m_shared + "/operator";
        for (const char* folder : {"", "/state", "/config", "/runtime"}) {
            QVERIFY(QDir().mkpath(m_home + folder));
            giveToOperator(m_home + folder);
            QFile::setPermissions(m_home + folder, QFileDevice::ReadOwner |
                                                       QFileDevice::WriteOwner |
                                                       QFileDevice::ExeOwner);
        }
    }

    void cleanup()
    {
        if (m_intruder)
            QProcess::execute("/usr/bin/python3",
                              {m_bin + "/ipc_intruder.py", "remove", m_shared, Key});
    }

    void cleanupTestCase()
    {
        if (!m_sharedRoot.isEmpty())
            QDir(m_sharedRoot).removeRecursively();
    }

    // The other user's lock of the key, held before any crash: the episode goes on without a
    // record after a bounded wait, keeps the crash, and a termination request still works.
    void anotherUsersLockHangsNothing()
    {
        QCOMPARE(ipc(*m_intruder, {"lock", m_shared, Key}), QByteArray());
        writeCrashData();
        const Result result = reporter();
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, QByteArray("connected\n"));
        QCOMPARE(packages().size(), 1);
        QCOMPARE(entryNames(packages().at(0)), QStringList({"c.dmp", "report.xml"}));
        QVERIFY(!QFileInfo::exists(home("crash.dat")));
    }

    // The operator's own block, its lock held for good (a writer that hung): the episode waits
    // a while, then goes on without the record; a termination request meanwhile is taken up.
    void ownLockHeldForGood()
    {
        QCOMPARE(ipc(*m_operator, {"record", m_shared, Key,
                                   QString::fromLatin1(forgedRecord({}).toHex()), "600", "held"}),
                 QByteArray());
        writeCrashData();
        const Result result = reporter({}, {}, "crash.dat", [](QProcess& process) {
            QTest::qWait(500);
            if (process.state() == QProcess::Running && process.processId() > 0)
                ::kill(pid_t(process.processId()), SIGTERM);
        });
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, QByteArray("connected\n"));
        QVERIFY2(result.err.contains("stayed locked"), result.err);
        QVERIFY(log().contains("Termination requested"));
        QCOMPARE(packages().size(), 1);
        QVERIFY(!entryData(packages().at(0), "report.xml").contains("FORGED"));
    }

    // A record in a block that another user made, open to all, naming the operator's private
    // file: it is not taken, and the private file stays out of the package.
    void anotherUsersRecordIsNotTaken()
    {
        QVERIFY(writeFile(home("secret.txt"), "the operator's own"));
        giveToOperator(home("secret.txt"));
        QCOMPARE(ipc(*m_intruder, {"record", m_shared, Key,
                                   QString::fromLatin1(forgedRecord(home("secret.txt")).toHex()),
                                   "666", "free"}),
                 QByteArray());
        writeCrashData();
        const Result result = reporter();
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, QByteArray("connected\n"));
        QVERIFY2(result.err.contains("is not the user's own"), result.err);
        QCOMPARE(packages().size(), 1);
        QCOMPARE(entryNames(packages().at(0)), QStringList({"c.dmp", "report.xml"}));
        QVERIFY(!entryData(packages().at(0), "report.xml").contains("FORGED"));
    }

    // The operator's own record, in a block of the operator's alone, is still taken.
    void ownRecordIsTaken()
    {
        QVERIFY(writeFile(home("notes.txt"), "extra notes"));
        giveToOperator(home("notes.txt"));
        writeFile(home("c.dmp"), randomBytes(20000, 7));
        giveToOperator(home("c.dmp"));
        const Result result =
            runAs(*m_operator, m_bin + "/q5-controller-sim",
                  {"--timeout", "30", "--delay", "0", "--serial", "OWN-1", "--extra-file",
                   home("notes.txt"), "--data-file", home("crash.dat"), "--dump", home("c.dmp")});
        QVERIFY2(result.exitCode == 0, result.out + result.err);
        QCOMPARE(packages().size(), 1);
        QCOMPARE(entryNames(packages().at(0)), QStringList({"c.dmp", "report.xml", "notes.txt"}));
        QVERIFY(entryData(packages().at(0), "report.xml").contains("<Serial>OWN-1</Serial>"));
    }

    // Documents and state folders that lead to the file system's root, or are relative to
    // the working folder, are not written to: the crash goes to a folder that is the user's.
    void foldersFromTheEnvironment_data()
    {
        QTest::addColumn<QString>("documents"); // as user-dirs.dirs gives it
        QTest::addColumn<QString>("state");     // XDG_STATE_HOME, "" for the sandbox's own
        QTest::newRow("documents /tmp/..") << "/tmp/.."
                                           << "";
        QTest::newRow("documents /.") << "/."
                                      << "";
        QTest::newRow("documents $HOME/../..") << "$HOME/../.. to the root"
                                               << "";
        QTest::newRow("documents relative") << "Documents here"
                                            << "";
        // A file in the way of the documents folder, so that the state folder is tried.
        QTest::newRow("state /tmp/..") << "$HOME/blocked"
                                       << "/tmp/..";
        QTest::newRow("state relative") << "$HOME/blocked"
                                        << "state here";
    }

    void foldersFromTheEnvironment()
    {
        QFETCH(QString, documents);
        QFETCH(QString, state);
        documents.replace(" to the root", QString("/..").repeated(m_home.count('/') - 1));
        QVERIFY(writeFile(home("config/user-dirs.dirs"),
                          QString("XDG_DOCUMENTS_DIR=\"%1\"\n").arg(documents).toUtf8()));
        QVERIFY(writeFile(home("blocked"), "in the way"));
        const QString working = home("working");
        QVERIFY(QDir().mkpath(working));
        giveToOperator(working);
        writeCrashData();
        QMap<QString, QString> settings;
        if (!state.isEmpty())
            settings.insert("XDG_STATE_HOME", state);
        const QStringList rootBefore = QDir("/").entryList(QDir::AllEntries | QDir::Hidden);
        const Result result = reporter(settings, working);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(QDir("/").entryList(QDir::AllEntries | QDir::Hidden), rootBefore);
        QCOMPARE(QDir(working).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        // Every folder tried, and the one that took the package, are the operator's.
        const QRegularExpression tried("(?:auto-saving the crash report to|Crash report saved "
                                       "to) (.*)");
        auto matches = tried.globalMatch(QString::fromUtf8(result.err) + '\n' + log());
        QVERIFY(matches.hasNext());
        while (matches.hasNext()) {
            const QString path = matches.next().captured(1);
            QVERIFY2(path.startsWith(m_home + '/'), qPrintable(path));
        }
        QCOMPARE(packages().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSharedMachine)
#include "tst_shared_machine.moc"
