#include "package_builder.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
    QStringList lines() const { return out.split('\n', Qt::SkipEmptyParts); }
    QJsonDocument json() const { return QJsonDocument::fromJson(out.toUtf8()); }
};

// Two mails as the mail program leaves them: a Maildir message and an mbox of two.
constexpr char MaildirMessage[] = R"(import email.message
m = email.message.EmailMessage()
m['From'] = 'Ops <ops@example.org>'
m['Date'] = 'Mon, 07 Dec 2026 09:30:00 +0000'
m.set_content('crash')
m.add_attachment(package('by mail'), maintype='application', subtype='octet-stream',
                 filename='crash_log.cdp')
out = bytes(m))";
constexpr char Mbox[] = R"(import email.message, mailbox
box = mailbox.mbox(sys.argv[1])
for n in range(2):
    m = email.message.EmailMessage()
    m['From'] = 'desk@example.org'
    m.set_content('two')
    m.add_attachment(package('mbox %d' % n), maintype='application', subtype='gzip',
                     filename='Crash Report %d.cdp' % n)
    box.add(m)
box.flush()
out = open(sys.argv[1], 'rb').read())";
constexpr char Forwarded[] = R"(import email.message
inner = email.message.EmailMessage()
inner['From'] = 'site@example.org'
inner.set_content('see attached')
inner.add_attachment(package('forwarded'), maintype='application', subtype='octet-stream',
                     filename='c.cdp')
m = email.message.EmailMessage()
m['From'] = 'Desk <desk@example.org>'
m.set_content('fwd')
m.add_attachment(inner)
out = bytes(m))";

} // namespace

// q5-crash-inbox as the service desk uses it: a process with its own data folder, packages and
// mail built by Python's tarfile, gzip and email, answers read back as text and JSON.
class TestInboxCommand : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

    QString path(const QString& name) const { return m_home.filePath(name); }

    std::unique_ptr<QProcess> start(const QStringList& arguments) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", m_home.path());
        environment.insert("XDG_DATA_HOME", path("data"));
        environment.remove("Q5_CRASH_INBOX_DATABASE");
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(m_home.path());
        process->start(qEnvironmentVariable("Q5_BIN_DIR") + "/q5-crash-inbox", arguments);
        return process;
    }

    static Run finish(QProcess& process)
    {
        if (!process.waitForFinished(120000))
            process.kill();
        process.waitForFinished();
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    Run inbox(const QStringList& arguments) const { return finish(*start(arguments)); }

    // Writes Python's `out` to the path.
    void build(const QString& name, const QString& program) const
    {
        QDir().mkpath(QFileInfo(path(name)).path());
        QCOMPARE(buildWithPython(program + "\nopen(sys.argv[1], 'wb').write(out)\n", path(name)),
                 QByteArray());
    }

    // Packages of distinct content, 0 to count - 1, in the folder.
    void buildMany(const QString& folder, int count) const
    {
        QDir().mkpath(path(folder));
        QCOMPARE(buildWithPython(QString("for n in range(%1):\n    open('%2/%05d.cdp' % n, 'wb')"
                                         ".write(package('crash %d' % n, 'SN-%d' % (n % 7)))\n")
                                     .arg(count)
                                     .arg(path(folder)),
                                 {}),
                 QByteArray());
    }

    QString postgres() const
    {
        QFile url(qEnvironmentVariable("Q5_TEST_POSTGRES_DIR") + "/url");
        return url.open(QIODevice::ReadOnly) ? QString::fromUtf8(url.readAll()).trimmed()
                                             : QString();
    }

private Q_SLOTS:
    void init() { QDir(path("data")).removeRecursively(); }

    // Files, folders, Maildir and mbox: one line per package, in order; the same content once.
    void addingFromEverywhere()
    {
        build("usb/a.cdp", "out = package('lamp 12 dark', 'SN-1')");
        build("usb/deeper/b.cdp", "out = package('fan', 'SN-2', date='06/12/2026')");
        build("usb/copy-of-a.cdp",
              "out = open(sys.argv[1].replace('copy-of-a', 'a'), 'rb').read()");
        build("usb/broken.cdp", "out = package()[:100]");
        build("mail/cur/1", MaildirMessage);
        QDir().mkpath(path("mail/new"));
        build("mbox", Mbox);
        const Run run = inbox({"add", path("usb"), path("mail"), path("mbox"), path("gone.cdp")});
        QCOMPARE(run.status, 1);
        // Numbers follow the order of filing within a batch, which is not the order of input.
        QStringList lines = run.lines();
        lines.replaceInStrings(QRegularExpression("^(added|known) \\d+ "), "\\1 ");
        QCOMPARE(
            lines,
            QStringList(
                {"added " + path("usb/a.cdp"),
                 "rejected " + path("usb/broken.cdp") + ": it ends early: the file is cut short",
                 "known " + path("usb/copy-of-a.cdp"), "added " + path("usb/deeper/b.cdp"),
                 "added " + path("mail/cur/1") + "#0/0", "added " + path("mbox") + "#0/0",
                 "added " + path("mbox") + "#1/0",
                 "rejected " + path("gone.cdp") + ": it does not exist"}));
        QCOMPARE(run.lines().at(0).section(' ', 1, 1), run.lines().at(2).section(' ', 1, 1));
        QVERIFY(QFileInfo::exists(path("data/Varnel Professional/Crash Inbox/inbox.sqlite")));
        const QString mailed = run.lines().at(4).section(' ', 1, 1);
        QVERIFY(inbox({"show", mailed}).out.contains("Ops <ops@example.org> 2026-12-07T09:30:00Z"));
        const QString lastOfMbox = run.lines().at(6).section(' ', 1, 1);
        QCOMPARE(inbox({"show", lastOfMbox, "--json"}).json().object()["comments"].toString(),
                 QString("mbox 1"));
        const Run again = inbox({"add", path("usb/a.cdp")});
        QCOMPARE(again.status, 0);
        QCOMPARE(again.lines(), QStringList{"known" + run.lines().at(0).mid(5)});
    }

    // The JSON of show, list and groups, read by Qt's parser: every field there, absent ones
    // null.
    void jsonShapes()
    {
        build("a.cdp", "out = package('lamp', 'SN-1', date='', time='')");
        build("b.cdp", "out = package('fan', 'SN-2')");
        QCOMPARE(inbox({"add", path("a.cdp"), path("b.cdp")}).status, 0);
        const QJsonObject shown = inbox({"show", path("b.cdp"), "--json"}).json().object();
        QCOMPARE(
            QStringList(shown.keys()),
            QStringList({"comments", "crash", "crashProblem", "date", "device", "entries", "file",
                         "id", "outputLog", "platform", "serial", "sha256", "time", "version"}));
        QVERIFY(shown["crash"].isNull());
        QCOMPARE(shown["crashProblem"].toString(), QString("its dump c.dmp is no minidump"));
        QCOMPARE(shown["date"].toString(), QString("2026-12-05"));
        QVERIFY(shown["id"].toInt() > 0);
        QCOMPARE(shown["entries"].toArray().at(1).toObject()["name"].toString(),
                 QString("report.xml"));
        QCOMPARE(shown["outputLog"].toArray().at(0).toString(), QString("DMX lost"));
        const QJsonArray listed = inbox({"list", "--json"}).json().array();
        QCOMPARE(listed.size(), 2);
        QCOMPARE(QStringList(listed.at(1).toObject().keys()),
                 QStringList({"comments", "date", "device", "id", "serial", "sha256", "signature",
                              "time", "version"}));
        QCOMPARE(listed.at(1).toObject()["signature"].toString(), QString("no dump facts"));
        QVERIFY(listed.at(1).toObject()["date"].isNull() &&
                listed.at(1).toObject()["time"].isNull());
        const QJsonObject group =
            inbox({"groups", "--by", "version", "--json"}).json().array().at(0).toObject();
        QCOMPARE(group["count"].toInt(), 2);
        QCOMPARE(group["serials"].toArray(), QJsonArray({"SN-1", "SN-2"}));
        QCOMPARE(group["last"].toString(), QString("2026-12-05T20:53:47"));
    }

    // Only what is safe is written, inside DIR, never through a link and never over anything.
    void extractingSafely()
    {
        build("hostile.cdp",
              "out = gzip.compress(tar([file('/tmp/absolute'), file('../escape'), "
              "file('n' * 300), ('link', b'', tarfile.SYMTYPE, '/etc'), "
              "('hard', b'', tarfile.LNKTYPE, 'report.xml'), ('fifo', b'', tarfile.FIFOTYPE, ''), "
              "file('report.xml', REPORT), file('report.xml', b'second'), "
              "file('c.dmp', b'through the link?'), file('folder/inside.txt', b'in')]))");
        QDir().mkpath(path("out"));
        QVERIFY(QFile::link(path("outside.dmp"), path("out/c.dmp")));
        const Run run = inbox({"extract", path("hostile.cdp"), path("out")});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.lines().filter("extracted "),
                 QStringList({"extracted report.xml", "extracted folder/inside.txt"}));
        QCOMPARE(run.lines().filter("skipped ").size(), 8);
        QVERIFY(!QFileInfo::exists(path("outside.dmp")) && !QFileInfo::exists(path("escape")));
        QCOMPARE(
            QDir(path("out")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
            QStringList({"c.dmp", "folder", "report.xml"}));
        // An entry larger than the disk is refused before a byte is written.
        build("huge.cdp",
              "import tarfile\ninfo = tarfile.TarInfo('c.dmp'); info.size = 1 << 50\n"
              "out = gzip.compress(info.tobuf(format=tarfile.GNU_FORMAT) + b'x' * 512)");
        const Run huge = inbox({"extract", path("huge.cdp"), path("huge")});
        QVERIFY2(huge.out.contains("skipped c.dmp: its 1125899906842624 bytes would not fit"),
                 qPrintable(huge.out));
        QCOMPARE(huge.status, 1);
    }

    // Two desks filing overlapping sets at once, on either engine: each package once, no error.
    void fillingTogether_data()
    {
        QTest::addColumn<bool>("onPostgres");
        QTest::newRow("SQLite") << false;
        QTest::newRow("PostgreSQL") << true;
    }

    void fillingTogether()
    {
        QFETCH(bool, onPostgres);
        buildMany("many", 120);
        const QString database = onPostgres ? postgres() : path("together.sqlite");
        QVERIFY(!database.isEmpty());
        if (onPostgres)
            QProcess::execute(
                "psql", {database, "-qc", "DROP SCHEMA public CASCADE; CREATE SCHEMA public"});
        const auto first = start({"--database", database, "add", path("many")});
        const auto second = start({"--database", database, "add", path("many/00060.cdp"),
                                   path("many/00099.cdp"), path("many")});
        const Run one = finish(*first), two = finish(*second);
        QCOMPARE(one.status, 0);
        QVERIFY2(two.status == 0, qPrintable(two.err));
        QCOMPARE(one.lines().size() + two.lines().size(), 242);
        const QJsonArray listed = inbox({"--database", database, "list", "--json"}).json().array();
        QCOMPARE(listed.size(), 120);
        QCOMPARE(inbox({"--database", database, "list", "--search", "crash 77"}).lines().size(), 1);
    }

    // Killed at any moment, an add leaves the database whole; the next completes the set.
    void killedWhileFiling()
    {
        buildMany("killed", 600);
        const auto add = start({"add", path("killed")});
        // Stopped as soon as its first batch is filed, then killed.
        QVERIFY(add->waitForReadyRead(60000));
        ::kill(pid_t(add->processId()), SIGSTOP);
        ::kill(pid_t(add->processId()), SIGKILL);
        add->waitForFinished();
        const Run again = inbox({"add", path("killed")});
        QCOMPARE(again.status, 0);
        QCOMPARE(inbox({"list", "--json"}).json().array().size(), 600);
        QVERIFY(!again.lines().filter("known ").isEmpty() &&
                !again.lines().filter("added ").isEmpty());
    }

    // A package that is still being copied when the watch sees it is filed once complete.
    void watchingAFolder()
    {
        build("complete.cdp",
              "out = package('copied slowly', dump=random.Random(2).randbytes(200000))");
        QFile complete(path("complete.cdp"));
        QVERIFY(complete.open(QIODevice::ReadOnly));
        const QByteArray bytes = complete.readAll();
        QDir().mkpath(path("incoming"));
        const auto watch = start({"add", "--watch", path("incoming")});
        QFile growing(path("incoming/new.cdp"));
        QVERIFY(growing.open(QIODevice::WriteOnly));
        growing.write(bytes.left(bytes.size() / 2));
        growing.flush();
        // It stood still long enough to be read, and was found short.
        QByteArray noted;
        QTRY_VERIFY_WITH_TIMEOUT((noted += watch->readAllStandardError()).contains("waiting for"),
                                 20000);
        growing.write(bytes.mid(bytes.size() / 2));
        growing.close();
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += watch->readAllStandardOutput())
                                     .contains("added 1 " + path("incoming/new.cdp").toUtf8()),
                                 20000);
        watch->kill();
        watch->waitForFinished();
        said += watch->readAllStandardOutput();
        QVERIFY2(!said.contains("rejected"), said);
    }

    // Relative paths are filed as absolute ones, forwarded mail is looked into, and names
    // from outside can neither forge a line of output nor drive the terminal.
    void namesAndPlacesFromOutside()
    {
        build("odd/forwarded.eml", Forwarded);
        build("odd/forged.cdp", "out = gzip.compress(tar([file('ok\\nextracted ../../etc/passwd'), "
                                "file('e\\x1b]0;T\\x07'), file('report.xml', REPORT)]))");
        const Run run = inbox({"add", "odd/forged.cdp", "odd/forwarded.eml"});
        QCOMPARE(run.status, 0);
        QStringList lines = run.lines();
        lines.replaceInStrings(QRegularExpression("^added \\d+ "), "");
        QCOMPARE(lines, QStringList({path("odd/forged.cdp"), path("odd/forwarded.eml") + "#0/0"}));
        const Run shown = inbox({"show", path("odd/forged.cdp")});
        QVERIFY2(shown.out.contains("ok\\nextracted ../../etc/passwd\n") &&
                     shown.out.contains("e\\x1b]0;T\\x07\n") && !shown.out.contains('\x1b'),
                 qPrintable(shown.out));
        const Run extracted = inbox({"extract", path("odd/forged.cdp"), path("odd/out")});
        QCOMPARE(extracted.lines().size(), 3);
        QCOMPARE(extracted.lines().filter(QRegularExpression("^(extracted|skipped) ")).size(), 3);
    }

    void usageAndDatabaseErrors()
    {
        QVERIFY(inbox({"add", "--watch", path("nowhere")}).err.contains("is not a folder"));
        QVERIFY(inbox({"--database", "/dev/null", "list"}).err.contains("not a database file"));
        QCOMPARE(inbox({"list", "--frob"}).status, 2);
        QCOMPARE(inbox({"frob"}).status, 2);
        QCOMPARE(inbox({"show"}).status, 2);
        QVERIFY(inbox({"extract", "--help"})
                    .out.startsWith("Usage: q5-crash-inbox [--database URL] extract ID|FILE DIR"));
        const Run unreachable =
            inbox({"--database", "postgresql://nobody@/none?host=" + path("no-server"), "list"});
        QCOMPARE(unreachable.status, 2);
        QVERIFY2(unreachable.err.contains("cannot be opened"), qPrintable(unreachable.err));
    }
};

QTEST_GUILESS_MAIN(TestInboxCommand)
#include "tst_inbox_command.moc"
