#pragma once

#include <QStringList>

// What both of the inbox's programs do first.

// Qt's own warnings (a driver's, a platform plugin's) are no message of the inbox's: they reach
// the terminal only when Q5_CRASH_INBOX_DEBUG asks for them, escaped.
void quietQtMessages();

// The program's arguments as Qt reads them, before any application object exists.
QStringList programArguments(int argc, char** argv);
