#include "package_folders.h"

#include "platform/user_state_folder.h"
#include "suite_identity.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

// Without a home of its own the user's folders would land at the root of the file system.
bool homeIsUsable()
{
    return !QDir(QDir::homePath()).isRoot();
}

QString stateCrashDumpsFolder()
{
    const QString state = Platform::userStateFolder();
    if (state.isEmpty())
        return {};
    return state + QLatin1Char('/') + QString::fromLatin1(Suite::OrganisationName) +
           QLatin1Char('/') +
           suiteApplicationName({SuiteApplication::Controller, std::uint8_t{0}}) +
           QLatin1Char('/') + QString::fromLatin1(Suite::CrashDumpsFolderName) + QLatin1Char('/');
}

} // namespace

QStringList automaticPackageFolders()
{
    QStringList folders;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (homeIsUsable() && !documents.isEmpty() && !QDir(documents).isRoot())
        folders << crashDumpsPath(SuiteApplication::Controller);
    const QString state = stateCrashDumpsFolder();
    if (!state.isEmpty())
        folders << state;
    return folders;
}

QString temporaryCrashDumpsFolder()
{
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/Varnel Crash Dumps-XXXXXX"));
    if (!folder.isValid())
        return {};
    folder.setAutoRemove(false);
    return folder.path() + QLatin1Char('/');
}

QString saveDialogFolder()
{
    for (const QString& folder : automaticPackageFolders()) {
        ensurePathExists(folder);
        if (QFileInfo(folder).isDir())
            return folder;
    }
    return QDir::homePath();
}
