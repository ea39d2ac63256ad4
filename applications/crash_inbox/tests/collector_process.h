#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>

// A certificate for 127.0.0.1 and its key, made by openssl; false when it could not be made.
inline bool makeLoopbackCertificate(const QString& certificate, const QString& key)
{
    return QProcess::execute("openssl",
                             {"req", "-x509", "-newkey", "ec", "-pkeyopt",
                              "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", key, "-out",
                              certificate, "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                              "subjectAltName=IP:127.0.0.1"}) == 0;
}

// The service desk's collector, q5-crash-inbox serve, on loopback with a database, a package
// folder and a token of its own; over TLS with a certificate and key. Consoles' tests use it too.
class CollectorProcess
{
public:
    explicit CollectorProcess(const QString& certificate = {}, const QString& key = {},
                              const QStringList& arguments = {})
        : m_arguments(arguments)
    {
        if (!certificate.isEmpty())
            m_arguments << "--tls-certificate" << certificate << "--tls-key" << key;
        m_token = inbox({"token", "add", "console-1"}).trimmed();
    }
    ~CollectorProcess() { stop(); }

    // Serves on the port, or on one the system chooses; false when it does not start.
    bool start(quint16 port = 0)
    {
        m_serve = std::make_unique<QProcess>();
        m_serve->setProcessEnvironment(environment());
        m_serve->start(qEnvironmentVariable("Q5_BIN_DIR") + "/q5-crash-inbox",
                       QStringList{"serve", "--listen", QString("127.0.0.1:%1").arg(port),
                                   "--package-folder", packageFolder()} +
                           m_arguments);
        QElapsedTimer waited;
        waited.start();
        while (!m_serve->canReadLine() && waited.elapsed() < 20000)
            m_serve->waitForReadyRead(100);
        const QRegularExpressionMatch match =
            QRegularExpression("^serving on (https?://127.0.0.1:(\\d+))\n$")
                .match(QString::fromUtf8(m_serve->readLine()));
        if (!match.hasMatch())
            return false;
        m_url = match.captured(1);
        m_port = quint16(match.captured(2).toUInt());
        return true;
    }

    // Ends it as a service manager would; its exit status, -1 when it had to be killed.
    int stop()
    {
        if (!m_serve || m_serve->state() == QProcess::NotRunning)
            return m_status;
        ::kill(pid_t(m_serve->processId()), SIGTERM);
        if (!m_serve->waitForFinished(10000))
            m_serve->kill();
        m_serve->waitForFinished();
        m_status = m_serve->exitStatus() == QProcess::NormalExit ? m_serve->exitCode() : -1;
        m_log += m_serve->readAllStandardOutput();
        m_errors += m_serve->readAllStandardError();
        return m_status;
    }

    // q5-crash-inbox on the collector's database: its standard output.
    QByteArray inbox(const QStringList& arguments, int* status = nullptr,
                     QByteArray* errors = nullptr) const
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(qEnvironmentVariable("Q5_BIN_DIR") + "/q5-crash-inbox", arguments);
        process.waitForFinished(60000);
        if (status)
            *status = process.exitCode();
        if (errors)
            *errors = process.readAllStandardError();
        return process.readAllStandardOutput();
    }

    QString url() const { return m_url; }
    quint16 port() const { return m_port; }
    QByteArray token() const { return m_token; }
    QString packageFolder() const { return m_root.filePath("received"); }
    QStringList filings()
    {
        if (m_serve)
            m_log += m_serve->readAllStandardOutput();
        return QString::fromUtf8(m_log).split('\n', Qt::SkipEmptyParts);
    }
    // Everything it wrote, once stopped.
    QByteArray output() const { return m_log + m_errors; }
    QStringList receivedFiles() const
    {
        return QDir(packageFolder()).entryList({"*.cdp"}, QDir::Files);
    }

private:
    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", m_root.path());
        environment.insert("XDG_DATA_HOME", m_root.filePath("data"));
        environment.insert("Q5_CRASH_INBOX_DATABASE", m_root.filePath("inbox.sqlite"));
        return environment;
    }

    QTemporaryDir m_root;
    QStringList m_arguments;
    QByteArray m_token;
    std::unique_ptr<QProcess> m_serve;
    QString m_url;
    quint16 m_port = 0;
    int m_status = -1;
    QByteArray m_log;
    QByteArray m_errors;
};
