#pragma once

#include <QString>

#include <functional>

namespace CrashReporter::Platform {

// Hands one message with one attachment to the computer's mail client, which shows it to the
// operator for sending: Simple MAPI on Windows, xdg-email elsewhere. True when the client
// took the message (or the operator cancelled it there), or when it is still at it after the
// wait: should it fail after all, `failedLater` hears its status, on the event loop.
bool sendMapiMail(const QString& recipientName, const QString& recipientAddress,
                  const QString& subject, const QString& body, const QString& attachmentPath,
                  std::function<void(int status)> failedLater = {});

// Whether the mail client is done with the attachment when sendMapiMail() returns, so that
// the file may be deleted.
bool mailClientReleasesAttachmentOnReturn();

} // namespace CrashReporter::Platform
