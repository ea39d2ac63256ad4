#pragma once

#include <QString>

// Makes any text storable in XML 1.0 without losing a visible character. Control characters
// that XML cannot carry (U+0000 to U+001F but tab, line feed and carriage return) become their
// Unicode control pictures (U+2400 + code: ESC shows as U+241B), so terminal escape sequences
// stay readable; the non-characters U+FFFE and U+FFFF and unpaired surrogates become U+FFFD.
// Tab, line feed and carriage return are kept.
QString xmlSafeText(const QString& text);
