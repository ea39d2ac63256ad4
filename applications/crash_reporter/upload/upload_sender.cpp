#include "upload_sender.h"

#include "orrery_core/diagnostics/log.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QTimer>

namespace {

// A collector that sends nothing back for this long is taken as unreachable.
constexpr int TransferTimeoutMilliseconds = 15000;

QByteArray localPath(const QString& path)
{
    return QDir::toNativeSeparators(path).toLocal8Bit();
}

// What the collector says, as plain text of one line: a server may send anything.
QByteArray plainText(const QString& text)
{
    constexpr qsizetype Longest = 200;
    QString plain;
    for (const QChar c : QStringView(text).left(Longest))
        plain += c.isPrint() ? c : QChar(u'?');
    return plain.toUtf8();
}

} // namespace

UploadSender::UploadSender(UploadSettings settings, UploadQueue& queue, QObject* parent)
    : QObject(parent)
    , m_settings(std::move(settings))
    , m_queue(queue)
{
    connect(&m_network, &QNetworkAccessManager::finished, this, &UploadSender::uploaded);
}

UploadSender::~UploadSender()
{
    if (m_reply)
        m_reply->abort();
}

void UploadSender::send(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const qint64 replaces = m_deskIds.value(absolute);
    // Sent all the same when the queue cannot keep it: only a later run would miss it.
    if (!m_queue.add(path, replaces))
        qDebug("The package %s cannot be queued for sending", localPath(path).constData());
    m_replacing.insert(absolute, replaces);
    if (absolute == m_sending)
        m_rewritten.insert(absolute);
    m_round.removeAll(absolute);
    m_round.prepend(absolute);
    if (!m_reply)
        sendNext();
}

void UploadSender::sendWaiting(bool evenIfPostponed)
{
    const auto now =
        evenIfPostponed ? std::nullopt : std::optional<QDateTime>(QDateTime::currentDateTimeUtc());
    for (const QueuedPackage& package : m_queue.waiting(now)) {
        if (m_round.contains(package.path) || package.path == m_sending)
            continue;
        m_round.append(package.path);
        m_replacing.insert(package.path, package.replaces);
    }
    if (!m_reply)
        sendNext();
}

void UploadSender::finish(std::chrono::milliseconds within)
{
    if (!isBusy())
        return;
    QEventLoop loop;
    QTimer::singleShot(within, &loop, &QEventLoop::quit);
    connect(this, &UploadSender::idle, &loop, &QEventLoop::quit);
    loop.exec();
    m_round.clear();
    if (m_reply) {
        qDebug("The package %s is sent by a later run", localPath(m_sending).constData());
        const QString cut = m_sending;
        // Cut short by the way out, not refused: it waits without a failure counted.
        std::exchange(m_reply, nullptr)->abort();
        Q_EMIT packageWaits(cut);
    }
}

void UploadSender::sendNext()
{
    m_body.reset();
    m_sending.clear();
    if (m_round.isEmpty())
        return Q_EMIT idle();
    m_sending = m_round.takeFirst();
    m_body = std::make_unique<QFile>(m_sending);
    if (!m_body->open(QIODevice::ReadOnly)) {
        // Gone since it was queued: the queue forgets it when it reads it next.
        return sendNext();
    }
    QNetworkRequest request(m_settings.packagesUrl());
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-q5-crash-package"));
    request.setHeader(QNetworkRequest::ContentLengthHeader, m_body->size());
    request.setRawHeader("Authorization", "Bearer " + m_settings.token);
    if (const qint64 replaces = m_replacing.value(m_sending); replaces != 0)
        request.setRawHeader("X-Q5-Replaces", QByteArray::number(replaces));
    request.setTransferTimeout(TransferTimeoutMilliseconds);
    // The token and the package go to the collector named, never where an answer points.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    if (!m_settings.caCertificates.isEmpty()) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(m_settings.caCertificates);
        request.setSslConfiguration(tls);
    }
    Orrery::log(Orrery::ProgressLevel, "Sending %s to the service desk\n",
                localPath(m_sending).constData());
    m_reply = m_network.post(request, m_body.get());
}

UploadSender::Result UploadSender::resultOf(QNetworkReply* reply, const QJsonObject& answer) const
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString error = answer.value(QStringLiteral("error")).toString();
    // Only the collector's own answer counts: a portal's or a proxy's page is no filing.
    static const QStringList filed{QStringLiteral("added"), QStringLiteral("known"),
                                   QStringLiteral("updated")};
    const bool desksAnswer = filed.contains(answer.value(QStringLiteral("status")).toString()) &&
                             answer.value(QStringLiteral("id")).toInteger() > 0;
    switch (status) {
    case 200:
    case 201:
        if (desksAnswer)
            return Result::Sent;
        Orrery::log(Orrery::ProgressLevel,
                    "The service desk's address answers as no service desk does (%d)\n", status);
        return Result::Unreachable;
    case 400:
    case 413:
    case 415:
        Orrery::log(Orrery::ProgressLevel,
                    "The service desk refuses the package %s (%d: %s); it is not sent again\n",
                    localPath(m_sending).constData(), status, plainText(error).constData());
        return Result::Refused;
    case 401:
        Orrery::log(Orrery::ProgressLevel,
                    "The service desk does not take this console's token (401); packages wait "
                    "until the token is set right\n");
        return Result::Unreachable;
    default:
        // Qt's text quotes what the server said of its status.
        Orrery::log(Orrery::ProgressLevel, "The service desk cannot be reached (%s)\n",
                    plainText(reply->errorString()).constData());
        return Result::Unreachable;
    }
}

void UploadSender::uploaded(QNetworkReply* reply)
{
    reply->deleteLater();
    if (reply != m_reply)
        return;
    m_reply = nullptr;
    const QString path = m_sending;
    const QJsonObject answer = QJsonDocument::fromJson(reply->read(64 * 1024)).object();
    switch (resultOf(reply, answer)) {
    case Result::Sent: {
        const qint64 id = answer.value(QStringLiteral("id")).toInteger();
        Orrery::log(Orrery::ProgressLevel, "Sent %s to the service desk\n",
                    localPath(path).constData());
        m_deskIds.insert(path, id);
        // Written again meanwhile: what waits now brings the desk's package up to date.
        if (m_rewritten.remove(path)) {
            m_queue.add(path, id);
            m_replacing.insert(path, id);
        } else {
            m_queue.remove(path);
        }
        ++m_sent;
        Q_EMIT packageSent(path);
        break;
    }
    case Result::Refused:
        if (!m_rewritten.remove(path))
            m_queue.remove(path);
        break;
    case Result::Unreachable:
        m_rewritten.remove(path);
        m_queue.postpone(path, QDateTime::currentDateTimeUtc());
        return giveUpRound(path);
    }
    sendNext();
}

// The others would fare no better now: they wait for a later run.
void UploadSender::giveUpRound(const QString& tried)
{
    const QStringList waiting = QStringList{tried} + m_round;
    m_round.clear();
    m_body.reset();
    m_sending.clear();
    for (const QString& path : waiting)
        Q_EMIT packageWaits(path);
    Q_EMIT idle();
}
