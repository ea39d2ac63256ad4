#pragma once

#include <QStringList>

// Where automatic packages go, best first, each path ending with "/": the Crash Dumps folder,
// then the same levels under the user's private state folder. Folders under a home that is
// unset or the file-system root are left out. When none of them takes the package, a private
// folder in the temporary folder does (temporaryCrashDumpsFolder).
QStringList automaticPackageFolders();

// The controller's own folder in the user's private state folder, ending with "/"; empty when
// there is no state folder. The reporter keeps what is the user's alone there.
QString stateProductFolder();

// The user's own folder in the temporary folder, "Varnel Crash Dumps-<user>", the same for
// every episode; empty when none can be had.
QString temporaryCrashDumpsFolder();

// Where the save dialog opens: the first usable automatic folder, else the home folder.
QString saveDialogFolder();
