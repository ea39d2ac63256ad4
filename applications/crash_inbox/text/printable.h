#pragma once

#include <QString>

// Names, paths and messages, fit for one line of output on a terminal: control characters, line
// and paragraph separators, direction marks and overrides, invisible characters and the
// backslash written as escapes, so that a name can neither forge a line of its own, drive the
// terminal, nor pass for another. Every text that reaches a terminal goes through it.
QString printable(const QString& text);

// One line of the desk's own on standard error, named for the program, made printable.
void logLine(const QString& line);
