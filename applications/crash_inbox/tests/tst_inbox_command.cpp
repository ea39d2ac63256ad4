#include "inbox_run.h"
#include "package_format/tests/package_builder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <sys/resource.h>

namespace {

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

    std::unique_ptr<QProcess> start(const QStringList& arguments,
                                    const QMap<QString, QString>& settings = {},
                                    const std::function<void()>& childSetUp = {}) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", m_home.path());
        environment.insert("XDG_DATA_HOME", path("data"));
        environment.remove("Q5_CRASH_INBOX_DATABASE");
        for (auto setting = settings.cbegin(); setting != settings.cend(); ++setting) {
            if (setting.value().isNull())
                environment.remove(setting.key());
            else
                environment.insert(setting.key(), setting.value());
        }
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
        if (childSetUp)
            process->setChildProcessModifier(childSetUp);
        process->setWorkingDirectory(m_home.path());
        process->start(qEnvironmentVariable("Q5_BIN_DIR") + "/q5-crash-inbox", arguments);
        return process;
    }

    Run inbox(const QStringList& arguments, const QMap<QString, QString>& settings = {},
              const std::function<void()>& childSetUp = {}) const
    {
        return finishRun(*start(arguments, settings, childSetUp));
    }

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

    // The test's own PostgreSQL database, emptied.
    QString postgres() const
    {
        QFile url(qEnvironmentVariable("Q5_TEST_POSTGRES_URL_FILE"));
        if (!url.open(QIODevice::ReadOnly))
            return {};
        const QString database = QString::fromUtf8(url.readAll()).trimmed();
        return QProcess::execute("psql", {database, "-qc",
                                          "DROP SCHEMA public CASCADE; CREATE SCHEMA public"}) == 0
                   ? database
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
        // A mailed package is taken out of its mail into a temporary folder, which must be had:
        // no folder can be made inside a regular file.
        const Run noTemporary =
            inbox({"extract", path("mbox") + "#1/0", path("mailed")}, {{"TMPDIR", path("mbox")}});
        QCOMPARE(noTemporary.status, 1);
        QVERIFY2(noTemporary.err.contains("no temporary folder can be made"),
                 qPrintable(noTemporary.err));
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
        QCOMPARE(QStringList(shown.keys()),
                 QStringList({"comments", "crash", "crashProblem", "date", "device", "entries",
                              "file", "id", "mailDate", "mailFrom", "outputLog", "platform",
                              "serial", "sha256", "time", "version"}));
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
                 QStringList({"comments", "date", "device", "file", "id", "mailDate", "mailFrom",
                              "serial", "sha256", "signature", "time", "version"}));
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
        QVERIFY2(huge.out.contains("skipped c.dmp: its 1125899906842624 bytes would not fit on "
                                   "the disk, which keeps 16 MiB free"),
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
        const auto first = start({"--database", database, "add", path("many")});
        const auto second = start({"--database", database, "add", path("many/00060.cdp"),
                                   path("many/00099.cdp"), path("many")});
        const Run one = finishRun(*first), two = finishRun(*second);
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

    // extract ID takes a package only from a place that still holds what was filed: a file
    // replaced by another package yields nothing; a package found again at a new place is
    // filed there too, and extracted from there.
    void extractingWhatWasFiled()
    {
        build("a.cdp", "out = package('first')");
        build("b.cdp", "out = package('second')");
        const QString id = inbox({"add", path("a.cdp")}).lines().value(0).section(' ', 1, 1);
        QVERIFY(QFile::remove(path("a.cdp")) && QFile::copy(path("b.cdp"), path("a.cdp")));
        Run run = inbox({"extract", id, path("filed")});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(path("a.cdp") + " holds other content now"), qPrintable(run.err));
        QVERIFY(!QFileInfo::exists(path("filed")) || QDir(path("filed")).isEmpty());
        build("moved/first.cdp", "out = package('first')");
        QVERIFY(QFile::remove(path("a.cdp")));
        QCOMPARE(inbox({"add", path("moved/first.cdp")}).lines(),
                 QStringList{"known " + id + " " + path("moved/first.cdp")});
        run = inbox({"extract", id, path("filed")});
        QCOMPARE(run.status, 0);
        QVERIFY(run.lines().contains("extracted report.xml"));
        QCOMPARE(inbox({"extract", path("never.cdp"), path("out")}).err.trimmed(),
                 "q5-crash-inbox: " + path("never.cdp") + " does not exist");
    }

    // Mail keeps its sender and date in JSON as in text, a forwarded package its original
    // sender's; a mail file without a package is said to be one.
    void mailAsFiled_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("date");
        QTest::newRow("a message") << MaildirMessage << "Ops <ops@example.org>"
                                   << "2026-12-07T09:30:00Z";
        QTest::newRow("forwarded")
            << QString(Forwarded).replace("inner['From'] = 'site@example.org'",
                                          "inner['From'] = 'site@example.org'\n"
                                          "inner['Date'] = 'Sun, 06 Dec 2026 08:00:00 +0000'")
            << "site@example.org"
            << "2026-12-06T08:00:00Z";
        QTest::newRow("a date, no sender")
            << QString(MaildirMessage).replace("m['From'] = 'Ops <ops@example.org>'\n", "") << ""
            << "2026-12-07T09:30:00Z";
    }

    void mailAsFiled()
    {
        QFETCH(QString, program);
        QFETCH(QString, from);
        QFETCH(QString, date);
        build("mail.eml", program);
        const QString id = inbox({"add", path("mail.eml")}).lines().value(0).section(' ', 1, 1);
        const QJsonObject shown = inbox({"show", id, "--json"}).json().object();
        const QJsonObject listed = inbox({"list", "--json"}).json().array().at(0).toObject();
        for (const QJsonObject& object : {shown, listed}) {
            QCOMPARE(object["mailFrom"].toString(), from);
            QCOMPARE(object["mailFrom"].isNull(), from.isEmpty());
            QCOMPARE(object["mailDate"].toString(), date);
            QCOMPARE(object["file"].toString(), path("mail.eml") + "#0/0");
        }
        QVERIFY(inbox({"show", id})
                    .out.contains("Mailed by " + (from.isEmpty() ? "-" : from) + " " + date));
        // Every path given gets its line, also mail without a package and a text file.
        build("plain.eml", "out = b'From: x@example.org\\nSubject: hi\\n\\nno package\\n'");
        build("fake.cdp", "out = b'Subject: looks like mail\\n\\ntext\\n'");
        const Run nothing = inbox({"add", path("plain.eml"), path("fake.cdp")});
        QCOMPARE(nothing.status, 1);
        QCOMPARE(nothing.lines(),
                 QStringList({"rejected " + path("plain.eml") + ": no crash package is in it",
                              "rejected " + path("fake.cdp") + ": no crash package is in it"}));
    }

    // Texts from outside reach the terminal escaped in messages too; a password never does.
    void messagesOnTheTerminal()
    {
        const QString odd = "odd \x1b[31m\u200e\u202e\u200b\ufeff\\n.cdp";
        build(odd, "out = b'not a package'");
        Run run = inbox({"show", path(odd)});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains("odd \\x1b[31m\\u200e\\u202e\\u200b\\ufeff\\\\n.cdp") &&
                     !run.err.contains('\x1b'),
                 qPrintable(run.err));
        run = inbox({"--database", "postgresql://desk:s3cr3t@[broken/inbox", "list"});
        QCOMPARE(run.status, 2);
        QVERIFY2(!run.err.contains("s3cr3t") && run.err.contains("***"), qPrintable(run.err));
        run = inbox({"--database",
                     "postgresql://desk@/inbox?host=" + path("none") + "&password=s3cr3t&port=1",
                     "list"});
        QCOMPARE(run.status, 2);
        QVERIFY2(!run.err.contains("s3cr3t"), qPrintable(run.err));
        // Filed on a disk that fills up: the database is named, not the package.
        build("big.cdp", "out = package('x' * 200000, dump=random.Random(4).randbytes(300000))");
        QCOMPARE(inbox({"list"}).status, 0);
        const qint64 room =
            QFileInfo(path("data/Varnel Professional/Crash Inbox/inbox.sqlite")).size() + 8192;
        run = inbox({"add", path("big.cdp")}, {}, [room] {
            const rlimit limit{rlim_t(room), rlim_t(room)};
            setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, SIG_IGN);
        });
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.startsWith("q5-crash-inbox: the database cannot be written") &&
                     !run.err.contains("big.cdp"),
                 qPrintable(run.err));
    }

    // Without a display the window says so; help works everywhere; what is not given a value,
    // or not given at all, is a usage error; a show of a file makes no database.
    void withoutADisplayAndOtherUsage()
    {
        const QMap<QString, QString> noDisplay{
            {"DISPLAY", QString()}, {"WAYLAND_DISPLAY", QString()}, {"QT_QPA_PLATFORM", QString()}};
        for (const QStringList& arguments : {QStringList{}, QStringList{"open", "x.cdp"}}) {
            const Run run = inbox(arguments, noDisplay);
            QCOMPARE(run.status, 2);
            QVERIFY2(run.err.contains("there is no display"), qPrintable(run.err));
        }
        const Run help = inbox({"open", "--help"}, noDisplay);
        QCOMPARE(help.status, 0);
        QVERIFY(help.out.startsWith("Usage: q5-crash-inbox"));
        QCOMPARE(inbox({"--database"}).status, 2);
        QCOMPARE(inbox({"list", "--limit", "many"}).status, 2);
        build("s.cdp", "out = package('shown only')");
        QDir(path("data")).removeRecursively();
        QCOMPARE(inbox({"show", path("s.cdp")}).status, 0);
        QVERIFY(!QFileInfo::exists(path("data")));
        // A page of the list.
        buildMany("page", 5);
        QCOMPARE(inbox({"add", path("page")}).status, 0);
        QCOMPARE(inbox({"list", "--limit", "2", "--offset", "3"}).lines().size(), 2);
        QCOMPARE(inbox({"list", "--offset", "4"}).lines().size(), 1);
        // A watched folder that goes away ends the watch, with a word.
        QDir().mkpath(path("watched"));
        const auto watch = start({"add", "--watch", path("watched")});
        QVERIFY(watch->waitForStarted());
        QTest::qWait(500);
        QDir(path("watched")).removeRecursively();
        const Run ended = finishRun(*watch);
        QCOMPARE(ended.status, 2);
        QVERIFY2(ended.err.contains("the watched folder " + path("watched") + " is gone"),
                 qPrintable(ended.err));
    }

    // A database held by another program is waited for a stated time, then given up (exit 2),
    // on either engine; a read is not said to be a write.
    void busyDatabaseIsGivenUp_data()
    {
        QTest::addColumn<bool>("onPostgres");
        QTest::newRow("SQLite") << false;
        QTest::newRow("PostgreSQL") << true;
    }

    void busyDatabaseIsGivenUp()
    {
        QFETCH(bool, onPostgres);
        const QString database = onPostgres ? postgres() : path("busy.sqlite");
        QVERIFY(!database.isEmpty());
        QCOMPARE(inbox({"--database", database, "list"}).status, 0);
        // Another program holds the database for long.
        QProcess holder;
        if (onPostgres)
            holder.start("psql", {database, "-qc",
                                  "BEGIN; LOCK TABLE packages; SELECT "
                                  "pg_sleep(20); COMMIT"});
        else
            holder.start("python3", {"-c",
                                     "import sqlite3, sys, time\n"
                                     "db = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
                                     "db.execute('BEGIN EXCLUSIVE')\nprint('held', flush=True)\n"
                                     "time.sleep(20)",
                                     database});
        QVERIFY(holder.waitForStarted());
        QTest::qWait(onPostgres ? 1000 : 0);
        QVERIFY(onPostgres || holder.waitForReadyRead(10000));
        QElapsedTimer clock;
        clock.start();
        const Run run =
            inbox({"--database", database, "list"}, {{"Q5_CRASH_INBOX_BUSY_SECONDS", "2"}});
        const qint64 waited = clock.elapsed();
        holder.kill();
        holder.waitForFinished();
        QCOMPARE(run.status, 2);
        QVERIFY2(waited < 15000, qPrintable(QString::number(waited)));
        QVERIFY2(!run.err.contains("written"), qPrintable(run.err));
    }

    // A package whose words are more than an index takes is still filed, on either engine.
    void oneLargePackageStopsNothing_data() { busyDatabaseIsGivenUp_data(); }
    void oneLargePackageStopsNothing()
    {
        QFETCH(bool, onPostgres);
        const QString database = onPostgres ? postgres() : path("large.sqlite");
        QVERIFY(!database.isEmpty());
        build("large/words.cdp", "out = package(' '.join('w%d' % n for n in range(120000)))");
        buildMany("large", 3);
        const Run run = inbox({"--database", database, "add", path("large")});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.lines().filter("added ").size(), 4);
        QCOMPARE(inbox({"--database", database, "list", "--search", "w5"}).lines().size(), 1);
        // Every parameter of a libpq URL counts: a port that nothing listens on is no database.
        if (onPostgres)
            QCOMPARE(inbox({"--database", database + "&port=1", "list"}).status, 2);
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
        // A folder for the database that cannot be made is named.
        build("a-file", "out = b'x'");
        const Run blocked =
            inbox({"--database", "sqlite:" + path("a-file/inbox/inbox.sqlite"), "list"});
        QCOMPARE(blocked.status, 2);
        QVERIFY2(blocked.err.contains("the folder " + path("a-file/inbox") + " cannot be created"),
                 qPrintable(blocked.err));
    }
};

QTEST_GUILESS_MAIN(TestInboxCommand)
#include "tst_inbox_command.moc"
