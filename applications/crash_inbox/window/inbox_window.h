#pragma once

#include "crash_inbox/store/filed_package.h"
#include "crash_inbox/store/package_places.h"
#include "opening_job.h"
#include "tessera/resources/translatable_widget.h"
#include "tessera/window/window_proxy.h"

#include <QElapsedTimer>
#include <QFuture>
#include <QPointer>
#include <QWidget>

#include <memory>

class ChangeWatch;
class CrashChart;
class DatabaseWorker;
class FilingJob;
class GroupListModel;
class GroupTriagePanel;
class InboxDatabase;
class PackageListModel;
class QComboBox;
class QDateEdit;
class QItemSelection;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeView;
class ReportView;
struct FilingSummary;
namespace WindowQueries {
struct FilterChoices;
struct Listing;
struct Shown;
} // namespace WindowQueries

// The service desk's window on the inbox: search and filters, the crash groups with a chart of
// their crashes per week, the packages of the selected group, and the selected package's report;
// packages are added, extracted and found on the disk from here.
class InboxWindow : public Tessera::TranslatableWidget<Tessera::WindowProxy<QWidget>>
{
    Q_OBJECT

public:
    explicit InboxWindow(std::unique_ptr<InboxDatabase> database, QWidget* parent = nullptr);
    ~InboxWindow() override;

    // Shows package files from outside: one filed already is selected, another is shown
    // unfiled, to be filed only when the technician asks.
    void openFiles(const QStringList& files);

    void retranslateUi() override;

Q_SIGNALS:
    // A listing was shown: how many packages it holds, and how long after the search or a
    // filter last changed (or the window was made).
    void listingShown(qint64 count, qint64 msAfterChange);
    // Rows shown were fetched: from which of the listing, and how long after they were missed.
    void rowsFetched(qint64 offset, qint64 msAfterMissed);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createWidgets();
    void createLayout();
    void connectSignals();
    void refresh();
    void refreshGroups();
    void askGroups(bool withChoices);
    void showChoices(const WindowQueries::FilterChoices& choices);
    void showGroups(const QList<SignatureGroup>& groups);
    std::optional<SignatureGroup> selectedGroup() const;
    void selectGroup();
    PackageFilter listFilter() const;
    void refreshChart();
    PackageFilter currentFilter() const;
    void refreshPackages();
    void showListing(const WindowQueries::Listing& listing);
    void fetchShownRows();
    void fitColumnsOnce();
    void showSelectedPackage();
    void showFiled(const std::optional<WindowQueries::Shown>& shown);
    void showPackage(const std::optional<FiledPackage>& package, bool filed);
    QString shownPlaceOnDisk() const;
    bool shownIsGone() const;
    void showOpenedFiles(const OpeningJob::Readings& readings);
    void showOpenedFiles(const OpeningJob::Readings& readings,
                         const QHash<QByteArray, WindowQueries::Shown>& filed);
    int openedRow(const FiledPackage& package) const;
    void forgetFiledOpenings();
    void fillFilter(QComboBox* combo, const QStringList& values);
    void addPaths(const QStringList& paths);
    void addFiles();
    void addFolder();
    void fileOpenedPackage();
    void extractPackage(const QString& only = {});
    void exportPackages();
    void showInFolder();
    void filingProgressed(qsizetype done, qsizetype expected);
    void filingFinished(const FilingSummary& summary);
    void sayUnfinishedFiling();
    void askWhetherWritable();
    void saveTriage(const GroupTriage& shown, const GroupTriage& triage);
    void setStatus(const QString& text, const QString& details = {});
    void updateActions();

    std::unique_ptr<InboxDatabase> m_database;
    DatabaseWorker* m_worker = nullptr;
    std::optional<FiledPackage> m_shown;
    bool m_shownIsFiled = false;
    QList<PackagePlace> m_shownPlaces; // of a filed package
    QString m_shownPlace;              // the first of its places that is on the disk
    QString m_writeRefusal;            // why this user cannot change the inbox; empty when they can
    PackageFilter m_listedFilter;
    bool m_fetchingRows = false;
    bool m_fetchAgain = false;
    QElapsedTimer m_sinceChange;
    QFuture<QString> m_export;
    QPointer<FilingJob> m_filing;
    QStringList m_filingPaths;
    qsizetype m_filingLeft = -1; // not known before the first progress
    bool m_extracting = false;

    QLineEdit* m_search = nullptr;
    QLabel* m_deviceLabel = nullptr;
    QComboBox* m_device = nullptr;
    QLabel* m_versionLabel = nullptr;
    QComboBox* m_version = nullptr;
    QLabel* m_serialFilterLabel = nullptr;
    QLineEdit* m_serialFilter = nullptr;
    QLabel* m_crashedLabel = nullptr;
    QDateEdit* m_crashedFrom = nullptr;
    QLabel* m_crashedAndLabel = nullptr;
    QDateEdit* m_crashedTo = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_file = nullptr;
    QPushButton* m_extract = nullptr;
    QPushButton* m_showInFolder = nullptr;
    QLabel* m_groupsLabel = nullptr;
    QTreeView* m_groups = nullptr;
    GroupListModel* m_groupModel = nullptr;
    GroupTriagePanel* m_triage = nullptr;
    CrashChart* m_chart = nullptr;
    QLabel* m_periodLabel = nullptr;
    QComboBox* m_period = nullptr;
    QLabel* m_packagesLabel = nullptr;
    QTreeView* m_packages = nullptr;
    PackageListModel* m_packageModel = nullptr;
    ReportView* m_report = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QTimer* m_searchDelay = nullptr;
    QTimer* m_rowsDelay = nullptr;
    bool m_refreshing = false;
    bool m_columnsFitted = false;
    QAction* m_addFilesAction = nullptr;
    QAction* m_addFolderAction = nullptr;
    QAction* m_findAction = nullptr;
    QAction* m_refreshAction = nullptr;
    QAction* m_extractAction = nullptr;
    QAction* m_showInFolderAction = nullptr;
    QAction* m_copySerialAction = nullptr;
    QAction* m_copyPathAction = nullptr;
    QAction* m_copySignatureAction = nullptr;
    QAction* m_exportAction = nullptr;
    QAction* m_copyGroupSignatureAction = nullptr;
    ChangeWatch* m_changeWatch = nullptr;
    QTimer* m_changeDelay = nullptr;
};
