#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

// imaps://USER@HOST[:PORT]/MAILBOX: a mailbox on the department's mail server.
struct ImapAddress {
    QString user;
    QString host;
    int port = 993;
    QString mailbox;

    // The address as the database names the mailbox, with the port always given.
    QString text() const;
    static bool looksLikeOne(const QString& text);
    // None, with the reason, for an address that is not one.
    static std::optional<ImapAddress> parse(const QString& text, QString& error);
};

// Reads a mailbox through libcurl, over TLS, without changing it: messages are fetched with
// BODY.PEEK, which leaves them unread, and nothing is stored or expunged.
class ImapMailbox
{
public:
    // A message larger than this is not fetched.
    static constexpr qint64 MaxMessageSize = qint64(256) << 20;

    // `caCertificates`: a PEM file of authorities besides the system's; may be empty.
    ImapMailbox(ImapAddress address, QByteArray password, QString caCertificates);
    ~ImapMailbox();
    ImapMailbox(const ImapMailbox&) = delete;
    ImapMailbox& operator=(const ImapMailbox&) = delete;

    const ImapAddress& address() const { return m_address; }
    std::optional<quint32> uidValidity(QString& error);
    // The UIDs of the mailbox's messages while its UIDVALIDITY is the one given.
    std::optional<QList<quint32>> uids(quint32 uidValidity, QString& error);
    std::optional<QByteArray> fetch(quint32 uidValidity, quint32 uid, QString& error);

private:
    // The lines the server answered to the command, on the mailbox or on none.
    std::optional<QByteArray> ask(const QByteArray& command, bool onMailbox,
                                  std::optional<quint32> uidValidity, QString& error);

    struct Connection;
    ImapAddress m_address;
    QByteArray m_password;
    QString m_caCertificates;
    std::unique_ptr<Connection> m_connection;
};
