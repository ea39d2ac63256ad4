#include "crash_inbox/intake/imap_responses.h"
#include "crash_inbox/intake/package_filer.h"
#include "crash_inbox/intake/package_sources.h"
#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/store/package_store.h"
#include "crash_inbox/text/printable.h"
#include "crash_inbox/triage/version_order.h"
#include "crash_inbox/window/crash_chart.h"
#include "crash_inbox/window/extraction_job.h"
#include "crash_inbox/window/filing_job.h"
#include "crash_inbox/window/group_list_model.h"
#include "crash_inbox/window/package_csv.h"
#include "crash_inbox/window/package_list_model.h"
#include "crash_inbox/window/period_crashes.h"
#include "crash_inbox/window/unfinished_filing.h"
#include "package_format/tests/package_builder.h"
#include "tessera/palette/palette.h"
#include "tessera/style/style.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QStackedBarSeries>
#include <QTemporaryDir>
#include <QTest>

namespace {

FiledPackage crashed(const QString& date, const QString& version, qint64 id = 0)
{
    FiledPackage package;
    package.id = id;
    package.report.date = QDate::fromString(date, Qt::ISODate);
    if (!version.isNull())
        package.report.application = ReportDocument::Application{{}, "SN-1", version, "Linux"};
    return package;
}

SignatureGroup signatureGroup(const QString& signature, int count)
{
    SignatureGroup group;
    group.signature = signature;
    group.count = count;
    return group;
}

// Records what a filing run tells.
class RecordingListener : public FilingListener
{
public:
    QList<FilingOutcome> outcomes;
    QList<qsizetype> done;
    qsizetype expected = -1;

    void filed(const FilingOutcome& outcome) override { outcomes << outcome; }
    void progressed(qsizetype count, qsizetype of) override
    {
        done << count;
        expected = of;
    }
};

QByteArray sha256Of(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return file.open(QIODevice::ReadOnly) && hash.addData(&file) ? hash.result().toHex() : "";
}

} // namespace

Q_DECLARE_METATYPE(QList<FiledPackage>)

// The inbox's parts on their own: the chart's counts, the terminal's escapes, the list models,
// the filer's outcomes, the window's filing and extraction jobs.
class TestInboxUnits : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;

    QString path(const QString& name) const { return m_folder.filePath(name); }

    void build(const QString& name, const QString& program) const
    {
        QDir().mkpath(QFileInfo(path(name)).path());
        QCOMPARE(buildWithPython("open(sys.argv[1], 'wb').write(" + program + ")", path(name)),
                 QByteArray());
    }

    std::unique_ptr<InboxDatabase> freshDatabase(const QString& name) const
    {
        QString error;
        const auto location = parseDatabaseLocation(path(name), error);
        return location ? InboxDatabase::open(*location, error) : nullptr;
    }

private Q_SLOTS:
    // A mail server's answers as libcurl passes them on, hostile ones among them.
    void imapAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<qint64>("validity"); // 0: none
        QTest::addColumn<QString>("uids");    // "-": none
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("status") << QByteArray("* STATUS \"INBOX\" (MESSAGES 2 UIDVALIDITY 17)\r\n")
                                << qint64(17) << "" << QByteArray();
        QTest::newRow("examined") << QByteArray("* OK [UIDVALIDITY 23] UIDs valid\r\n")
                                  << qint64(23) << "" << QByteArray();
        QTest::newRow("search, unordered and twice")
            << QByteArray("* SEARCH 5 3 5 10\r\nA3 OK done\r\n") << qint64(0) << "3 5 10"
            << QByteArray();
        QTest::newRow("fetch") << QByteArray("* 4 FETCH (UID 9 BODY[] {5}\r\nab\r\nc)\r\nA5 OK\r\n")
                               << qint64(0) << "" << QByteArray("ab\r\nc");
        QTest::newRow("fetch cut short") << QByteArray("* 4 FETCH (UID 9 BODY[] {50}\r\nab)\r\n")
                                         << qint64(0) << "" << QByteArray();
        QTest::newRow("fetch above the limit")
            << QByteArray("* 4 FETCH (UID 9 BODY[] {2000}\r\n") + QByteArray(2100, 'x') << qint64(0)
            << "" << QByteArray();
        QTest::newRow("message that looks like an answer")
            << QByteArray("* 1 FETCH (BODY[] {24}\r\n* SEARCH 1\r\n* STATUS x\r\n)\r\n")
            << qint64(0) << "1" << QByteArray("* SEARCH 1\r\n* STATUS x\r\n");
    }

    void imapAnswers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(qint64, validity);
        QFETCH(QString, uids);
        QFETCH(QByteArray, message);
        QCOMPARE(qint64(ImapResponses::uidValidity(answer).value_or(0)), validity);
        const auto searched = ImapResponses::searchedUids(answer);
        QStringList words;
        for (const quint32 uid : searched.value_or(QList<quint32>()))
            words << QString::number(uid);
        QCOMPARE(searched ? words.join(' ') : QString("-"), uids);
        QCOMPARE(ImapResponses::fetchedMessage(answer, 1000).value_or(QByteArray()), message);
    }

    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        build("usb/a.cdp", "package('first', 'SN-1')");
        build("usb/b.cdp", "package('second', 'SN-2', date='06/12/2026')");
        build("usb/copy-of-a.cdp", "package('first', 'SN-1')");
        build("usb/broken.cdp", "package()[:100]");
    }

    // Weeks run from Monday (months from the first), oldest first, back from the latest crash
    // as far as there are crashes; the versions with most crashes come first and the rest go
    // together.
    void crashesPerPeriod_data()
    {
        QTest::addColumn<QList<FiledPackage>>("packages");
        QTest::addColumn<int>("maximumWeeks");
        QTest::addColumn<int>("maximumVersions");
        QTest::addColumn<QStringList>("weeks");
        QTest::addColumn<QStringList>("versions");
        QTest::addColumn<QList<QList<int>>>("counts");
        QTest::addColumn<bool>("months");
        // 2026-11-30 and 2026-12-07 are Mondays.
        QTest::newRow("none") << QList<FiledPackage>{} << 8 << 3 << QStringList{} << QStringList{}
                              << QList<QList<int>>{} << false;
        QTest::newRow("no dates") << QList<FiledPackage>{crashed("", "1")} << 8 << 3
                                  << QStringList{} << QStringList{} << QList<QList<int>>{} << false;
        QTest::newRow("Sunday and Monday")
            << QList<FiledPackage>{crashed("2026-12-06", "1"), crashed("2026-12-07", "1"),
                                   crashed("2026-11-30", "2")}
            << 8 << 3 << QStringList{"2026-11-30", "2026-12-07"} << QStringList{"1", "2"}
            << QList<QList<int>>{{1, 1}, {1, 0}} << false;
        QTest::newRow("older than the weeks shown")
            << QList<FiledPackage>{crashed("2026-12-09", "1"), crashed("2026-11-01", "1"),
                                   crashed("2026-12-01", "1")}
            << 2 << 3 << QStringList{"2026-11-30", "2026-12-07"} << QStringList{"1"}
            << QList<QList<int>>{{1, 1}} << false;
        QTest::newRow("the rest as other")
            << QList<FiledPackage>{crashed("2026-12-08", "a"), crashed("2026-12-08", "b"),
                                   crashed("2026-12-08", "b"), crashed("2026-12-08", "c"),
                                   crashed("2026-12-01", QString())}
            << 4 << 2 << QStringList{"2026-11-30", "2026-12-07"} << QStringList{"b", "other"}
            << QList<QList<int>>{{0, 2}, {1, 2}} << false;
        QTest::newRow("months across a year")
            << QList<FiledPackage>{crashed("2025-11-15", "1"), crashed("2026-01-31", "1"),
                                   crashed("2026-01-02", "2"), crashed("2025-10-31", "2")}
            << 3 << 3 << QStringList{"2025-11-01", "2025-12-01", "2026-01-01"}
            << QStringList{"1", "2"} << QList<QList<int>>{{1, 0, 1}, {0, 0, 1}} << true;
    }

    void crashesPerPeriod()
    {
        QFETCH(QList<FiledPackage>, packages);
        QFETCH(int, maximumWeeks);
        QFETCH(int, maximumVersions);
        QFETCH(QStringList, weeks);
        QFETCH(QStringList, versions);
        QFETCH(QList<QList<int>>, counts);
        QFETCH(bool, months);
        QList<DayCrashes> days;
        for (const FiledPackage& package : packages)
            days << DayCrashes{
                package.report.date,
                package.report.application ? package.report.application->version : QString(), 1};
        const PeriodCrashes chart =
            ::crashesPerPeriod(days, maximumWeeks, maximumVersions, "other",
                               months ? CrashPeriod::Month : CrashPeriod::Week);
        QStringList mondays;
        for (const QDate& week : chart.periods)
            mondays << week.toString(Qt::ISODate);
        QCOMPARE(mondays, weeks);
        QCOMPARE(chart.versions, versions);
        QCOMPARE(chart.counts, counts);
    }

    // Twelve months in a narrow pane are twelve labels, none dropped or cut to "M…".
    void chartLabelsEveryMonth()
    {
        CrashChart chart;
        // A language whose months' first letters repeat.
        chart.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        chart.setPeriod(CrashPeriod::Month);
        QList<DayCrashes> days;
        for (int month = 1; month <= 12; ++month)
            days << DayCrashes{QDate(2026, month, 3), "6.4.0", month};
        chart.setCrashDays(days);
        chart.resize(240, 260);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        const auto labels = [&] {
            const auto axes = chart.chart()->axes(Qt::Horizontal);
            return axes.isEmpty() ? QStringList()
                                  : static_cast<QBarCategoryAxis*>(axes.first())->categories();
        };
        QTRY_COMPARE(labels().size(), 12);
        QCOMPARE(QSet<QString>(labels().cbegin(), labels().cend()).size(), 12);
        QVERIFY(!labels().join("").contains(QChar(0x2026)));
    }

    // A filing left unfinished belongs to one database: servers on two ports, or two users,
    // are two; a file named two ways is one.
    void unfinishedFilingKnowsItsDatabase()
    {
        QString error;
        const auto keyOf = [&](const QString& text) {
            return UnfinishedFiling::keyOf(parseDatabaseLocation(text, error).value());
        };
        QVERIFY(keyOf("postgresql://desk@host:5432/inbox") !=
                keyOf("postgresql://desk@host:5433/inbox"));
        QVERIFY(keyOf("postgresql://desk@host/inbox") != keyOf("postgresql://other@host/inbox"));
        QCOMPARE(keyOf(QDir::current().filePath("inbox.sqlite")), keyOf("sqlite:inbox.sqlite"));
    }

    // A version keeps its colour whatever else is shown, and two versions shown together
    // never share one, though more versions are known than there are colours.
    void chartColoursStayAndDiffer()
    {
        // The colours are the toolkit's, as the window has them.
        QApplication::setStyle(new Tessera::Style(Tessera::Palette::forTheme(ThemeMode::Light)));
        CrashChart chart;
        QStringList known;
        for (int minor = 0; minor < 12; ++minor)
            known << QString("6.%1.0").arg(minor);
        chart.setKnownVersions(known);
        const auto colours = [&](const QStringList& versions) {
            QList<DayCrashes> days;
            for (const QString& version : versions)
                days << DayCrashes{QDate(2026, 12, 1), version, 1};
            chart.setCrashDays(days);
            QHash<QString, QColor> shown;
            for (QAbstractSeries* series : chart.chart()->series())
                for (QBarSet* set : static_cast<QStackedBarSeries*>(series)->barSets())
                    shown.insert(set->property("version").toString(), set->color());
            return shown;
        };
        // Twelve versions, five colours: these three would have the same.
        const QHash<QString, QColor> together = colours({known.at(0), known.at(5), known.at(10)});
        QSet<QRgb> distinct;
        for (const QColor& colour : together)
            distinct.insert(colour.rgb());
        QCOMPARE(distinct.size(), 3);
        const QHash<QString, QColor> fewer = colours({known.at(0), known.at(1)});
        QCOMPARE(fewer.value(known.at(0)), together.value(known.at(0)));
    }

    // Releases in order: numbers, then debug, beta, release candidate and release of them.
    void versionOrder_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("fixedIn");
        QTest::addColumn<bool>("atOrAbove");
        QTest::newRow("same") << "6.4.1"
                              << "6.4.1" << true;
        QTest::newRow("patch") << "6.4.2"
                               << "6.4.10" << false;
        QTest::newRow("minor") << "6.10.0"
                               << "6.9.9" << true;
        QTest::newRow("beta before release") << "6.4.1.BETA2"
                                             << "6.4.1" << false;
        QTest::newRow("release after beta") << "6.4.1"
                                            << "6.4.1.BETA2" << true;
        QTest::newRow("beta numbers") << "6.4.1.BETA10"
                                      << "6.4.1.BETA9" << true;
        QTest::newRow("RC after beta") << "6.4.1.RC1"
                                       << "6.4.1.BETA9" << true;
        QTest::newRow("debug first") << "6.4.1.DEBUG5"
                                     << "6.4.1.BETA0" << false;
        QTest::newRow("short form") << "6.4 RC3"
                                    << "6.4.0.RC3" << true;
        QTest::newRow("no version") << "custom build"
                                    << "6.4.1" << false;
        QTest::newRow("fixed in no version") << "6.4.1"
                                             << "soon" << false;
    }

    void versionOrder()
    {
        QFETCH(QString, version);
        QFETCH(QString, fixedIn);
        QFETCH(bool, atOrAbove);
        QCOMPARE(isAtOrAbove(version, fixedIn), atOrAbove);
    }

    // What reaches a terminal is one line that drives nothing and passes for nothing else.
    void printable_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << "Müller café 🎭"
                               << "Müller café 🎭";
        QTest::newRow("line ends") << "a\nb\tc\rd"
                                   << "a\\nb\\tc\\x0dd";
        QTest::newRow("backslash") << "C:\\x41"
                                   << "C:\\\\x41";
        QTest::newRow("escape sequence") << "\x1b[2J\x7f"
                                         << "\\x1b[2J\\x7f";
        QTest::newRow("C1 control") << QString(QChar(0x9b)) + "31m"
                                    << "\\x9b31m";
        QTest::newRow("separators") << QString(QChar(0x2028)) + QChar(0x2029) << "\\u2028\\u2029";
        QTest::newRow("direction override") << QString("evil") + QChar(0x202e) + "fdp.exe"
                                            << "evil\\u202efdp.exe";
        QTest::newRow("invisible")
            << QString(QChar(0x200b)) + QChar(0xfeff) + QChar(0x2066) + QChar(0x061c)
            << "\\u200b\\ufeff\\u2066\\u061c";
    }

    void printable()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(::printable(text), shown);
    }

    // Packages newest first, as given; the first line of the comments, all of it as tool tip;
    // groups after "All crashes", which counts them all and stands for no group.
    void listModels()
    {
        FiledPackage dated = crashed("2026-12-05", "6.4.0", 7);
        dated.report.time = QTime(20, 53, 47);
        dated.report.comments = "lamp <b>dark</b>\nsecond line";
        PackageListModel packages;
        packages.setListing(2, {dated, crashed("", QString(), 9)});
        QCOMPARE(packages.rowCount(), 2);
        const auto shown = [&](int row, int column, int role = Qt::DisplayRole) {
            return packages.data(packages.index(row, column), role).toString();
        };
        QCOMPARE(shown(0, PackageListModel::Crashed), QString("2026-12-05 20:53:47"));
        QCOMPARE(shown(0, PackageListModel::Serial), QString("SN-1"));
        QCOMPARE(shown(0, PackageListModel::Version), QString("6.4.0"));
        QCOMPARE(shown(0, PackageListModel::Comments), QString("lamp <b>dark</b>"));
        // Tool tips show what a package says as it stands, all of it, never as markup.
        const QString tip = shown(0, PackageListModel::Comments, Qt::ToolTipRole);
        QVERIFY2(tip.contains("&lt;b&gt;dark&lt;/b&gt;") && tip.contains("second"),
                 qPrintable(tip));
        QCOMPARE(shown(1, PackageListModel::Crashed), QString());
        QCOMPARE(shown(1, PackageListModel::Serial), QString());
        QCOMPARE(packages.rowOf(9), 1);
        QCOMPARE(packages.rowOf(8), -1);
        ReportDocument timeOnly;
        timeOnly.time = QTime(8, 0);
        QCOMPARE(crashMoment(timeOnly), QString("08:00:00"));

        GroupListModel groups;
        groups.setGroups(
            {signatureGroup("crash in lamp()", 3), signatureGroup("crash in fan()", 2)});
        QCOMPARE(groups.rowCount(), 3);
        QCOMPARE(groups.data(groups.index(0, GroupListModel::Signature), Qt::DisplayRole),
                 QVariant("All crashes"));
        QCOMPARE(groups.data(groups.index(0, GroupListModel::Crashes), Qt::DisplayRole),
                 QVariant(5));
        QCOMPARE(groups.data(groups.index(2, GroupListModel::Signature), Qt::DisplayRole),
                 QVariant("crash in fan()"));
        QVERIFY(!groups.group(0));
        QCOMPARE(groups.group(2)->signature, QString("crash in fan()"));
        QCOMPARE(groups.rowOf(groups.group(2)), 2);
        QCOMPARE(groups.rowOf(signatureGroup("gone", 1)), 0);
        QCOMPARE(groups.rowOf(std::nullopt), 0);
    }

    // A listing holds its count of rows and fetches them as they are shown: a row not fetched
    // asks for the rows, rows of a listing before are dropped. A header asks for a new order;
    // "All crashes" stays above the groups however they sort.
    void listsFetchAndSort()
    {
        PackageListModel packages;
        QSignalSpy wanted(&packages, &PackageListModel::rowsWanted);
        QList<FiledPackage> first;
        for (int id = 1; id <= PackageListModel::PageSize; ++id)
            first << crashed("2026-12-01", "6.4.0", id);
        const int before = packages.setListing(2 * PackageListModel::PageSize + 50, first);
        packages.setOpened({crashed("2026-12-02", "6.5.0", 0)});
        QCOMPARE(packages.rowCount(), 2 * PackageListModel::PageSize + 51);
        const auto serialAt = [&](int row) {
            return packages.data(packages.index(row, PackageListModel::Serial), Qt::DisplayRole)
                .toString();
        };
        QCOMPARE(serialAt(PackageListModel::PageSize), QString("SN-1"));
        QCOMPARE(wanted.count(), 0);
        QCOMPARE(serialAt(PackageListModel::PageSize + 1), QString());
        QCOMPARE(wanted.count(), 1);
        QCOMPARE(packages.missingPages(0, packages.rowCount() - 1), QList<int>({1, 2}));
        QCOMPARE(packages.missingPages(1, PackageListModel::PageSize), QList<int>());
        const QList<FiledPackage> last{crashed("2026-11-01", "6.3.0", 9001)};
        packages.setRows(before - 1, 2 * PackageListModel::PageSize, last);
        QCOMPARE(packages.missingPages(0, packages.rowCount() - 1), QList<int>({1, 2}));
        QSignalSpy changed(&packages, &QAbstractItemModel::dataChanged);
        packages.setRows(before, 2 * PackageListModel::PageSize, last);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(packages.rowOf(9001), 2 * PackageListModel::PageSize + 1);
        QCOMPARE(packages.package(2 * PackageListModel::PageSize + 1)->id, 9001);
        QVERIFY(!packages.package(PackageListModel::PageSize + 1));

        QSignalSpy reordered(&packages, &PackageListModel::orderChanged);
        packages.sort(PackageListModel::Version, Qt::AscendingOrder);
        QCOMPARE(reordered.count(), 1);
        QCOMPARE(packages.order().key, PackageOrder::Key::Version);
        QVERIFY(!packages.order().descending);
        packages.sort(PackageListModel::Version, Qt::AscendingOrder);
        QCOMPARE(reordered.count(), 1);

        GroupListModel groups;
        groups.setGroups({signatureGroup("b", 1), signatureGroup("a", 3)});
        groups.sort(GroupListModel::Crashes, Qt::DescendingOrder);
        QCOMPARE(groups.group(1)->signature, QString("a"));
        groups.sort(GroupListModel::Signature, Qt::DescendingOrder);
        QVERIFY(!groups.group(0));
        QCOMPARE(groups.group(1)->signature, QString("b"));
    }

    // The listed packages as CSV, read back by Python's csv module as a spreadsheet would:
    // commas, quotes, line breaks and other scripts intact, formulas defused.
    void packagesAsCsvReadBack()
    {
        FiledPackage hostile = crashed("2026-12-05", "6.4.0", 7);
        hostile.report.comments = "lamp, \"dark\"\nthen שלום";
        hostile.signature = "q5controller!Lamp::drive SIGSEGV";
        FiledPackage formula = crashed("", QString(), 8);
        formula.report.comments = "=HYPERLINK(\"http://example.com\")";
        formula.file = "/usb/a,b.cdp";
        QProcess python;
        python.start("python3", {"-c", "import csv, io, json, sys\n"
                                       "text = sys.stdin.buffer.read().decode('utf-8-sig')\n"
                                       "print(json.dumps(list(csv.reader(io.StringIO(text)))))"});
        python.write(csvHeader() + csvLineOf(hostile) + csvLineOf(formula));
        python.closeWriteChannel();
        QVERIFY(python.waitForFinished(20000));
        const QJsonArray rows = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(0).toArray().first().toString(), QString("ID"));
        const QJsonArray first = rows.at(1).toArray();
        QCOMPARE(first.at(0).toString(), QString("7"));
        QCOMPARE(first.at(5).toString(), hostile.signature);
        QCOMPARE(first.at(7).toString(), hostile.report.comments);
        const QJsonArray second = rows.at(2).toArray();
        QCOMPARE(second.at(6).toString(), QString("/usb/a,b.cdp"));
        QCOMPARE(second.at(7).toString(), "'" + formula.report.comments);
    }

    // One outcome for each package, in the order of the sources; a copy is known by the number
    // it was filed under.
    void filerTellsEachOutcome()
    {
        const auto database = freshDatabase("filer.sqlite");
        QVERIFY(database);
        PackageStore store(*database);
        RecordingListener listener;
        const QList<PackageSource> sources =
            packageSources({path("usb/a.cdp"), path("usb/copy-of-a.cdp"), path("usb/broken.cdp"),
                            path("gone.cdp"), path("usb/b.cdp")});
        {
            PackageFiler filer(store, listener, sources.size());
            QVERIFY(filer.addSources(sources));
            QVERIFY2(!filer.failed(), qPrintable(filer.error()));
        }
        using Kind = FilingOutcome::Kind;
        QStringList seen;
        for (const FilingOutcome& outcome : std::as_const(listener.outcomes))
            seen << QString("%1 %2").arg(int(outcome.kind)).arg(QFileInfo(outcome.path).fileName());
        QCOMPARE(seen, QStringList({QString("%1 a.cdp").arg(int(Kind::Added)),
                                    QString("%1 copy-of-a.cdp").arg(int(Kind::Known)),
                                    QString("%1 broken.cdp").arg(int(Kind::Rejected)),
                                    QString("%1 gone.cdp").arg(int(Kind::Rejected)),
                                    QString("%1 b.cdp").arg(int(Kind::Added))}));
        const QList<FilingOutcome>& outcomes = listener.outcomes;
        QVERIFY(outcomes[0].id > 0 && outcomes[4].id > 0 && outcomes[0].id != outcomes[4].id);
        QCOMPARE(outcomes[1].id, outcomes[0].id);
        QCOMPARE(outcomes[2].id, 0);
        QVERIFY(outcomes[2].reason.contains("ends early"));
        QCOMPARE(outcomes[3].reason, QString("it does not exist"));
        QVERIFY(outcomes[0].reason.isEmpty());
        QString error;
        QCOMPARE(store.find(outcomes[4].id, error)->report.comments, QString("second"));
    }

    // A run of more than one batch tells how far it got, up to every source expected.
    void filerTellsProgress()
    {
        const auto database = freshDatabase("progress.sqlite");
        QVERIFY(database);
        PackageStore store(*database);
        QStringList paths{path("gone.cdp")};
        QDir().mkpath(path("many"));
        for (int copy = 0; copy < PackageFiler::BatchSize + 6; ++copy) {
            paths << path(QString("many/%1.cdp").arg(copy));
            QVERIFY(QFile::copy(path("usb/a.cdp"), paths.constLast()));
        }
        RecordingListener listener;
        {
            PackageFiler filer(store, listener, paths.size());
            QVERIFY(filer.addSources(packageSources(paths)));
        }
        QCOMPARE(listener.outcomes.size(), paths.size());
        QCOMPARE(listener.expected, paths.size());
        QVERIFY(listener.done.size() > 1);
        QCOMPARE(listener.done.constLast(), paths.size());
        QVERIFY(std::is_sorted(listener.done.cbegin(), listener.done.cend()));
    }

    // The window's filing runs on a thread of its own and counts what the filer tells.
    void filingJobCounts()
    {
        QString error;
        const auto location = parseDatabaseLocation(path("job.sqlite"), error);
        QVERIFY(location);
        FilingJob job(*location, {path("usb"), path("gone.cdp")});
        QSignalSpy finished(&job, &FilingJob::finished);
        QVERIFY(finished.wait(60000));
        const auto summary = finished.at(0).at(0).value<FilingSummary>();
        QVERIFY2(summary.error.isEmpty(), qPrintable(summary.error));
        QCOMPARE(summary.added, 2);
        QCOMPARE(summary.known, 1);
        QCOMPARE(summary.rejections.size(), 2);
        QCOMPARE(QFileInfo(summary.rejections[0].path).fileName(), QString("broken.cdp"));
        QCOMPARE(summary.rejections[1].path, path("gone.cdp"));
    }

    // A filed package is extracted from a place that still holds what was filed; a place that
    // holds something else is passed over and named when none is left.
    void extractionFromPlaces()
    {
        const QByteArray filed = sha256Of(path("usb/a.cdp"));
        QVERIFY(!filed.isEmpty());
        const QList<PackagePlace> places{{path("usb/b.cdp"), {}, {}, {}},
                                         {path("usb/a.cdp"), {}, {}, {}}};
        const ExtractionReport report = extractFromPlaces(places, filed, path("out"));
        QVERIFY2(report.summary.startsWith("Extracted 2 entries into " + path("out")),
                 qPrintable(report.summary));
        QVERIFY(QFileInfo(path("out/report.xml")).size() > 0);
        const ExtractionReport moved = extractFromPlaces(places.mid(0, 1), filed, path("none"));
        QVERIFY2(moved.summary.contains(path("usb/b.cdp") + " holds other content now"),
                 qPrintable(moved.summary));
        QVERIFY(!QFileInfo::exists(path("none")));
        const ExtractionReport broken =
            extractFromPlaces({{path("usb/broken.cdp"), {}, {}, {}}}, {}, path("broken"));
        QVERIFY2(broken.summary.startsWith("The package could not be read to its end"),
                 qPrintable(broken.summary));
    }
};

QTEST_MAIN(TestInboxUnits)
#include "tst_inbox_units.moc"
