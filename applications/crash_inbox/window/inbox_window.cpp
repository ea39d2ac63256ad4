#include "inbox_window.h"

#include "crash_chart.h"
#include "crash_inbox/intake/package_filer.h"
#include "crash_inbox/store/change_watch.h"
#include "crash_inbox/store/group_triage_store.h"
#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/store/package_places.h"
#include "crash_inbox/store/package_store.h"
#include "crash_inbox/text/printable.h"
#include "crash_inbox/triage/version_order.h"
#include "crash_inbox/window/platform/file_manager.h"
#include "database_worker.h"
#include "extraction_job.h"
#include "filing_job.h"
#include "group_list_model.h"
#include "group_triage_panel.h"
#include "opening_job.h"
#include "package_csv.h"
#include "package_list_model.h"
#include "report_view.h"
#include "tessera/widgets/tree_view.h"
#include "unfinished_filing.h"
#include "window_queries.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <array>
#include <cstdio>

namespace {

// Typing pauses this long before the list follows the search.
constexpr int SearchDelayMs = 150;
constexpr QSize DefaultWindowSize(1200, 760);
// Groups and chart, packages, report: their widths at first.
constexpr std::array PaneWidths = {500, 380, 320};
constexpr int ChangeDelayMs = 300;
constexpr int FilterContentsLength = 12;
constexpr int SearchMinimumChars = 24;
constexpr int MaximumColumnWidth = 240;
// Between the search and filters and the buttons.
constexpr int ActionsSpacing = 12;
// The earliest day a date filter offers, which stands for no bound.
QDate noDateBound()
{
    return QDate(2000, 1, 1);
}

QTreeView* listView(QWidget* parent)
{
    auto* view = new Tessera::TreeView(parent);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    return view;
}

// A mail attachment's place is its mail file.
QString placeOnDisk(const QString& file)
{
    const qsizetype hash = file.lastIndexOf(QLatin1Char('#'));
    return hash > 0 && !QFileInfo::exists(file) ? file.left(hash) : file;
}

} // namespace

InboxWindow::InboxWindow(std::unique_ptr<InboxDatabase> database, QWidget* parent)
    : TranslatableWidget(parent,
                         Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint)
    , m_database(std::move(database))
    , m_worker(new DatabaseWorker(m_database->location(), this))
{
    m_sinceChange.start();
    setDefaultSize(DefaultWindowSize);
    createWidgets();
    createLayout();
    connectSignals();
    refresh();
    updateActions();
    sayUnfinishedFiling();
    askWhetherWritable();
}

InboxWindow::~InboxWindow()
{
    // A filing run, an export, the queries and the watch on the database end before the
    // database goes.
    delete m_filing;
    m_export.waitForFinished();
    delete m_worker;
    delete m_changeWatch;
}

void InboxWindow::createWidgets()
{
    m_search = new QLineEdit(this);
    m_search->setClearButtonEnabled(true);
    // Room for a few words however narrow the window.
    m_search->setMinimumWidth(m_search->fontMetrics().averageCharWidth() * SearchMinimumChars);
    m_device = new QComboBox(this);
    m_deviceLabel = new QLabel(this);
    m_deviceLabel->setBuddy(m_device);
    m_version = new QComboBox(this);
    m_versionLabel = new QLabel(this);
    m_versionLabel->setBuddy(m_version);
    // Names come from packages: a long one must not size the window.
    for (QComboBox* combo : {m_device, m_version}) {
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->setMinimumContentsLength(FilterContentsLength);
        // "All", named in retranslateUi(); the choices come from the database after it.
        combo->addItem(QString());
    }

    m_serialFilterLabel = new QLabel(this);
    m_serialFilter = new QLineEdit(this);
    m_serialFilter->setClearButtonEnabled(true);
    m_serialFilterLabel->setBuddy(m_serialFilter);
    m_crashedLabel = new QLabel(this);
    m_crashedAndLabel = new QLabel(this);
    // The earliest day stands for no bound, and reads "Any".
    for (QDateEdit** edit : {&m_crashedFrom, &m_crashedTo}) {
        *edit = new QDateEdit(this);
        (*edit)->setCalendarPopup(true);
        (*edit)->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        (*edit)->setMinimumDate(noDateBound());
        (*edit)->setDate(noDateBound());
    }
    m_crashedLabel->setBuddy(m_crashedFrom);

    m_add = new QPushButton(this);
    auto* addMenu = new QMenu(m_add);
    m_addFilesAction = addMenu->addAction(QString());
    m_addFolderAction = addMenu->addAction(QString());
    m_add->setMenu(addMenu);
    m_file = new QPushButton(this);
    m_extract = new QPushButton(this);
    m_showInFolder = new QPushButton(this);

    m_groups = listView(this);
    m_groupModel = new GroupListModel(this);
    m_groups->setModel(m_groupModel);
    // Signatures are long: they take the room there is, elided, and show whole in a tool tip.
    m_groups->header()->setStretchLastSection(false);
    m_groups->header()->setSectionResizeMode(QHeaderView::Interactive);
    m_groups->header()->setSectionResizeMode(GroupListModel::Signature, QHeaderView::Stretch);
    m_groups->setSortingEnabled(true);
    m_groups->sortByColumn(GroupListModel::Crashes, Qt::DescendingOrder);
    m_triage = new GroupTriagePanel(this);
    m_groupsLabel = new QLabel(this);
    m_groupsLabel->setBuddy(m_groups);
    m_chart = new CrashChart(this);
    m_periodLabel = new QLabel(this);
    m_period = new QComboBox(this);
    m_period->addItems({QString(), QString()});
    m_periodLabel->setBuddy(m_period);

    m_packages = listView(this);
    m_packageModel = new PackageListModel(this);
    m_packages->setModel(m_packageModel);
    m_packages->header()->setSectionResizeMode(QHeaderView::Interactive);
    m_packages->setSortingEnabled(true);
    m_packages->sortByColumn(PackageListModel::Crashed, Qt::DescendingOrder);
    // Values come from packages: a long one is elided, its column stays within bounds.
    for (QTreeView* view : {m_groups, m_packages})
        view->header()->setMaximumSectionSize(MaximumColumnWidth);
    m_packages->header()->setStretchLastSection(true);
    m_packagesLabel = new QLabel(this);
    m_packagesLabel->setBuddy(m_packages);

    m_report = new ReportView(this);
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(false);
    m_progress->hide();
    m_status = new QLabel(this);
    // Paths and reasons come from outside: never taken for markup.
    m_status->setTextFormat(Qt::PlainText);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    // The rows' context menus: what the buttons do, and what a technician copies elsewhere.
    m_extractAction = new QAction(this);
    m_showInFolderAction = new QAction(this);
    m_copySerialAction = new QAction(this);
    m_copyPathAction = new QAction(this);
    m_copySignatureAction = new QAction(this);
    m_exportAction = new QAction(this);
    m_packages->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_packages->addActions({m_extractAction, m_showInFolderAction, m_copySerialAction,
                            m_copyPathAction, m_copySignatureAction, m_exportAction});
    m_copyGroupSignatureAction = new QAction(this);
    m_groups->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_groups->addAction(m_copyGroupSignatureAction);

    m_rowsDelay = new QTimer(this);
    m_rowsDelay->setSingleShot(true);
    m_rowsDelay->setInterval(0);
    m_searchDelay = new QTimer(this);
    m_searchDelay->setSingleShot(true);
    m_searchDelay->setInterval(SearchDelayMs);
    m_findAction = new QAction(this);
    m_findAction->setShortcut(QKeySequence::Find);
    addAction(m_findAction);
    m_refreshAction = new QAction(this);
    m_refreshAction->setShortcut(QKeySequence::Refresh);
    addAction(m_refreshAction);
    // What others file or decide shows without a restart; a burst of changes refreshes once.
    m_changeWatch = new ChangeWatch(*m_database, this);
    m_changeDelay = new QTimer(this);
    m_changeDelay->setSingleShot(true);
    m_changeDelay->setInterval(ChangeDelayMs);
}

void InboxWindow::createLayout()
{
    auto* bar = new QHBoxLayout;
    bar->addWidget(m_search, 1);
    bar->addWidget(m_deviceLabel);
    bar->addWidget(m_device);
    bar->addWidget(m_versionLabel);
    bar->addWidget(m_version);
    bar->addSpacing(ActionsSpacing);
    for (QPushButton* button : {m_add, m_file, m_extract, m_showInFolder})
        bar->addWidget(button);
    auto* filters = new QHBoxLayout;
    filters->addWidget(m_serialFilterLabel);
    filters->addWidget(m_serialFilter);
    filters->addSpacing(ActionsSpacing);
    filters->addWidget(m_crashedLabel);
    filters->addWidget(m_crashedFrom);
    filters->addWidget(m_crashedAndLabel);
    filters->addWidget(m_crashedTo);
    filters->addStretch(1);

    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(m_groupsLabel);
    leftLayout->addWidget(m_groups, 2);
    leftLayout->addWidget(m_triage);
    auto* period = new QHBoxLayout;
    period->addWidget(m_periodLabel);
    period->addWidget(m_period);
    period->addStretch(1);
    leftLayout->addLayout(period);
    leftLayout->addWidget(m_chart, 3);
    auto* middle = new QWidget(this);
    auto* middleLayout = new QVBoxLayout(middle);
    middleLayout->setContentsMargins(0, 0, 0, 0);
    middleLayout->addWidget(m_packagesLabel);
    middleLayout->addWidget(m_packages);
    // On a small screen the report scrolls rather than squeezing its fields together.
    auto* report = new QScrollArea(this);
    report->setWidget(m_report);
    report->setWidgetResizable(true);
    report->setFrameShape(QFrame::NoFrame);
    report->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* panes = new QSplitter(Qt::Horizontal, this);
    panes->setChildrenCollapsible(false);
    for (QWidget* pane : {left, middle, static_cast<QWidget*>(report)})
        panes->addWidget(pane);
    panes->setSizes({PaneWidths.begin(), PaneWidths.end()});
    // Children are read in their order: the panes left to right, the handles kept above them
    // (their grip is wider than they are drawn).
    for (QWidget* pane : {left, middle, static_cast<QWidget*>(report)})
        pane->raise();
    for (int index = 1; index < panes->count(); ++index)
        panes->handle(index)->raise();

    auto* status = new QHBoxLayout;
    status->addWidget(m_progress);
    status->addWidget(m_status, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addLayout(filters);
    layout->addWidget(panes, 1);
    layout->addLayout(status);
    // A screen reader reads the children in their order: the status after the panes.
    m_progress->raise();
    m_status->raise();
}

void InboxWindow::connectSignals()
{
    const auto changed = [this] {
        m_sinceChange.restart();
    };
    for (QLineEdit* edit : {m_search, m_serialFilter})
        connect(edit, &QLineEdit::textChanged, this, changed);
    for (QComboBox* combo : {m_device, m_version})
        connect(combo, &QComboBox::currentIndexChanged, this, changed);
    for (QDateEdit* edit : {m_crashedFrom, m_crashedTo})
        connect(edit, &QDateEdit::dateChanged, this, changed);
    connect(m_search, &QLineEdit::textChanged, m_searchDelay, qOverload<>(&QTimer::start));
    connect(m_searchDelay, &QTimer::timeout, this, &InboxWindow::refreshGroups);
    connect(m_findAction, &QAction::triggered, m_search, [this] {
        m_search->setFocus(Qt::ShortcutFocusReason);
        m_search->selectAll();
    });
    for (QComboBox* combo : {m_device, m_version})
        connect(combo, &QComboBox::currentIndexChanged, this, &InboxWindow::refreshGroups);
    connect(m_serialFilter, &QLineEdit::textChanged, m_searchDelay, qOverload<>(&QTimer::start));
    for (QDateEdit* edit : {m_crashedFrom, m_crashedTo})
        connect(edit, &QDateEdit::dateChanged, this, &InboxWindow::refreshGroups);
    connect(m_groups->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &InboxWindow::selectGroup);
    connect(m_packages->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &InboxWindow::showSelectedPackage);
    // A paint asks for each row it misses: the rows shown are fetched once it is done.
    connect(m_packageModel, &PackageListModel::rowsWanted, m_rowsDelay,
            qOverload<>(&QTimer::start));
    connect(m_rowsDelay, &QTimer::timeout, this, &InboxWindow::fetchShownRows);
    connect(m_packageModel, &PackageListModel::orderChanged, this, &InboxWindow::refreshPackages);
    connect(m_triage, &GroupTriagePanel::triageChosen, this, &InboxWindow::saveTriage);
    connect(m_period, &QComboBox::currentIndexChanged, m_chart, [this](int index) {
        m_chart->setPeriod(index == 1 ? CrashPeriod::Month : CrashPeriod::Week);
    });
    connect(m_refreshAction, &QAction::triggered, this, &InboxWindow::refresh);
    connect(m_changeWatch, &ChangeWatch::changed, m_changeDelay, qOverload<>(&QTimer::start));
    connect(m_changeDelay, &QTimer::timeout, this, &InboxWindow::refresh);
    connect(m_addFilesAction, &QAction::triggered, this, &InboxWindow::addFiles);
    connect(m_addFolderAction, &QAction::triggered, this, &InboxWindow::addFolder);
    connect(m_file, &QPushButton::clicked, this, &InboxWindow::fileOpenedPackage);
    connect(m_extract, &QPushButton::clicked, this, [this] { extractPackage(); });
    connect(m_report, &ReportView::entryChosen, this, &InboxWindow::extractPackage);
    connect(m_packages, &QAbstractItemView::activated, this, [this] { extractPackage(); });
    connect(m_extractAction, &QAction::triggered, this, [this] { extractPackage(); });
    connect(m_showInFolderAction, &QAction::triggered, this, &InboxWindow::showInFolder);
    connect(m_exportAction, &QAction::triggered, this, &InboxWindow::exportPackages);
    const auto copy = [this](QAction* action, auto value) {
        connect(action, &QAction::triggered, this, [this, value] {
            if (m_shown)
                QGuiApplication::clipboard()->setText(value(*m_shown));
        });
    };
    copy(m_copySerialAction, [](const FiledPackage& package) {
        return package.report.application ? package.report.application->serial : QString();
    });
    copy(m_copyPathAction, [](const FiledPackage& package) { return package.file; });
    copy(m_copySignatureAction, [](const FiledPackage& package) { return package.signature; });
    connect(m_copyGroupSignatureAction, &QAction::triggered, this, [this] {
        if (const auto group = m_groupModel->group(m_groups->currentIndex().row()))
            QGuiApplication::clipboard()->setText(group->signature);
    });
    connect(m_showInFolder, &QPushButton::clicked, this, &InboxWindow::showInFolder);
}

// The filters' choices from the database, then the groups and packages they choose.
void InboxWindow::refresh()
{
    // Without a filter the groups read next are those of all packages: no second read.
    const bool filtered =
        WindowQueries::questionOf(currentFilter()) != WindowQueries::questionOf({});
    if (filtered)
        m_worker->ask<WindowQueries::FilterChoices>(
            DatabaseWorker::Lane::Choices, &WindowQueries::filterChoices,
            [this](const std::optional<WindowQueries::FilterChoices>& choices,
                   const QString& error) {
                if (!choices)
                    return setStatus(error);
                showChoices(*choices);
            },
            QStringLiteral("choices"));
    askGroups(!filtered);
}

void InboxWindow::showChoices(const WindowQueries::FilterChoices& choices)
{
    m_chart->setKnownVersions(choices.releases);
    m_packageModel->setReleases(choices.releases);
    fillFilter(m_device, choices.devices);
    fillFilter(m_version, choices.releases);
}

// The packages that the search and filters choose, then their groups with their counts of
// those, the selected group kept where it can be, then their chart: the list comes first.
void InboxWindow::refreshGroups()
{
    askGroups(false);
}

void InboxWindow::askGroups(bool withChoices)
{
    refreshPackages();
    const PackageFilter filter = currentFilter();
    m_worker->ask<QList<SignatureGroup>>(
        DatabaseWorker::Lane::Groups,
        [filter](InboxDatabase& database, QString& error) {
            return PackageStore(database).signatureGroups(filter, error);
        },
        [this, withChoices](const std::optional<QList<SignatureGroup>>& groups,
                            const QString& error) {
            if (!groups)
                return setStatus(error);
            if (withChoices)
                showChoices(WindowQueries::choicesOf(*groups));
            showGroups(*groups);
        },
        WindowQueries::questionOf(filter));
    refreshChart();
}

void InboxWindow::showGroups(const QList<SignatureGroup>& groups)
{
    const std::optional<SignatureGroup> selected = selectedGroup();
    {
        // The packages are listed already, unless the group selected is gone.
        const QScopedValueRollback<bool> quiet(m_refreshing, true);
        m_groupModel->setGroups(groups);
        m_groups->setCurrentIndex(m_groupModel->index(m_groupModel->rowOf(selected), 0));
    }
    const std::optional<SignatureGroup> now = selectedGroup();
    m_triage->setGroup(now);
    if (selected.has_value() != now.has_value())
        selectGroup();
}

std::optional<SignatureGroup> InboxWindow::selectedGroup() const
{
    return m_groupModel->group(m_groups->currentIndex().row());
}

void InboxWindow::selectGroup()
{
    if (m_refreshing)
        return;
    m_triage->setGroup(selectedGroup());
    refreshPackages();
    refreshChart();
}

PackageFilter InboxWindow::currentFilter() const
{
    // While typing, the word being typed is a prefix of the words looked for.
    QString search = m_search->text();
    if (!search.isEmpty() && !search.back().isSpace() && !search.endsWith(QLatin1Char('*')))
        search += QLatin1Char('*');
    PackageFilter filter;
    filter.search = search.trimmed();
    filter.device = m_device->currentIndex() > 0 ? m_device->currentText() : QString();
    filter.version = m_version->currentIndex() > 0 ? m_version->currentText() : QString();
    filter.serial = m_serialFilter->text().trimmed();
    const auto bound = [](const QDateEdit* edit) {
        return edit->date() > noDateBound() ? edit->date() : QDate();
    };
    filter.crashedFrom = bound(m_crashedFrom);
    filter.crashedTo = bound(m_crashedTo);
    return filter;
}

// The first choice, "All", filters nothing.
void InboxWindow::fillFilter(QComboBox* combo, const QStringList& values)
{
    const QString chosen = combo->currentIndex() > 0 ? combo->currentText() : QString();
    const QSignalBlocker blocker(combo);
    while (combo->count() > 1)
        combo->removeItem(1);
    combo->addItems(values);
    combo->setCurrentIndex(std::max(0, combo->findText(chosen)));
}

// The search and filters with the group selected.
PackageFilter InboxWindow::listFilter() const
{
    const std::optional<SignatureGroup> group = selectedGroup();
    PackageFilter filter = currentFilter();
    filter.signature = group ? group->signature : QString();
    filter.order = m_packageModel->order();
    return filter;
}

void InboxWindow::refreshPackages()
{
    const PackageFilter filter = listFilter();
    static const QRegularExpression notInWords(QStringLiteral("[^\\w]+"),
                                               QRegularExpression::UseUnicodePropertiesOption);
    m_report->setHighlight(m_search->text().split(notInWords, Qt::SkipEmptyParts));
    m_worker->ask<WindowQueries::Listing>(
        DatabaseWorker::Lane::Packages,
        [filter, shownId = m_shownIsFiled && m_shown ? m_shown->id : 0](InboxDatabase& database,
                                                                        QString& error) {
            return WindowQueries::firstRows(database, filter, PackageListModel::PageSize, shownId,
                                            error);
        },
        [this, filter](const std::optional<WindowQueries::Listing>& listing, const QString& error) {
            if (!listing)
                return setStatus(error);
            m_listedFilter = filter;
            showListing(*listing);
        },
        WindowQueries::questionOf(filter));
}

void InboxWindow::refreshChart()
{
    const PackageFilter filter = listFilter();
    m_worker->ask<QList<DayCrashes>>(
        DatabaseWorker::Lane::Chart,
        [filter](InboxDatabase& database, QString& error) {
            return PackageStore(database).crashDays(filter, error);
        },
        [this](const std::optional<QList<DayCrashes>>& days, const QString& error) {
            if (!days)
                return setStatus(error);
            m_chart->setCrashDays(*days);
        },
        WindowQueries::questionOf(filter));
}

void InboxWindow::showListing(const WindowQueries::Listing& listing)
{
    const qint64 selected = m_shownIsFiled && m_shown ? m_shown->id : 0;
    m_packageModel->setListing(listing.count, listing.first);
    Q_EMIT listingShown(listing.count, m_sinceChange.elapsed());
    fitColumnsOnce();
    // The newest crash is shown when nothing else is.
    const int row = m_packageModel->rowOf(selected);
    const int newest = int(m_packageModel->opened().size());
    if (row >= 0)
        m_packages->setCurrentIndex(m_packageModel->index(row, 0));
    else if (listing.shownListed && selected > 0)
        return; // further down: the report stays, no row is current until one is chosen
    else if (!m_shown || m_shownIsFiled)
        m_packages->setCurrentIndex(m_packageModel->index(newest, 0));
    else
        m_packages->setCurrentIndex(m_packageModel->index(openedRow(*m_shown), 0));
    if (m_packageModel->filedCount() == 0 && m_shownIsFiled)
        showPackage(std::nullopt, false);
}

// The rows in view that are not fetched yet, with one query at a time: a fast scroll fetches
// where it stops, not every page it passed.
void InboxWindow::fetchShownRows()
{
    if (m_fetchingRows) {
        m_fetchAgain = true;
        return;
    }
    const int first = std::max(0, m_packages->indexAt(QPoint(0, 0)).row());
    int last = m_packages->indexAt(QPoint(0, m_packages->viewport()->height() - 1)).row();
    if (last < 0)
        last = m_packageModel->rowCount() - 1;
    const QList<int> pages = m_packageModel->missingPages(first, last);
    if (pages.isEmpty())
        return;
    PackageFilter filter = m_listedFilter;
    filter.offset = qint64(pages.first()) * PackageListModel::PageSize;
    filter.limit = qint64(pages.last() - pages.first() + 1) * PackageListModel::PageSize;
    m_fetchingRows = true;
    m_worker->ask<QList<FiledPackage>>(
        DatabaseWorker::EveryQuestion,
        [filter, count = m_packageModel->filedCount()](InboxDatabase& database, QString& error) {
            return WindowQueries::rows(database, filter, count, error);
        },
        [this, listing = m_packageModel->listing(), offset = filter.offset,
         asked = m_sinceChange.elapsed()](const std::optional<QList<FiledPackage>>& rows,
                                          const QString& error) {
            m_fetchingRows = false;
            if (!rows)
                setStatus(error);
            else
                m_packageModel->setRows(listing, offset, *rows);
            // The current row may be one that had no package until now.
            showSelectedPackage();
            Q_EMIT rowsFetched(offset, m_sinceChange.elapsed() - asked);
            if (std::exchange(m_fetchAgain, false))
                fetchShownRows();
        });
}

// -1 when the package is not among the opened ones.
int InboxWindow::openedRow(const FiledPackage& package) const
{
    const QList<FiledPackage>& opened = m_packageModel->opened();
    for (int row = 0; row < opened.size(); ++row) {
        if (opened.at(row).sha256 == package.sha256)
            return row;
    }
    return -1;
}

// Columns start as wide as what they show first; then the technician sizes them.
void InboxWindow::fitColumnsOnce()
{
    if (m_columnsFitted || m_packageModel->filedCount() == 0)
        return;
    m_columnsFitted = true;
    // The signature keeps most of the room; a long state is elided.
    const int groupColumnWidth = PaneWidths.front() / GroupListModel::ColumnCount;
    for (int column = 0; column < GroupListModel::ColumnCount; ++column) {
        if (column == GroupListModel::Signature)
            continue;
        m_groups->resizeColumnToContents(column);
        m_groups->setColumnWidth(column, std::min(m_groups->columnWidth(column), groupColumnWidth));
    }
    for (int column = 0; column < PackageListModel::Comments; ++column)
        m_packages->resizeColumnToContents(column);
}

void InboxWindow::showSelectedPackage()
{
    const std::optional<FiledPackage> listed =
        m_packageModel->package(m_packages->currentIndex().row());
    if (!listed)
        return;
    if (listed->id <= 0)
        return showPackage(listed, false);
    // A refresh selects the package shown again: its report stays as the technician left it.
    if (m_shown && m_shownIsFiled && m_shown->id == listed->id)
        return;
    m_worker->ask<WindowQueries::Shown>(
        DatabaseWorker::Lane::Package,
        [id = listed->id](InboxDatabase& database, QString& error) {
            return WindowQueries::shownPackage(database, id, error);
        },
        [this, id = listed->id](const std::optional<WindowQueries::Shown>& shown,
                                const QString& error) {
            // Another row may have been chosen meanwhile.
            const auto current = m_packageModel->package(m_packages->currentIndex().row());
            if (!current || current->id != id)
                return;
            if (!error.isEmpty())
                setStatus(error);
            showFiled(shown);
        });
}

void InboxWindow::showFiled(const std::optional<WindowQueries::Shown>& shown)
{
    m_shownPlaces = shown ? shown->places : QList<PackagePlace>();
    showPackage(shown ? std::optional<FiledPackage>(shown->package) : std::nullopt, true);
}

void InboxWindow::showPackage(const std::optional<FiledPackage>& package, bool filed)
{
    m_shown = package;
    m_shownIsFiled = package && filed;
    if (!m_shownIsFiled)
        m_shownPlaces.clear();
    m_shownPlace = package ? shownPlaceOnDisk() : QString();
    m_report->setPackage(package);
    if (shownIsGone())
        setStatus(tr("The package's file is gone from %1: what was filed shows, but its entries "
                     "cannot be extracted.")
                      .arg(package->file));
    updateActions();
}

// A filed package may have been moved or deleted from places it was found at, or from all.
// Empty when the package is filed and has gone from every place it was found at.
QString InboxWindow::shownPlaceOnDisk() const
{
    // An opened file is where it was opened.
    if (!m_shownIsFiled)
        return placeOnDisk(m_shown->file);
    for (const PackagePlace& place : m_shownPlaces) {
        if (QFileInfo::exists(placeOnDisk(place.file)))
            return placeOnDisk(place.file);
    }
    return {};
}

bool InboxWindow::shownIsGone() const
{
    return m_shownIsFiled && m_shownPlace.isEmpty();
}

// Packages are read on a worker: a large one would leave the window blank meanwhile.
void InboxWindow::openFiles(const QStringList& files)
{
    QStringList paths;
    for (const QString& given : files)
        paths << QFileInfo(given).absoluteFilePath();
    if (paths.isEmpty())
        return;
    setStatus(tr("Reading %1…").arg(paths.join(QStringLiteral(", "))));
    auto* job = new OpeningJob(paths, this);
    connect(job, &OpeningJob::finished, this, [this, job](const OpeningJob::Readings& readings) {
        showOpenedFiles(readings);
        job->deleteLater();
    });
}

// Each file opened is listed: one not filed above the filed ones, without an ID, shown first;
// one filed already is found among them. What could not be read is said.
void InboxWindow::showOpenedFiles(const OpeningJob::Readings& readings)
{
    QList<QByteArray> sha256s;
    for (const auto& [file, reading] : readings) {
        if (reading.package)
            sha256s << reading.package->sha256;
    }
    m_worker->ask<QHash<QByteArray, WindowQueries::Shown>>(
        DatabaseWorker::EveryQuestion,
        [sha256s](InboxDatabase& database, QString& error) {
            return WindowQueries::filedOf(database, sha256s, error);
        },
        [this, readings](const std::optional<QHash<QByteArray, WindowQueries::Shown>>& filed,
                         const QString& error) {
            if (!filed)
                return setStatus(error);
            showOpenedFiles(readings, *filed);
        });
}

void InboxWindow::showOpenedFiles(const OpeningJob::Readings& readings,
                                  const QHash<QByteArray, WindowQueries::Shown>& filed)
{
    QList<FiledPackage> opened = m_packageModel->opened();
    std::optional<FiledPackage> unfiled;
    std::optional<WindowQueries::Shown> found;
    QStringList said;
    for (const auto& [file, reading] : readings) {
        if (!reading.package) {
            said << tr("%1 is not a crash package: %2").arg(file, reading.problem);
            continue;
        }
        if (const auto known = filed.constFind(reading.package->sha256); known != filed.cend()) {
            found = *known;
            said << tr("%1 is filed already.").arg(file);
            continue;
        }
        const FiledPackage package = filedPackage(*reading.package, file);
        if (openedRow(package) < 0)
            opened << package;
        if (!unfiled)
            unfiled = package;
        said << tr("%1 is not filed.").arg(file);
    }
    m_packageModel->setOpened(opened);
    if (found) {
        m_groups->setCurrentIndex(m_groupModel->index(0, 0));
        m_search->clear();
    }
    if (unfiled)
        showPackage(unfiled, false);
    else if (found)
        showFiled(found);
    refreshPackages();
    setStatus(said.size() == 1 ? said.first() : tr("%1 files opened.").arg(readings.size()),
              said.join(QLatin1Char('\n')));
}

void InboxWindow::addFiles()
{
    const QStringList files = QFileDialog::getOpenFileNames(
        this, tr("Add crash packages"), QString(),
        tr("Crash packages and mail (*.cdp *.eml *.mbox);;All files (*)"));
    if (!files.isEmpty())
        addPaths(files);
}

void InboxWindow::addFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Add a folder of packages"));
    if (!folder.isEmpty())
        addPaths({folder});
}

void InboxWindow::fileOpenedPackage()
{
    if (m_shown && !m_shownIsFiled)
        addPaths({m_shown->file});
}

void InboxWindow::addPaths(const QStringList& chosen)
{
    if (m_filing)
        return;
    // What a run before was closed in the middle of is filed too.
    QStringList paths = UnfinishedFiling::load(m_database->location()).paths;
    for (const QString& path : chosen) {
        if (!paths.contains(path))
            paths << path;
    }
    m_filingPaths = paths;
    m_filingLeft = -1;
    m_filing = new FilingJob(m_database->location(), paths, this);
    connect(m_filing, &FilingJob::progressed, this, &InboxWindow::filingProgressed);
    connect(m_filing, &FilingJob::finished, this, &InboxWindow::filingFinished);
    m_progress->setRange(0, 0);
    m_progress->show();
    setStatus(tr("Filing…"));
    updateActions();
}

void InboxWindow::filingProgressed(qsizetype done, qsizetype expected)
{
    m_filingLeft = expected - done;
    m_progress->setRange(0, int(expected));
    m_progress->setValue(int(done));
    setStatus(tr("Filing %1 of %2…").arg(done).arg(expected));
}

void InboxWindow::filingFinished(const FilingSummary& summary)
{
    m_filing->deleteLater();
    m_filing.clear();
    // A run that failed has not filed what it was given.
    if (summary.error.isEmpty())
        UnfinishedFiling::clear(m_database->location());
    m_progress->hide();
    const QString counts = tr("Added %1, known before %2, rejected %3.")
                               .arg(summary.added)
                               .arg(summary.known)
                               .arg(summary.rejections.size());
    QStringList rejections;
    for (const FilingOutcome& rejection : summary.rejections)
        rejections << printable(rejection.path) + QStringLiteral(": ") +
                          printable(rejection.reason);
    setStatus(summary.error.isEmpty() ? counts : summary.error, rejections.join('\n'));
    forgetFiledOpenings();
    // The watch hears this change too: one refresh for both.
    m_changeDelay->start();
    updateActions();
}

// Opened files that are filed now leave the opened rows; the one shown is shown as filed.
void InboxWindow::forgetFiledOpenings()
{
    QList<QByteArray> sha256s;
    for (const FiledPackage& package : m_packageModel->opened())
        sha256s << package.sha256;
    if (sha256s.isEmpty())
        return;
    m_worker->ask<QHash<QByteArray, WindowQueries::Shown>>(
        DatabaseWorker::EveryQuestion,
        [sha256s](InboxDatabase& database, QString& error) {
            return WindowQueries::filedOf(database, sha256s, error);
        },
        [this](const std::optional<QHash<QByteArray, WindowQueries::Shown>>& filed,
               const QString& error) {
            if (!filed)
                return setStatus(error);
            QList<FiledPackage> stillOpened;
            for (const FiledPackage& package : m_packageModel->opened()) {
                if (!filed->contains(package.sha256))
                    stillOpened << package;
                else if (m_shown && !m_shownIsFiled && m_shown->sha256 == package.sha256)
                    showFiled(filed->value(package.sha256));
            }
            m_packageModel->setOpened(stillOpened);
        });
}

// Extraction runs on a worker, so a large package leaves the window answering.
void InboxWindow::extractPackage(const QString& only)
{
    if (!m_shown || m_extracting || shownIsGone())
        return;
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Extract into"));
    if (folder.isEmpty())
        return;
    QList<PackagePlace> places{{m_shown->file, {}, {}, std::nullopt}};
    QByteArray sha256;
    if (m_shownIsFiled) {
        places = m_shownPlaces;
        sha256 = m_shown->sha256;
    }
    m_extracting = true;
    updateActions();
    setStatus(tr("Extracting into %1…").arg(folder));
    auto* job = new ExtractionJob(places, sha256, folder, only, this);
    connect(job, &ExtractionJob::finished, this, [this, job](const ExtractionReport& report) {
        m_extracting = false;
        updateActions();
        setStatus(report.summary, report.details);
        job->deleteLater();
    });
}

// The packages listed now, as the filters and the search chose them.
void InboxWindow::exportPackages()
{
    const QString file = QFileDialog::getSaveFileName(this, tr("Export the listed packages"),
                                                      QString(), tr("CSV files (*.csv)"));
    if (file.isEmpty())
        return;
    if (m_export.isRunning())
        return setStatus(tr("An export is still being written."));
    setStatus(tr("Exporting to %1…").arg(file));
    m_export =
        QtConcurrent::run([location = m_database->location(), opened = m_packageModel->opened(),
                           filter = m_listedFilter, file] {
            QString error;
            const std::optional<qint64> exported =
                WindowQueries::exportCsv(location, opened, filter, file, error);
            return exported ? tr("Exported %1 packages to %2.").arg(*exported).arg(file) : error;
        });
    auto* watcher = new QFutureWatcher<QString>(this);
    connect(watcher, &QFutureWatcher<QString>::finished, this, [this, watcher] {
        setStatus(watcher->result());
        watcher->deleteLater();
    });
    watcher->setFuture(m_export);
}

void InboxWindow::showInFolder()
{
    if (!m_shown)
        return;
    if (!CrashInbox::Platform::showInFileManager(m_shownPlace))
        setStatus(tr("No file manager could be started to show %1.").arg(m_shownPlace));
}

void InboxWindow::saveTriage(const GroupTriage& shown, const GroupTriage& triage)
{
    if (hasFixingVersion(triage.state) && !VersionOrder::parse(triage.fixedIn)) {
        setStatus(tr("The group was not changed: \"%1\" is no version such as 6.4.1.")
                      .arg(triage.fixedIn));
        return;
    }
    m_worker->ask<bool>(
        DatabaseWorker::EveryQuestion,
        [shown, triage](InboxDatabase& database, QString& error) -> std::optional<bool> {
            if (!GroupTriageStore(database).change(shown, triage, error))
                return std::nullopt;
            return true;
        },
        [this, triage](const std::optional<bool>& changed, const QString& error) {
            if (!changed)
                return setStatus(tr("The group was not changed: %1").arg(error));
            setStatus(tr("Group %1 is %2.")
                          .arg(triage.id)
                          .arg(GroupListModel::stateText(triage).toLower()));
            // The watch may hear this change too: one refresh for both.
            m_changeDelay->start();
        });
}

// A run stops between batches; what it was given is kept for the next Add….
void InboxWindow::closeEvent(QCloseEvent* event)
{
    // A run that has filed everything (its end not yet heard) leaves nothing.
    if (m_filing && m_filingLeft != 0) {
        const qsizetype left = m_filingLeft > 0 ? m_filingLeft : m_filingPaths.size();
        UnfinishedFiling::save(m_database->location(), {m_filingPaths, left});
        // For a technician who started the window from a terminal.
        const QString said =
            tr("Filing stopped before its end, %1 left to file: the next Add… files them.")
                .arg(left);
        std::fprintf(stderr, "%s\n", qPrintable(said));
        delete m_filing;
    }
    TranslatableWidget::closeEvent(event);
}

// An inbox that this user may only read is shown all the same; what would change it is off.
void InboxWindow::askWhetherWritable()
{
    m_worker->ask<QString>(
        DatabaseWorker::EveryQuestion, &WindowQueries::writeRefusal,
        [this](const std::optional<QString>& refusal, const QString& error) {
            if (!refusal)
                return setStatus(error);
            m_writeRefusal = *refusal;
            if (m_writeRefusal.isEmpty())
                return;
            m_triage->setReadOnly(true);
            setStatus(tr("This inbox can only be read here: packages cannot be added and groups "
                         "cannot be changed. %1")
                          .arg(m_writeRefusal));
            updateActions();
        });
}

// A run that was stopped is said when the window opens.
void InboxWindow::sayUnfinishedFiling()
{
    const UnfinishedFiling unfinished = UnfinishedFiling::load(m_database->location());
    if (!unfinished.paths.isEmpty())
        setStatus(tr("The last filing stopped before its end, %1 left to file: the next Add… "
                     "files them.")
                      .arg(unfinished.remaining),
                  unfinished.paths.join(QLatin1Char('\n')));
}

void InboxWindow::setStatus(const QString& text, const QString& details)
{
    m_status->setText(text);
    m_status->setToolTip(details.isEmpty() ? QString() : Qt::convertFromPlainText(details));
}

void InboxWindow::updateActions()
{
    const bool writable = m_writeRefusal.isEmpty();
    m_add->setEnabled(!m_filing && writable);
    m_add->setToolTip(m_writeRefusal);
    m_file->setVisible(m_shown && !m_shownIsFiled);
    m_file->setEnabled(!m_filing && writable);
    m_file->setToolTip(m_writeRefusal);
    m_extract->setEnabled(m_shown.has_value() && !m_extracting && !shownIsGone());
    m_extractAction->setEnabled(m_extract->isEnabled());
    m_showInFolder->setEnabled(m_shown.has_value() && !shownIsGone());
    m_showInFolderAction->setEnabled(m_showInFolder->isEnabled());
}

void InboxWindow::retranslateUi()
{
    setWindowTitle(QCoreApplication::applicationName());
    m_search->setPlaceholderText(tr("Search comments and output logs"));
    m_search->setAccessibleName(tr("Search"));
    // The clear button is the line edit's own; a screen reader reads its action's text.
    if (auto* clear = m_search->findChild<QAction*>(QStringLiteral("_q_qlineeditclearaction")))
        clear->setText(tr("Clear the search"));
    m_periodLabel->setText(tr("Chart b&y:"));
    m_serialFilterLabel->setText(tr("Se&rial:"));
    m_serialFilter->setPlaceholderText(tr("Any"));
    m_serialFilter->setAccessibleName(tr("Serial filter"));
    m_crashedLabel->setText(tr("Crashed bet&ween"));
    m_crashedAndLabel->setText(tr("and"));
    m_crashedFrom->setSpecialValueText(tr("Any day"));
    m_crashedTo->setSpecialValueText(tr("Any day"));
    m_crashedFrom->setAccessibleName(tr("Crashed from"));
    m_crashedTo->setAccessibleName(tr("Crashed until"));
    m_period->setItemText(0, tr("Week"));
    m_period->setItemText(1, tr("Month"));
    m_deviceLabel->setText(tr("&Device:"));
    m_versionLabel->setText(tr("&Version:"));
    m_device->setItemText(0, tr("All"));
    m_device->setAccessibleName(tr("Device"));
    m_version->setAccessibleName(tr("Version"));
    m_version->setItemText(0, tr("All"));
    m_add->setText(tr("&Add…"));
    m_addFilesAction->setText(tr("Packages or mail…"));
    m_addFolderAction->setText(tr("A folder…"));
    m_file->setText(tr("&File it"));
    m_extract->setText(tr("E&xtract…"));
    m_showInFolder->setText(tr("Show in f&older"));
    m_groupsLabel->setText(tr("Crash &groups"));
    m_groups->setAccessibleName(tr("Crash groups"));
    m_packagesLabel->setText(tr("&Packages"));
    m_packages->setAccessibleName(tr("Packages"));
    m_progress->setAccessibleName(tr("Filing progress"));
    m_extractAction->setText(tr("Extract…"));
    m_showInFolderAction->setText(tr("Show in folder"));
    m_copySerialAction->setText(tr("Copy serial"));
    m_copyPathAction->setText(tr("Copy path"));
    m_copySignatureAction->setText(tr("Copy signature"));
    m_exportAction->setText(tr("Export the listed packages as CSV…"));
    m_copyGroupSignatureAction->setText(tr("Copy signature"));
}
