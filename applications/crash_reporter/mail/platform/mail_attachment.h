#pragma once

#include <QString>

namespace CrashReporter::Platform {

// A path for one hand-off's attachment, "crash_log.cdp" in a new folder of the user's alone:
// two hand-offs, of one reporter or of two, never share the file. Empty when no such folder
// can be had.
QString newMailAttachmentPath();

// Removes the attachment and its folder.
void discardMailAttachment(const QString& path);

} // namespace CrashReporter::Platform
