#pragma once

#include "crash_inbox/store/filed_package.h"

#include <QByteArray>
#include <QList>

// Packages as a spreadsheet reads them: UTF-8 with a byte order mark, comma-separated, quoted
// where needed (RFC 4180), a header line first. A value that a spreadsheet would take for a
// formula (=, +, -, @ first) starts with an apostrophe: a package's comments never compute.
// Written a line at a time: the mark and the header, then one line per package.
QByteArray csvHeader();
QByteArray csvLineOf(const FiledPackage& package);
