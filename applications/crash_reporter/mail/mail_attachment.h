#pragma once

#include <QString>

// <temporary folder>/crash_log.cdp in native separators, computed once per process.
QString mailAttachmentPath();
