#pragma once

#include "crash_reporter/package/crash_package.h"
#include "crash_reporter/package/package_limits.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class CrashReportWidget;
class PackageJob;

// The crash packages of one episode. Each is written now or, while the dialog is open, in the
// background. The crash is kept from the start: the automatic package in the Crash Dumps
// folder, brought up to date with the comments on the way out unless the operator saved a
// package that holds them. The crash data file goes once a package holds what it held.
class EpisodePackages : public QObject
{
    Q_OBJECT

public:
    enum class Packaging { Now, InBackground };
    using PackageDone = std::function<void(const PackageOutcome&, const QString& comments)>;
    // The automatic package's path; none when no folder took it.
    using AutoSaveDone = std::function<void(const std::optional<QString>&)>;

    // `comments` gives what the operator typed so far.
    EpisodePackages(std::function<QString()> comments, QObject* parent = nullptr);

    // The crash every package holds; the comments are added as each is written.
    void setCrash(const CrashPackageContents& crash) { m_crash = crash; }
    // Deleted once a package holds what it held.
    void setCrashDataFile(const QString& path) { m_crashDataFile = path; }
    // The dialog shows a package being written, and keeps the window responsive meanwhile.
    void setDialog(CrashReportWidget* dialog) { m_dialog = dialog; }
    // Hears the path of each automatic package once it is written, or written again.
    void setAutomaticKept(std::function<void(const QString&)> kept)
    {
        m_automaticKept = std::move(kept);
    }

    bool isWriting() const;

    // Writes the package; `done` hears the outcome and the comments it holds. False when a
    // package is already being written in the background. ReplaceOwn replaces only `own`;
    // without `withDump` the package leaves the dump out.
    bool package(const QString& target, PackageTarget mode, Packaging packaging, PackageDone done,
                 const std::optional<CrashReporter::Platform::FileIdentity>& own = {},
                 bool withDump = true);
    // A new automatic package, under the next free name in the first folder that takes it.
    void autoSave(Packaging packaging, AutoSaveDone done);
    // Saves the crash again, into the automatic package when there is one.
    void updateAutomatic(Packaging packaging, AutoSaveDone done);
    // A package the operator saved: it holds the crash with these comments.
    void keepSaved(const QString& path, const QString& comments, const PackageOutcome& outcome);

    // On the way out: a package being written is finished, and the crash is kept with the
    // comments typed so far. Packages are written at once from here on.
    void finish();

private:
    // A package that holds the crash, the comments it holds, and the file written.
    struct KeptPackage {
        QString path;
        QString comments;
        std::optional<CrashReporter::Platform::FileIdentity> identity;
        qint64 size = 0;
    };

    void finishPackaging(const PackageOutcome& outcome);
    void autoSaveFrom(QStringList folders, int number, Packaging packaging, AutoSaveDone done);
    void keep(const QString& path, const QString& comments, bool automatic,
              const PackageOutcome& outcome);
    static bool isStillThere(const KeptPackage& kept);
    // Automatic packages stay within their limits; the one being replaced makes room.
    bool dumpFitsBeside(const QString& folder, const QString& replacing = {}) const;

    std::function<QString()> m_comments;
    std::function<void(const QString&)> m_automaticKept;
    CrashPackageContents m_crash;
    QString m_crashDataFile;
    QPointer<CrashReportWidget> m_dialog;
    PackageJob* m_packaging = nullptr;
    std::function<void(const PackageOutcome&)> m_packagingDone;
    std::optional<KeptPackage> m_automatic;
    std::optional<KeptPackage> m_saved;
    const PackageLimits m_packageLimits = PackageLimits::fromEnvironment();
    bool m_leaving = false;
};
