#pragma once

#include <QString>
#include <QTextStream>

class PackageFiler;

// Files the packages in the folder, and those that appear there, once they are complete, until
// the process is ended. A file is read once its size and time have stood still for a second; one
// that does not read as a package yet (still being copied, say) is noted on `err` ("waiting for
// PATH: REASON") and tried again as it changes, and rejected only when it has stood still for ten
// seconds and still does not read. Returns (false) only when the folder is gone or the database
// failed; `err` then says which.
bool watchFolder(const QString& folder, PackageFiler& filer, QTextStream& err);
