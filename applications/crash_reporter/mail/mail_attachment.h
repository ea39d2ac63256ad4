#pragma once

#include <QString>

// Where the package for the mail client is written, as "crash_log.cdp" in a folder that is
// ready to take it; empty when no such folder can be had.
QString mailAttachmentPath();
