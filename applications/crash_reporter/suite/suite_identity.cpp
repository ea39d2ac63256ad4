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

QString crashDumpsPath(SuiteApplication application)
{
    QString path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    path += QLatin1Char('/') + QString::fromLatin1(Suite::OrganisationName) + QLatin1Char('/') +
            suiteApplicationName({application, std::uint8_t{0}}) + QLatin1Char('/');
    ensurePathExists(path);
    path += QString::fromLatin1(Suite::CrashDumpsFolderName) + QLatin1Char('/');
    ensurePathExists(path);
    return path;
}

void ensurePathExists(const QString& path)
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
    // Another process may make a level first; then it is there all the same.
    for (const QString& folder : std::as_const(missing))
        if (!QDir().mkdir(folder, privateFolder) && !QFileInfo(folder).isDir())
            return;
}
