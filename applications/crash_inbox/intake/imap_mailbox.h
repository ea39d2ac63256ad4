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

// Reads a mailbox through libcurl, over TLS, without changing it: the mailbox is opened with
// EXAMINE (read-only, so that even \Recent stays), messages are fetched with BODY.PEEK, and
// nothing is stored or expunged. Every command goes over the one connection that examined it.
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
    // Opens the mailbox read-only; its UIDVALIDITY.
    std::optional<quint32> examine(QString& error);
    // The UIDs of the examined mailbox's messages.
    std::optional<QList<quint32>> uids(QString& error);
    // A message of the examined mailbox. `permanent` tells a message that can never be read
    // (too large, or not answered whole) from a failure that may pass.
    std::optional<QByteArray> fetch(quint32 uid, QString& error, bool& permanent);

private:
    // The lines the server answered to the command; `tooLarge` when they passed the limit.
    std::optional<QByteArray> ask(const QByteArray& command, QString& error,
                                  bool* tooLarge = nullptr);

    struct Connection;
    ImapAddress m_address;
    QByteArray m_password;
    QString m_caCertificates;
    std::unique_ptr<Connection> m_connection;
};
