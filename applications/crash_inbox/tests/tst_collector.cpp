#include "collector_process.h"
#include "package_format/tests/package_builder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

// An answer as it came over the wire: status and headers read by this test, not by a library.
struct Answer {
    int status = 0;
    QByteArray headers;
    QByteArray body;
    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};

Answer parseAnswer(const QByteArray& bytes)
{
    Answer answer;
    const qsizetype end = bytes.indexOf("\r\n\r\n");
    if (!bytes.startsWith("HTTP/1.1 ") || end < 0)
        return answer;
    answer.status = bytes.mid(9, 3).toInt();
    answer.headers = bytes.left(end);
    answer.body = bytes.mid(end + 4);
    return answer;
}

QByteArray request(const QByteArray& method, const QByteArray& target,
                   const QByteArrayList& headers, const QByteArray& body)
{
    QByteArray bytes = method + ' ' + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    for (const QByteArray& header : headers)
        bytes += header + "\r\n";
    if (!body.isNull())
        bytes += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    return bytes + "Connection: close\r\n\r\n" + body;
}

QByteArray chunked(const QByteArray& body)
{
    QByteArray bytes;
    for (qsizetype at = 0; at < body.size(); at += 4096) {
        const QByteArray piece = body.mid(at, 4096);
        bytes += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
    }
    return bytes + "0\r\n\r\n";
}

} // namespace

// q5-crash-inbox serve as consoles meet it: a process on loopback with TLS from a certificate
// made by openssl here, spoken to in bytes written by this test.
class TestCollector : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QSslConfiguration m_tls;
    static constexpr int MaxSize = 300000;

    QString path(const QString& name) const { return m_home.filePath(name); }
    CollectorProcess m_collector{
        path("cert.pem"),
        path("key.pem"),
        {"--max-package-size", QString::number(MaxSize), "--stall-seconds", "2"}};
    const QByteArray m_token = m_collector.token();

    QByteArray package(const QString& expression) const
    {
        const QString file = path("built.cdp");
        if (!buildWithPython(QString("open(sys.argv[1], 'wb').write(%1)\n").arg(expression), file)
                 .isEmpty())
            return {};
        QFile built(file);
        return built.open(QIODevice::ReadOnly) ? built.readAll() : QByteArray();
    }

    QByteArrayList uploadHeaders(const QByteArray& token) const
    {
        return {"Authorization: Bearer " + token, "Content-Type: application/x-q5-crash-package"};
    }

    // Sends the bytes and reads until the collector closes the connection.
    Answer exchange(const QByteArray& bytes, quint16 port = 0) const
    {
        QSslSocket socket;
        socket.setSslConfiguration(m_tls);
        socket.connectToHostEncrypted("127.0.0.1", port ? port : m_collector.port());
        if (!socket.waitForEncrypted(10000))
            return {};
        socket.write(bytes);
        QByteArray answer;
        QElapsedTimer waited;
        waited.start();
        while (socket.state() == QAbstractSocket::ConnectedState && waited.elapsed() < 30000) {
            socket.waitForReadyRead(200);
            answer += socket.readAll();
        }
        return parseAnswer(answer + socket.readAll());
    }

    Answer upload(const QByteArray& body, const QByteArray& token = {}, quint16 port = 0) const
    {
        return exchange(request("POST", "/api/v1/packages",
                                uploadHeaders(token.isEmpty() ? m_token : token), body),
                        port);
    }

    int filedCount() const
    {
        return int(QJsonDocument::fromJson(m_collector.inbox({"list", "--json"})).array().size());
    }

    QStringList receivedFiles() const
    {
        return QDir(m_collector.packageFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(makeLoopbackCertificate(path("cert.pem"), path("key.pem")));
        m_tls = QSslConfiguration::defaultConfiguration();
        m_tls.setCaCertificates(QSslCertificate::fromPath(path("cert.pem")));
        QVERIFY(m_collector.start());
        const Answer health = exchange(request("GET", "/api/v1/health", {}, {}));
        QCOMPARE(health.json()["status"].toString(), QString("ok"));
    }

    void cleanupTestCase()
    {
        QCOMPARE(m_collector.stop(), 0);
        // Tokens never reach the log.
        QVERIFY(!m_collector.output().contains(m_token));
    }

    // Added once, known after; kept where only the desk may read it.
    void packagesAreFiledOnce()
    {
        const QByteArray body = package("package('lamp 12 dark', 'SN-4')");
        const Answer added = upload(body);
        QCOMPARE(QString("%1 %2").arg(added.status).arg(added.json()["status"].toString()),
                 QString("201 added"));
        const qint64 id = added.json()["id"].toInteger();
        const Answer known = upload(body);
        QCOMPARE(QString("%1 %2").arg(known.status).arg(known.json()["status"].toString()),
                 QString("200 known"));
        QCOMPARE(known.json()["id"].toInteger(), id);
        const QStringList files = receivedFiles();
        QCOMPARE(files.size(), 1);
        QCOMPARE(QFile::permissions(m_collector.packageFolder() + '/' + files.first()),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        QVERIFY(m_collector.inbox({"show", QString::number(id)}).contains("lamp 12 dark"));
        // Chunked, as a client that does not know the size sends it.
        const QByteArray other = package("package('fan', 'SN-5')");
        const Answer chunkedAnswer =
            exchange(request("POST", "/api/v1/packages",
                             uploadHeaders(m_token) << "Transfer-Encoding: chunked", {}) +
                     chunked(other));
        QCOMPARE(chunkedAnswer.status, 201);
    }

    // What the collector refuses leaves nothing filed and nothing behind; a package add would
    // reject is rejected with add's own sentence.
    void refusals_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        const QByteArray good = package("package('refused')");
        const QByteArrayList type{"Content-Type: application/x-q5-crash-package"};
        QTest::newRow("no token") << request("POST", "/api/v1/packages", type, good) << 401
                                  << "a valid token is needed";
        QTest::newRow("unknown token")
            << request("POST", "/api/v1/packages", uploadHeaders("q5c_guessed"), good) << 401
            << "a valid token is needed";
        QTest::newRow("not a package type")
            << request("POST", "/api/v1/packages",
                       {"Authorization: Bearer " + m_token, "Content-Type: text/plain"}, good)
            << 415 << "the body must be a crash package";
        QTest::newRow("too large, said")
            << request("POST", "/api/v1/packages", uploadHeaders(m_token),
                       QByteArray(MaxSize + 1, 'x'))
            << 413 << "larger than 300000 bytes";
        QTest::newRow("too large, chunked")
            << request("POST", "/api/v1/packages",
                       uploadHeaders(m_token) << "Transfer-Encoding: chunked", {}) +
                   chunked(QByteArray(MaxSize + 5000, 'x'))
            << 413 << "larger than 300000 bytes";
        QTest::newRow("not gzip") << request("POST", "/api/v1/packages", uploadHeaders(m_token),
                                             "hello desk")
                                  << 400 << "it is not a gzip-compressed file";
        QTest::newRow("no HTTP") << QByteArray("HELLO DESK\r\n\r\n") << 400 << "no request";
        QTest::newRow("cut short") << request("POST", "/api/v1/packages", uploadHeaders(m_token),
                                              good.left(good.size() / 2))
                                   << 400 << "it ends early: the file is cut short";
    }

    void refusals()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        QFETCH(QString, error);
        const int filed = filedCount();
        const QStringList files = receivedFiles();
        const Answer answer = exchange(bytes);
        QCOMPARE(answer.status, status);
        QVERIFY2(answer.json()["error"].toString().contains(error), answer.body.constData());
        QCOMPARE(filedCount(), filed);
        QCOMPARE(receivedFiles(), files);
    }

    // A client that breaks off, or stops sending, leaves nothing behind.
    void brokenUploadsLeaveNothing_data()
    {
        QTest::addColumn<bool>("hangUp");
        QTest::newRow("hangs up") << true;
        QTest::newRow("stalls") << false;
    }

    void brokenUploadsLeaveNothing()
    {
        QFETCH(bool, hangUp);
        const QStringList files = receivedFiles();
        const int filed = filedCount();
        QSslSocket socket;
        socket.setSslConfiguration(m_tls);
        socket.connectToHostEncrypted("127.0.0.1", m_collector.port());
        QVERIFY(socket.waitForEncrypted(10000));
        const QByteArray whole =
            request("POST", "/api/v1/packages", uploadHeaders(m_token), QByteArray(200000, 'z'));
        socket.write(whole.left(whole.size() / 2));
        QVERIFY(socket.waitForBytesWritten(5000));
        // The part file is there while the package arrives.
        QTRY_COMPARE_WITH_TIMEOUT(receivedFiles().size(), files.size() + 1, 20000);
        if (hangUp)
            socket.abort();
        else
            QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QAbstractSocket::UnconnectedState, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(receivedFiles(), files, 20000);
        QCOMPARE(filedCount(), filed);
    }

    // Many consoles at once, each with its own package: every one is filed.
    void manyUploadsAtOnce()
    {
        constexpr int Count = 200;
        QVERIFY(QDir().mkpath(path("many")));
        QCOMPARE(buildWithPython(QString("for n in range(%1):\n    open('%2/%05d.cdp' % n, 'wb')"
                                         ".write(package('many %d' % n, 'SN-%d' % (n % 7)))\n")
                                     .arg(Count)
                                     .arg(path("many")),
                                 {}),
                 QByteArray());
        const int filed = filedCount();
        // One curl with every upload open at once: each answer's status on a line.
        QString uploads;
        for (int index = 0; index < Count; ++index)
            uploads += QString(index ? "next\n" : "") +
                       QString("url = \"https://127.0.0.1:%1/api/v1/packages\"\n"
                               "data-binary = \"@%2/%3.cdp\"\ncacert = \"%4\"\n"
                               "header = \"Authorization: Bearer %5\"\n"
                               "header = \"Content-Type: application/x-q5-crash-package\"\n"
                               "output = /dev/null\nwrite-out = \"%{http_code}\\n\"\n")
                           .arg(m_collector.port())
                           .arg(path("many"))
                           .arg(index, 5, 10, QLatin1Char('0'))
                           .arg(path("cert.pem"), QString::fromLatin1(m_token));
        QProcess curl;
        curl.start("curl",
                   {"-s", "-Z", "--parallel-immediate", "--parallel-max", "200", "-K", "-"});
        curl.write(uploads.toUtf8());
        curl.closeWriteChannel();
        QVERIFY(curl.waitForFinished(120000));
        const QByteArray statuses = curl.readAllStandardOutput();
        QVERIFY2(statuses.count("201\n") == Count, statuses + curl.readAllStandardError());
        QCOMPARE(filedCount(), filed + Count);
    }

    // A token revoked is refused within a few seconds; tokens are listed by name alone.
    void revokedTokensAreRefused()
    {
        const QByteArray token = m_collector.inbox({"token", "add", "site-2"}).trimmed();
        QVERIFY(
            QString::fromLatin1(m_collector.inbox({"token", "list"})).contains("site-2  made "));
        // A new token is taken once the collector has read the tokens again.
        QTest::qWait(2500);
        QCOMPARE(upload(package("package('site 2')"), token).status, 201);
        int status = -1;
        QCOMPARE(m_collector.inbox({"token", "revoke", "site-2"}, &status),
                 QByteArray("revoked site-2\n"));
        QCOMPARE(status, 0);
        QTest::qWait(2500);
        QCOMPARE(upload(package("package('site 2 again')"), token).status, 401);
        QVERIFY(!m_collector.inbox({"token", "list"}).contains("site-2"));
    }

    // A console that sends without end is held to its rate; another token is not.
    void uploadsPerMinuteAreLimited()
    {
        CollectorProcess limited(path("cert.pem"), path("key.pem"), {"--uploads-per-minute", "2"});
        QVERIFY(limited.start());
        QCOMPARE(upload(package("package('rate 1')"), limited.token(), limited.port()).status, 201);
        QCOMPARE(upload(package("package('rate 2')"), limited.token(), limited.port()).status, 201);
        const Answer refused =
            upload(package("package('rate 3')"), limited.token(), limited.port());
        QCOMPARE(refused.status, 429);
        QVERIFY(refused.headers.contains("\r\nRetry-After: 60"));
        QCOMPARE(limited.stop(), 0);
        // Plain HTTP stays on loopback unless it is asked for.
        int status = -1;
        QByteArray errors;
        m_collector.inbox({"serve", "--listen", "0.0.0.0:0"}, &status, &errors);
        QCOMPARE(status, 2);
        QVERIFY(errors.contains("plain HTTP is served only on loopback"));
    }
};

QTEST_GUILESS_MAIN(TestCollector)
#include "tst_collector.moc"
