#pragma once

#include "upload_queue.h"
#include "upload_settings.h"

#include <QFile>
#include <QHash>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>

#include <chrono>
#include <memory>

// Sends queued packages to the collector in the background, one at a time, newest first. A
// package is sent once: the collector's "known" counts as sent. One it refuses for good (not
// a package, too large) waits no more; when the collector cannot be reached, or refuses the
// token, the rest wait for a later run and the one tried waits longer each time.
class UploadSender : public QObject
{
    Q_OBJECT

public:
    enum class Result { Sent, Refused, Unreachable };

    UploadSender(UploadSettings settings, UploadQueue& queue, QObject* parent = nullptr);
    ~UploadSender() override;

    // Queues the package and sends it, after what is being sent now.
    void send(const QString& path);
    // Sends what waits: only what is due, or everything (when asked to at once).
    void sendWaiting(bool evenIfPostponed);
    bool isBusy() const { return m_reply || !m_round.isEmpty(); }
    // Runs the event loop until nothing is being sent or the time is up; an upload cut short
    // then is sent by a later run.
    void finish(std::chrono::milliseconds within);

    int sentCount() const { return m_sent; }

Q_SIGNALS:
    void packageSent(const QString& path);
    // Not sent now; it waits in the queue.
    void packageWaits(const QString& path);
    void idle();

private:
    void sendNext();
    void uploaded(QNetworkReply* reply);
    Result resultOf(QNetworkReply* reply, const QJsonObject& answer) const;
    void giveUpRound(const QString& tried);

    const UploadSettings m_settings;
    UploadQueue& m_queue;
    QNetworkAccessManager m_network;
    QStringList m_round;
    QPointer<QNetworkReply> m_reply;
    std::unique_ptr<QFile> m_body;
    QString m_sending;
    int m_sent = 0;
    // The desk's packages of what this run sent, and what each waiting package replaces: a
    // package written again is the same crash, which the desk brings up to date.
    QHash<QString, qint64> m_deskIds;
    QHash<QString, qint64> m_replacing;
    QSet<QString> m_rewritten; // written again while being sent
};
