#pragma once

#include <QStringList>

// Where automatic packages go, best first, each path ending with "/": the Crash Dumps folder,
// then the same levels under the user's private state folder. Folders under a home that is
// unset or the file-system root are left out. When none of them takes the package, a new
// private folder in the temporary folder does (temporaryCrashDumpsFolder).
QStringList automaticPackageFolders();

// A new folder of the user's alone in the temporary folder; empty when none can be made.
QString temporaryCrashDumpsFolder();

// Where the save dialog opens: the first usable automatic folder, else the home folder.
QString saveDialogFolder();
