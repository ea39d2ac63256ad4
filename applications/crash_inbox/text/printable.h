#pragma once

#include <QString>

// Names and paths from outside, fit for one line of output: control characters, line and
// paragraph separators and direction overrides written as escapes, so that a name can neither
// forge a line of its own nor drive the terminal.
QString printable(const QString& text);
