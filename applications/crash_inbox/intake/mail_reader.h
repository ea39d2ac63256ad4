#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>

#include <functional>
#include <optional>

// One .cdp attachment of a message: which message of the file and which attachment of the
// message it is, and what the message says of its sender and date.
struct MailAttachment {
    int message = 0;
    int attachment = 0;
    QString fileName;
    // Of the innermost message that holds it: a forwarded message's own sender and date.
    QString sender;
    QDateTime date;
    std::optional<qint64> offset; // where its message starts in an mbox

    // "<mail file>#<message>/<attachment>": where the package lives, for the database.
    QString locator(const QString& mailFile) const;
};

// Reads the messages of a mail file with GMime (an mbox, or a single message) and hands each
// .cdp attachment, forwarded messages' included, decoded into a temporary file, to `found`;
// the file goes when it returns, and has no name meanwhile where the system allows, so that
// nothing is left behind if the program is killed. False with the reason when the file cannot
// be read as mail.
bool forEachMailPackage(const QString& mailFile, bool mbox,
                        const std::function<void(const MailAttachment&, QFile& content)>& found,
                        QString& error);

// The mail file of a locator, and the decoded attachment it names saved at `target`; with the
// message's offset in an mbox, only that message is read.
bool isMailLocator(const QString& file);
bool saveMailPackage(const QString& locator, const QString& target,
                     const std::optional<qint64>& offset, QString& error);
