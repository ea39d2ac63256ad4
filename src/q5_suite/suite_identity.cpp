#include "suite_identity.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <array>

namespace {

constexpr std::array<const char*, 6> ProductModelNames = {"Q5-PC",  "Q5-S10", "Q5-S20",
                                                          "Q5-S30", "Q5-S40", "Q5-S50"};

} // namespace

QString productModelName(std::uint8_t productModel)
{
    if (productModel >= ProductModelNames.size())
        return {};
    return QString::fromLatin1(ProductModelNames[productModel]);
}

QString productName(const ProductModel& productModel)
{
    if (!productModel)
        return QString::fromLatin1(Suite::ProductFamilyName);
    return productModelName(*productModel);
}

QString suiteApplicationName(const ApplicationIdentity& identity)
{
    switch (identity.application) {
    case SuiteApplication::KeyTool:
        return QStringLiteral("Unit Code Builder");
    case SuiteApplication::Controller:
        return productName(identity.productModel);
    case SuiteApplication::ControllerWatchdog:
        return productName(identity.productModel) + QStringLiteral(" Watchdog");
    case SuiteApplication::ControllerCrashDesk:
        return productName(identity.productModel) + QStringLiteral(" Crash Desk");
    case SuiteApplication::StagePreview:
        return QStringLiteral("Q5 Stage Preview");
    case SuiteApplication::ConsoleMimic:
        return QStringLiteral("Console Mimic");
    case SuiteApplication::RestoreAssistant:
        return QStringLiteral("Q5-S30/S40 Restore Assistant");
    case SuiteApplication::CrashInbox:
        return QStringLiteral("Crash Inbox");
    }
    return {};
}

QString applicationName(const ApplicationIdentity& identity)
{
    return QString::fromLatin1(Suite::CompanyWord) + QLatin1Char(' ') +
           suiteApplicationName(identity);
}

Orrery::ApplicationDescription describeApplication(const ApplicationIdentity& identity)
{
    return {.organisationName = QString::fromLatin1(Suite::OrganisationName),
            .organisationDomain = QString::fromLatin1(Suite::OrganisationDomain),
            .applicationName = applicationName(identity),
            .version = Suite::ProgramVersion,
            .legalName = QString::fromLatin1(Suite::CompanyLegalName),
            .buildCommit = buildCommit(),
            .buildDate = buildDate(),
            .buildTime = buildTime()};
}

QString usableFolder(const QString& path)
{
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return {};
    QString cleaned = QDir::cleanPath(path);
    // Qt keeps ".." that climbs above the root ("/../x"); the system takes it as the root.
    while (cleaned.startsWith(QLatin1String("/../")) || cleaned == QLatin1String("/.."))
        cleaned = cleaned.mid(3).isEmpty() ? QStringLiteral("/") : cleaned.mid(3);
    return QDir(cleaned).isRoot() ? QString() : cleaned;
}

QString crashDumpsFolder(SuiteApplication application)
{
    const QString documents =
        usableFolder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    if (documents.isEmpty())
        return {};
    return documents + QLatin1Char('/') + QString::fromLatin1(Suite::OrganisationName) +
           QLatin1Char('/') + suiteApplicationName({application, std::uint8_t{0}}) +
           QLatin1Char('/') + QString::fromLatin1(Suite::CrashDumpsFolderName) + QLatin1Char('/');
}

QString crashDumpsPath(SuiteApplication application)
{
    const QString path = crashDumpsFolder(application);
    // A folder that cannot be made is the package's to report: writing into it fails then.
    if (!path.isEmpty())
        ensurePathExists(path);
    return path;
}

std::optional<QStringList> ensurePathExists(const QString& path)
{
    // The levels that are missing, from the top down; those that exist keep their modes.
    QStringList missing;
    for (QFileInfo level(QDir::cleanPath(QFileInfo(path).absoluteFilePath())); !level.exists();
         level = QFileInfo(level.absolutePath())) {
        missing.prepend(level.absoluteFilePath());
        if (level.isRoot())
            break;
    }
    // What the suite keeps there (crash dumps, logs) is the user's alone.
    const QFile::Permissions privateFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    // Another process may make a level first; then it is there all the same, but not ours.
    QStringList made;
    for (const QString& folder : std::as_const(missing)) {
        if (QDir().mkdir(folder, privateFolder))
            made << folder;
        else if (!QFileInfo(folder).isDir())
            return removeEmptyFolders(made), std::nullopt;
    }
    return made;
}

void removeEmptyFolders(const QStringList& folders)
{
    for (auto folder = folders.crbegin(); folder != folders.crend(); ++folder)
        QDir().rmdir(*folder);
}
