#pragma once

#include <QString>

// Hands one message with one attachment to the computer's mail client, which shows it to the
// operator for sending: Simple MAPI on Windows, xdg-email elsewhere. True when the client
// took the message (or the operator cancelled it there).
bool sendMapiMail(const QString& recipientName, const QString& recipientAddress,
                  const QString& subject, const QString& body, const QString& attachmentPath);

// Whether the mail client is done with the attachment when sendMapiMail() returns, so that
// the file may be deleted.
bool mailClientReleasesAttachmentOnReturn();
