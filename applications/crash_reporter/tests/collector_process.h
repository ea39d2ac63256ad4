#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>

// The service desk's collector, q5-crash-inbox serve, on loopback with a database, a package
// folder and a token of its own; with a certificate and key, over TLS.
class CollectorProcess
{
public:
    explicit CollectorProcess(const QString& certificate = {}, const QString& key = {})
        : m_certificate(certificate)
        , m_key(key)
    {
        m_token = inbox({"token", "add", "console-1"}).trimmed();
    }
    ~CollectorProcess() { stop(); }

    // Serves on the port, or on one the system chooses; false when it does not start.
    bool start(quint16 port = 0)
    {
        m_serve = std::make_unique<QProcess>();
        m_serve->setProcessEnvironment(environment());
        QStringList arguments{"serve", "--listen", QString("127.0.0.1:%1").arg(port),
                              "--package-folder", m_root.filePath("received")};
        if (!m_certificate.isEmpty())
            arguments << "--tls-certificate" << m_certificate << "--tls-key" << m_key;
        m_serve->start(qEnvironmentVariable("Q5_BIN_DIR") + "/q5-crash-inbox", arguments);
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

    void stop()
    {
        if (!m_serve || m_serve->state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(m_serve->processId()), SIGTERM);
        if (!m_serve->waitForFinished(10000))
            m_serve->kill();
        m_log += m_serve->readAllStandardOutput();
    }

    QString url() const { return m_url; }
    quint16 port() const { return m_port; }
    QByteArray token() const { return m_token; }
    QStringList filings()
    {
        if (m_serve)
            m_log += m_serve->readAllStandardOutput();
        return QString::fromUtf8(m_log).split('\n', Qt::SkipEmptyParts);
    }
    QStringList receivedFiles() const
    {
        return QDir(m_root.filePath("received")).entryList({"*.cdp"}, QDir::Files);
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

    QByteArray inbox(const QStringList& arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(qEnvironmentVariable("Q5_BIN_DIR") + "/q5-crash-inbox", arguments);
        process.waitForFinished(60000);
        return process.readAllStandardOutput();
    }

    QTemporaryDir m_root;
    QString m_certificate;
    QString m_key;
    QByteArray m_token;
    std::unique_ptr<QProcess> m_serve;
    QString m_url;
    quint16 m_port = 0;
    QByteArray m_log;
};
