#include "crash_inbox/window/platform/file_manager.h"

#include <QDir>
#include <QProcess>

namespace CrashInbox::Platform {

bool showInFileManager(const QString& file)
{
    // Explorer opens the folder with the file selected.
    return QProcess::startDetached(QStringLiteral("explorer.exe"),
                                   {QStringLiteral("/select,") + QDir::toNativeSeparators(file)});
}

} // namespace CrashInbox::Platform
