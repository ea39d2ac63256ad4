#include "crash_inbox/tests/collector_process.h"
#include "test_support.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

namespace {

// A server that answers every upload with the status and body given, and a redirection to
// itself; it notes each request it gets.
constexpr char Impostor[] = R"(import http.server, sys
class Answer(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        open(sys.argv[1], 'a').write(self.path + '\n')
        self.rfile.read(int(self.headers['Content-Length']))
        self.send_response(int(sys.argv[2]))
        self.send_header('Location', 'http://127.0.0.1:%d/elsewhere' % server.server_port)
        self.send_header('Content-Length', str(len(sys.argv[3])))
        self.end_headers()
        self.wfile.write(sys.argv[3].encode())
    do_GET = do_POST
server = http.server.HTTPServer(('127.0.0.1', 0), Answer)
print(server.server_port, flush=True)
server.serve_forever())";

QByteArray sha256(const QString& path)
{
    return QCryptographicHash::hash(readFile(path), QCryptographicHash::Sha256).toHex();
}

} // namespace

// Consoles that send their packages to the service desk: the simulator's crash episodes and
// --send-pending, as processes, against the desk's real collector over TLS on loopback.
class TestReporterUpload : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QProcessEnvironment m_environment;

    QString path(const QString& name) const { return m_root.filePath(name); }
    QString dumps() const { return path("home/Documents/Varnel Professional/Q5-PC/Crash Dumps"); }
    QString queueFile() const { return path("state/Varnel Professional/Q5-PC/upload-queue.json"); }
    QString log() const { return QString::fromUtf8(readFile(path("reporter.log"))); }

    // The packages waiting, newest first, by file name.
    QStringList waiting() const
    {
        QStringList names;
        const QJsonArray packages =
            QJsonDocument::fromJson(readFile(queueFile())).object()["packages"].toArray();
        for (const QJsonValue& package : packages)
            names << QFileInfo(package.toObject()["path"].toString()).fileName();
        return names;
    }

    void sendTo(const CollectorProcess& collector, const QByteArray& token = {})
    {
        m_environment.insert("Q5_CRASH_UPLOAD_URL", collector.url());
        m_environment.insert("Q5_CRASH_UPLOAD_TOKEN", token.isEmpty() ? collector.token() : token);
        m_environment.insert("Q5_CRASH_UPLOAD_CA", path("cert.pem"));
    }

    QProcess* run(const QString& program, const QStringList& arguments)
    {
        auto* process = new QProcess(this);
        process->setProcessEnvironment(m_environment);
        process->start(qEnvironmentVariable("Q5_BIN_DIR") + '/' + program, arguments);
        process->waitForFinished(90000);
        process->deleteLater();
        return process;
    }

    // A crash episode without a dialog; its exit status, which is always the reporter's 0.
    int crash()
    {
        QProcess* simulator =
            run("q5-controller-sim", {"--timeout", "60", "--data-file", path("crash.dat"), "--dump",
                                      path("c.dmp"), "--dump-size", "100000", "--delay", "0"});
        return simulator->exitStatus() == QProcess::NormalExit ? simulator->exitCode() : -1;
    }

    QString sendPending()
    {
        QProcess* reporter = run("q5-crash-reporter", {"--send-pending"});
        return reporter->exitCode() == 0 ? QString::fromUtf8(reporter->readAllStandardOutput())
                                         : QString("exit %1").arg(reporter->exitCode());
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(makeLoopbackCertificate(path("cert.pem"), path("key.pem"))); }

    void init()
    {
        for (const char* folder : {"home", "state", "config", "tmp"}) {
            QDir(path(folder)).removeRecursively();
            QDir().mkpath(path(folder));
        }
        QFile::remove(path("reporter.log"));
        m_environment = QProcessEnvironment::systemEnvironment();
        for (const char* variable :
             {"Q5_CRASH_UPLOAD_URL", "Q5_CRASH_UPLOAD_TOKEN", "Q5_CRASH_UPLOAD_CA"})
            m_environment.remove(variable);
        m_environment.insert("HOME", path("home"));
        m_environment.insert("XDG_STATE_HOME", path("state"));
        m_environment.insert("XDG_CONFIG_HOME", path("config"));
        m_environment.insert("TMPDIR", path("tmp"));
        m_environment.insert("XDG_RUNTIME_DIR", path("tmp"));
        m_environment.insert("QT_QPA_PLATFORM", "offscreen");
        m_environment.insert("Q5_CRASH_REPORTER_LOG", path("reporter.log"));
    }

    // The episode's package reaches the desk as it is on disk; then the desk goes away, the
    // packages of more crashes wait, and reach it once it is back, each filed once.
    void packagesReachTheDeskAndWaitForIt()
    {
        CollectorProcess collector(path("cert.pem"), path("key.pem"));
        QVERIFY(collector.start());
        sendTo(collector);
        QCOMPARE(crash(), 0);
        QTRY_COMPARE(collector.filings().filter(QRegularExpression("^added ")).size(), 1);
        const QStringList received = collector.receivedFiles();
        QCOMPARE(received.size(), 1);
        QCOMPARE(sha256(dumps() + "/Crash Report 0.cdp"), received.first().chopped(4).toLatin1());
        QVERIFY2(log().contains("Sent " + dumps() + "/Crash Report 0.cdp to the service desk"),
                 qPrintable(log()));
        QCOMPARE(waiting(), QStringList());

        const quint16 port = collector.port();
        collector.stop();
        // A console that crashes in a loop keeps the newest waiting, as many as Crash Dumps
        // may hold; sending never holds an episode for long, even with nothing listening.
        m_environment.insert("Q5_CRASH_DUMPS_MAX_COUNT", "2");
        QElapsedTimer episode;
        episode.start();
        for (int number = 1; number <= 3; ++number)
            QCOMPARE(crash(), 0);
        QVERIFY2(episode.elapsed() < 20000, qPrintable(QString::number(episode.elapsed())));
        QCOMPARE(waiting(), QStringList({"Crash Report 3.cdp", "Crash Report 2.cdp"}));
        const QByteArray onDisk = sha256(dumps() + "/Crash Report 3.cdp");

        QVERIFY(collector.start(port));
        QCOMPARE(sendPending(), QString("sent 2, waiting 0\n"));
        QCOMPARE(waiting(), QStringList());
        QCOMPARE(sha256(dumps() + "/Crash Report 3.cdp"), onDisk);
        QCOMPARE(sendPending(), QString("sent 0, waiting 0\n"));
        collector.stop();
        const QStringList filings = collector.filings();
        QCOMPARE(filings.filter(QRegularExpression("^(added|known) ")).size(), 3);
        QCOMPARE(filings.filter(QRegularExpression("^rejected ")).size(), 0);
    }

    // Sending is opt-in, and never in the clear to another machine.
    void nothingLeavesWithoutASetting_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("token");
        QTest::addColumn<QString>("logged");
        QTest::newRow("nothing set") << ""
                                     << ""
                                     << "";
        QTest::newRow("plain HTTP elsewhere")
            << "http://192.0.2.7:8470"
            << "t"
            << "The upload address http://192.0.2.7:8470 is refused";
    }

    void nothingLeavesWithoutASetting()
    {
        QFETCH(QString, url);
        QFETCH(QString, token);
        QFETCH(QString, logged);
        m_environment.insert("Q5_CRASH_UPLOAD_URL", url);
        m_environment.insert("Q5_CRASH_UPLOAD_TOKEN", token);
        QCOMPARE(crash(), 0);
        QVERIFY(QFile::exists(dumps() + "/Crash Report 0.cdp"));
        QVERIFY(!QFile::exists(queueFile()));
        QVERIFY(!log().contains("service desk"));
        QVERIFY2(log().contains(logged), qPrintable(log()));
        QCOMPARE(sendPending(), QString("sending is not set up\n"));
    }

    // The suite's settings file, with the environment taking precedence over it.
    void settingsFileIsRead()
    {
        CollectorProcess collector(path("cert.pem"), path("key.pem"));
        QVERIFY(collector.start());
        QVERIFY(QDir().mkpath(path("config/Varnel Professional/Q5-PC")));
        QVERIFY(writeFile(path("config/Varnel Professional/Q5-PC/crash-reporter.conf"),
                          "[upload]\nurl=" + collector.url().toUtf8() + "\nca-certificates=" +
                              path("cert.pem").toUtf8() + "\ntoken=q5c_unknown\n"));
        m_environment.insert("Q5_CRASH_UPLOAD_TOKEN", collector.token());
        QCOMPARE(crash(), 0);
        QTRY_COMPARE(collector.filings().filter(QRegularExpression("^added ")).size(), 1);
        // A token the desk does not know is said in the log; the package waits.
        m_environment.remove("Q5_CRASH_UPLOAD_TOKEN");
        QCOMPARE(crash(), 0);
        QVERIFY2(log().contains("does not take this console's token (401)"), qPrintable(log()));
        QCOMPARE(waiting(), QStringList{"Crash Report 1.cdp"});
    }

    // A redirection is not followed, a page that is no desk's answer files nothing, and what a
    // server says reaches the log as one plain line.
    void answersThatAreNoFiling_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("waiting");
        QTest::newRow("redirection") << 307 << "" << QStringList{"Crash Report 0.cdp"};
        QTest::newRow("portal page")
            << 200 << "<html>log in</html>" << QStringList{"Crash Report 0.cdp"};
        QTest::newRow("refusal of two lines")
            << 400 << R"({"error": "no\n2026-12-08T00:00:00Z 104 Forged"})" << QStringList();
    }

    void answersThatAreNoFiling()
    {
        QFETCH(int, status);
        QFETCH(QString, body);
        QFETCH(QStringList, waiting);
        QProcess impostor;
        const QString requests = path(QTest::currentDataTag());
        impostor.start("python3", {"-c", Impostor, requests, QString::number(status), body});
        QVERIFY(impostor.waitForReadyRead(10000));
        m_environment.insert("Q5_CRASH_UPLOAD_URL",
                             "http://127.0.0.1:" + impostor.readLine().trimmed());
        m_environment.insert("Q5_CRASH_UPLOAD_TOKEN", "q5c_secret");
        QCOMPARE(crash(), 0);
        QCOMPARE(readFile(requests), QByteArray("/api/v1/packages\n"));
        QCOMPARE(this->waiting(), waiting);
        QVERIFY2(!log().contains("\n2026-12-08T00:00:00Z 104 Forged"), qPrintable(log()));
    }

    // Queue indexes as a crash, another user or a newer reporter may leave them: only
    // packages of this user's are sent, a package the desk refuses is not sent again, and an
    // index the reporter cannot read as its own is left as it is.
    void strangeQueuesSendNothing_data()
    {
        QTest::addColumn<QString>("name");   // the entry's file in Crash Dumps
        QTest::addColumn<QString>("target"); // a link's target; empty: a file
        QTest::addColumn<int>("version");
        QTest::newRow("not a package") << "Crash Report 0.cdp"
                                       << "" << 1;
        QTest::newRow("link elsewhere") << "Crash Report 0.cdp"
                                        << "/etc/hostname" << 1;
        QTest::newRow("not a .cdp") << "notes.txt"
                                    << "" << 1;
        QTest::newRow("newer index") << "Crash Report 0.cdp"
                                     << "" << 2;
    }

    void strangeQueuesSendNothing()
    {
        QFETCH(QString, name);
        QFETCH(QString, target);
        QFETCH(int, version);
        CollectorProcess collector(path("cert.pem"), path("key.pem"));
        QVERIFY(collector.start());
        sendTo(collector);
        const QString file = dumps() + '/' + name;
        QVERIFY(QDir().mkpath(dumps()) && QDir().mkpath(QFileInfo(queueFile()).path()));
        QVERIFY(target.isEmpty() ? writeFile(file, "not a package at all")
                                 : QFile::link(target, file));
        const QByteArray index =
            QString(R"({"version": %1, "packages": [{"path": "%2", "size": %3, )"
                    R"("queued": "2026-12-08T10:00:00Z", "attempts": 3}]})")
                .arg(version)
                .arg(file)
                .arg(QFileInfo(file).size())
                .toUtf8();
        QVERIFY(writeFile(queueFile(), index));
        QCOMPARE(sendPending(), QString("sent 0, waiting 0\n"));
        QCOMPARE(sendPending(), QString("sent 0, waiting 0\n"));
        QCOMPARE(collector.receivedFiles(), QStringList());
        QCOMPARE(log().contains("refuses the package"),
                 QTest::currentDataTag() == QByteArray("not a package"));
        if (version > 1)
            QCOMPARE(readFile(queueFile()), index);
    }
};

QTEST_GUILESS_MAIN(TestReporterUpload)
#include "tst_reporter_upload.moc"
