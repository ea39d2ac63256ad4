#include "package_folders.h"

#include "crash_reporter/package/platform/private_folder.h"
#include "crash_reporter/package/platform/user_state_folder.h"
#include "q5_suite/suite_identity.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

// Without a home of its own the user's folders would land at the root of the file system.
bool homeIsUsable()
{
    return !usableFolder(QDir::homePath()).isEmpty();
}

QString stateCrashDumpsFolder()
{
    const QString product = stateProductFolder();
    if (product.isEmpty())
        return {};
    return product + QString::fromLatin1(Suite::CrashDumpsFolderName) + QLatin1Char('/');
}

} // namespace

QString stateProductFolder()
{
    const QString state = CrashReporter::Platform::userStateFolder();
    if (state.isEmpty())
        return {};
    return state + QLatin1Char('/') + QString::fromLatin1(Suite::OrganisationName) +
           QLatin1Char('/') +
           suiteApplicationName({SuiteApplication::Controller, std::uint8_t{0}}) + QLatin1Char('/');
}

QStringList automaticPackageFolders()
{
    QStringList folders;
    const QString dumps =
        homeIsUsable() ? crashDumpsFolder(SuiteApplication::Controller) : QString();
    if (!dumps.isEmpty())
        folders << dumps;
    const QString state = stateCrashDumpsFolder();
    if (!state.isEmpty())
        folders << state;
    return folders;
}

// One folder per user, used by every episode, so that failing episodes leave no trail of
// folders; should anything else have its name, a new one of random name.
QString temporaryCrashDumpsFolder()
{
    if (const QString folder = CrashReporter::Platform::userPrivateFolder(
            QDir::tempPath() + QStringLiteral("/Varnel Crash Dumps"));
        !folder.isEmpty())
        return folder + QLatin1Char('/');
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
