#include "crash_analysis/crash_summary.h"
#include "crash_inbox/store/change_watch.h"
#include "crash_inbox/store/group_triage_store.h"
#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/store/package_store.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

// The store against both engines: a SQLite file, and the PostgreSQL server the test command
// starts for the tests.
class TestInboxStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    int m_databases = 0;

    // A database of its own for each test: a new file, or an emptied PostgreSQL schema.
    QString freshDatabase(const QString& engine)
    {
        if (engine == "sqlite")
            return m_folder.filePath(QString("inbox-%1.sqlite").arg(++m_databases));
        QFile url(qEnvironmentVariable("Q5_TEST_POSTGRES_URL_FILE"));
        if (!url.open(QIODevice::ReadOnly))
            return {};
        const QString text = QString::fromUtf8(url.readAll()).trimmed();
        QString error;
        const auto database = InboxDatabase::open(*parseDatabaseLocation(text, error), error);
        QSqlQuery query(database->connection());
        query.exec("DROP SCHEMA public CASCADE");
        query.exec("CREATE SCHEMA public");
        return text;
    }

    std::unique_ptr<InboxDatabase> open(const QString& text, QString* error = nullptr)
    {
        QString reason;
        const auto location = parseDatabaseLocation(text, reason);
        auto database = location ? InboxDatabase::open(*location, reason) : nullptr;
        if (error)
            *error = reason;
        return database;
    }

    static FiledPackage package(const QByteArray& sha, const QString& comments,
                                const QString& serial, const QString& version,
                                const QDateTime& crashed, const QStringList& log = {})
    {
        FiledPackage package;
        package.sha256 = sha;
        package.file = "/packages/" + sha + ".cdp";
        package.fileSize = 1000;
        package.report.date = crashed.date();
        package.report.time = crashed.time();
        if (!serial.isEmpty())
            package.report.application =
                ReportDocument::Application{QString("Q5-PC"), serial, version, "Linux"};
        package.report.outputLog = log;
        package.report.comments = comments;
        package.entries = {{"c.dmp", 4, PackageEntry::Kind::File, {}},
                           {"report.xml", 400, PackageEntry::Kind::File, {}}};
        return package;
    }

private Q_SLOTS:
    void engines_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::newRow("SQLite") << "sqlite";
        QTest::newRow("PostgreSQL") << "postgres";
    }

    // The same content is filed once, whatever its path; what is filed reads back whole.
    void filingAndFinding_data() { engines_data(); }
    void filingAndFinding()
    {
        QFETCH(QString, engine);
        const auto database = open(freshDatabase(engine));
        QVERIFY(database);
        PackageStore store(*database);
        const QDateTime crashed(QDate(2026, 12, 5), QTime(20, 53, 47));
        FiledPackage again = package("aa", "first", "SN-1", "6.4.0", crashed, {"line 1", "line 2"});
        again.file = "/elsewhere/copy.cdp";
        QString error;
        const auto filings =
            store.file({package("aa", "first", "SN-1", "6.4.0", crashed, {"line 1", "line 2"}),
                        package("bb", "second", "", "", {}), again,
                        // Not a word in it: an automatic package of a console nobody attended.
                        package("dd", QString(), "", "", {})},
                       error);
        QVERIFY2(filings, qPrintable(error));
        QCOMPARE(filings->size(), 4);
        QVERIFY(filings->at(0).added && filings->at(1).added && !filings->at(2).added);
        QVERIFY(filings->at(3).added);
        QCOMPARE(filings->at(2).id, filings->at(0).id);
        QCOMPARE(store.idOf("bb", error), filings->at(1).id);
        const std::optional<FiledPackage> found = store.find(filings->at(0).id, error);
        QVERIFY(found);
        QCOMPARE(found->file, QString("/packages/aa.cdp"));
        QCOMPARE(found->report,
                 package("aa", "first", "SN-1", "6.4.0", crashed, {"line 1", "line 2"}).report);
        QCOMPARE(found->entries.size(), 2);
        QCOMPARE(found->entries.at(1).name, QString("report.xml"));
        QVERIFY(!store.find(filings->at(1).id, error)->report.application);
        // What is not filed is no error; a database that cannot tell is never "not filed".
        // The same crash sent again with comments takes the first's place; another crash not.
        FiledPackage later = package("ee", "typed later", "SN-1", "6.4.0", crashed, {"line 1"});
        FiledPackage other = package("ff", "other", "SN-9", "6.4.0", crashed);
        later.replaces = other.replaces = filings->at(0).id;
        const auto replaced = store.file({later, other}, error);
        QVERIFY2(replaced, qPrintable(error));
        QVERIFY(replaced->at(0).replaced && replaced->at(0).id == filings->at(0).id);
        QVERIFY(replaced->at(1).added && !replaced->at(1).replaced);
        QCOMPARE(store.find(filings->at(0).id, error)->report.comments, QString("typed later"));
        QCOMPARE(store.count({}, error), 4);
        QVERIFY(!store.idOf("aa", error) && error.isEmpty());
        QVERIFY(!store.find(filings->at(1).id + 100, error) && error.isEmpty());
        QSqlQuery(database->connection()).exec("ALTER TABLE entries RENAME TO gone");
        QVERIFY(!store.find(filings->at(0).id, error));
        QVERIFY2(error.startsWith("the database cannot be read"), qPrintable(error));
        error.clear();
        QSqlQuery(database->connection()).exec("ALTER TABLE packages RENAME TO gone_too");
        QVERIFY(!store.idOf("bb", error));
        QVERIFY2(error.startsWith("the database cannot be read"), qPrintable(error));
    }

    // Newest crash first; filters on device, version and serial, and words of the comments or
    // the output log through the engine's full-text index; groups by device and version.
    void listingSearchingGrouping_data() { engines_data(); }
    void listingSearchingGrouping()
    {
        QFETCH(QString, engine);
        const auto database = open(freshDatabase(engine));
        QVERIFY(database);
        PackageStore store(*database);
        const QDate day(2026, 12, 1);
        QString error;
        FiledPackage noSerial = package("p5", "no serial", "-", "", {day.addDays(-1), QTime(6, 0)});
        noSerial.report.application->serial = QString();
        QVERIFY(store.file(
            {noSerial, package("p1", "lamp 12 dark", "SN-1", "6.4.0", {day, QTime(9, 0)}),
             package("p2", "fan noise", "SN-2", "6.4.0", {day.addDays(2), QTime(8, 0)},
                     {"DMX universe 3 lost"}),
             package("p3", "Lamp flickers", "SN-1", "6.5.0", {day.addDays(1), QTime(7, 0)}),
             package("p4", "no facts", "", "", {})},
            error));
        const auto shas = [&](const QString& search, const QString& device = {},
                              const QString& version = {}, const QString& serial = {}) {
            const auto listed = store.list({search, device, version, serial, {}, {}}, error);
            if (!listed)
                return "error: " + error;
            QStringList found;
            for (const FiledPackage& package : *listed)
                found << package.sha256;
            return found.join(',');
        };
        QCOMPARE(shas({}), QString("p2,p3,p1,p5,p4"));
        QCOMPARE(shas("lamp"), QString("p3,p1"));
        QCOMPARE(shas("lamp dark"), QString("p1"));
        QCOMPARE(shas("universe"), QString("p2"));
        QCOMPARE(shas({}, "Q5-PC", "6.4.0"), QString("p2,p1"));
        QCOMPARE(shas("lamp", {}, {}, "SN-1"), QString("p3,p1"));
        const auto between = [&](const QDate& from, const QDate& to) {
            PackageFilter filter;
            filter.crashedFrom = from;
            filter.crashedTo = to;
            const QList<FiledPackage> listed =
                store.list(filter, error).value_or(QList<FiledPackage>());
            QStringList found;
            for (const FiledPackage& package : listed)
                found << package.sha256;
            return found.join(',');
        };
        QCOMPARE(between(day.addDays(1), day.addDays(2)), QString("p2,p3"));
        QCOMPARE(between(day, {}), QString("p2,p3,p1"));
        QCOMPARE(between({}, day), QString("p1,p5"));
        const auto withoutSerial = store.list({"serial", {}, {}, {}, {}, {}}, error).value();
        QCOMPARE(withoutSerial.at(0).report.application.value().device, QString("Q5-PC"));
        const auto groups = store.groups(error);
        QVERIFY2(groups, qPrintable(error));
        QCOMPARE(groups->size(), 4);
        QCOMPARE(groups->at(0).version.value_or(""), QString("6.4.0"));
        QCOMPARE(groups->at(0).count, 2);
        QCOMPARE(groups->at(0).serials, QStringList({"SN-1", "SN-2"}));
        QCOMPARE(groups->at(0).first, QDateTime(day, QTime(9, 0)));
        QCOMPARE(groups->at(0).last, QDateTime(day.addDays(2), QTime(8, 0)));
        QVERIFY(!groups->at(3).device && !groups->at(3).last.isValid());
        for (const CrashGroup& group : *groups)
            QCOMPARE(store.list({{}, {}, {}, {}, group, {}}, error).value().size(), group.count);
    }

    // Both engines find the same words: folded to lower case without accents, split at every
    // character that is no letter or digit, in the comments and each line of the output log,
    // with a prefix for "word*"; what a technician types is never query syntax: words that
    // would be operators find the package that holds them as words. A package whose words are
    // more than an index takes is filed with those that fit.
    void searchingTheSameOnBothEngines_data() { engines_data(); }
    void searchingTheSameOnBothEngines()
    {
        QFETCH(QString, engine);
        const auto database = open(freshDatabase(engine));
        QVERIFY(database);
        PackageStore store(*database);
        QString many = "needle";
        for (int word = 0; word < 120000; ++word)
            many += QString(" w%1").arg(word);
        const QDate day(2026, 12, 1);
        QString error;
        QVERIFY2(
            store.file({package("s1", "Müller café naïve", "A", "1", {day, {}}),
                        package("s2", "pi is 3.14 lamp/overheated", "A", "1", {day.addDays(1), {}}),
                        package("s3", "failed-at says.lamp", "A", "1", {day.addDays(2), {}},
                                {"motor\nfailure", "tab\there"}),
                        package("s4", many, "A", "1", {day.addDays(3), {}}),
                        package("s5", "lamp or not near x", "A", "1", {day.addDays(4), {}})},
                       error),
            qPrintable(error));
        const QList<std::pair<QString, QString>> queries = {
            {"muller", "s1"},        {"MÜLLER", "s1"},      {"cafe", "s1"},
            {"naive", "s1"},         {"14", "s2"},          {"3", "s2"},
            {"lamp", "s5,s3,s2"},    {"overheated", "s2"},  {"at", "s3"},
            {"says", "s3"},          {"failure", "s3"},     {"here", "s3"},
            {"motor failure", "s3"}, {"lamp*", "s5,s3,s2"}, {"overh*", "s2"},
            {"needle", "s4"},        {"w7", "s4"},          {"\"lamp\" OR *", "s5"},
            {"NEAR(lamp", "s5"},     {"lamp:* & !x", "s5"}, {"lamp NOT x", "s5"},
            {"lamp -x", "s5"}};
        for (const auto& [query, expected] : queries) {
            const auto listed = store.list({query, {}, {}, {}, {}, {}}, error);
            QVERIFY2(listed, qPrintable(query + ": " + error));
            QStringList found;
            for (const FiledPackage& package : *listed)
                found << package.sha256;
            QVERIFY2(found.join(',') == expected, qPrintable(query + " found " + found.join(',')));
        }
    }

    // A group is new until a technician decides; a group fixed in a version regresses when a
    // crash arrives from that version or a later one (a beta of it is earlier), and a change of
    // another's state is the later one's.
    // Every column orders the listing in the database, either way: versions by their releases,
    // undated crashes last, ties by filing; a page of it, its count and its crashes per day.
    void orderingCountingPaging_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<PackageOrder::Key>("key");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QStringList>("serials");
        using Key = PackageOrder::Key;
        for (const QString engine : {"sqlite", "postgres"}) {
            const auto row = [&](const char* name) -> QTestData& {
                return QTest::addRow("%s %s", qPrintable(engine), name) << engine;
            };
            row("newest first") << Key::Crashed << true
                                << QStringList{"SN-10", "SN-4", "SN-2", "SN-3"};
            row("oldest first") << Key::Crashed << false
                                << QStringList{"SN-2", "SN-4", "SN-10", "SN-3"};
            row("versions up") << Key::Version << false
                               << QStringList{"SN-2", "SN-4", "SN-10", "SN-3"};
            row("versions down") << Key::Version << true
                                 << QStringList{"SN-3", "SN-10", "SN-4", "SN-2"};
            row("serials") << Key::Serial << false << QStringList{"SN-10", "SN-2", "SN-3", "SN-4"};
            row("last filed first")
                << Key::Id << true << QStringList{"SN-4", "SN-3", "SN-2", "SN-10"};
            row("comments") << Key::Comments << false
                            << QStringList{"SN-3", "SN-10", "SN-2", "SN-4"};
        }
    }

    void orderingCountingPaging()
    {
        QFETCH(QString, engine);
        QFETCH(PackageOrder::Key, key);
        QFETCH(bool, descending);
        QFETCH(QStringList, serials);
        const auto database = open(freshDatabase(engine));
        QVERIFY(database);
        PackageStore store(*database);
        const QDate day(2026, 12, 1);
        QString error;
        QVERIFY2(store.file({package("p1", "b", "SN-10", "6.10.0", {day.addDays(2), QTime(10, 0)}),
                             package("p2", "c", "SN-2", "6.9.2", {day, QTime(10, 0)}),
                             package("p3", "a", "SN-3", "odd", {}),
                             package("p4", "d", "SN-4", "6.9.2", {day.addDays(1), QTime(9, 0)})},
                            error),
                 qPrintable(error));
        PackageFilter filter;
        filter.order = {key, descending, {"6.9.2", "6.10.0", "odd"}};
        const auto serialsOf = [&](const PackageFilter& chosen) {
            QStringList listed;
            const QList<FiledPackage> packages = store.list(chosen, error).value();
            for (const FiledPackage& package : packages)
                listed << package.report.application->serial;
            return listed;
        };
        QCOMPARE(serialsOf(filter), serials);
        filter.offset = 1;
        filter.limit = 2;
        QCOMPARE(serialsOf(filter), serials.mid(1, 2));
        // Read from the end: the same rows in the same order.
        filter.order.fromEnd = true;
        filter.offset = 0;
        QCOMPARE(serialsOf(filter), serials.mid(2));
        filter.offset = 1;
        QCOMPARE(serialsOf(filter), serials.mid(1, 2));
        filter.order.fromEnd = false;
        QCOMPARE(store.count(filter, error), 4);
        filter.version = "6.9.2";
        QCOMPARE(store.count(filter, error), 2);
        const auto days = store.crashDays(filter, error);
        QVERIFY2(days, qPrintable(error));
        QCOMPARE(days->size(), 2);
        for (const DayCrashes& crashes : *days) {
            QVERIFY(crashes.day == day || crashes.day == day.addDays(1));
            QCOMPARE(crashes.version, QString("6.9.2"));
            QCOMPARE(crashes.count, 1);
        }
    }

    // SQLite's planner gets statistics once an inbox is large enough to need them, and again
    // when it has grown by a tenth.
    void statisticsFollowGrowth()
    {
        const auto database = open(freshDatabase("sqlite"));
        QVERIFY(database);
        const auto rowsAtStatistics = [&] {
            QSqlQuery query(database->connection());
            query.exec("SELECT stat FROM sqlite_stat1 WHERE tbl = 'packages'");
            return query.next() ? query.value(0).toString().section(' ', 0, 0) : QString();
        };
        QString error;
        int filed = 0;
        const auto file = [&](int count) {
            QList<FiledPackage> packages;
            for (const int end = filed + count; filed < end; ++filed)
                packages << package(QByteArray::number(filed), "crash", "SN-1", "6.4.0", {});
            return PackageStore(*database).file(packages, error).has_value();
        };
        QVERIFY2(file(9000), qPrintable(error));
        QCOMPARE(rowsAtStatistics(), QString());
        QVERIFY2(file(1000), qPrintable(error));
        QCOMPARE(rowsAtStatistics(), QString("10000"));
        QVERIFY2(file(900), qPrintable(error));
        QCOMPARE(rowsAtStatistics(), QString("10000"));
        QVERIFY2(file(200), qPrintable(error));
        QCOMPARE(rowsAtStatistics(), QString("11100"));
    }

    // The groups of all packages come from tallies kept while filing; they agree with the
    // groups counted from the packages after a crash moves to another group and after an
    // older inbox is brought up to date.
    void talliesAgreeWithThePackages_data() { engines_data(); }
    void talliesAgreeWithThePackages()
    {
        QFETCH(QString, engine);
        const QString text = freshDatabase(engine);
        auto database = open(text);
        QVERIFY(database);
        QString error;
        QList<FiledPackage> packages;
        for (int number = 0; number < 40; ++number) {
            packages << package(
                QByteArray::number(number), "crash", QString("SN-%1").arg(number % 3),
                QString("6.4.%1").arg(number % 4),
                {QDate(2026, 1, 1).addDays(number * 7 % 90), QTime(number % 24, 0)});
            packages.last().signature = number % 2 ? "lamp()" : QString();
        }
        const auto filings = PackageStore(*database).file(packages, error);
        QVERIFY2(filings, qPrintable(error));
        const auto compareGroups = [&](InboxDatabase& inbox) {
            PackageStore store(inbox);
            PackageFilter everything;
            everything.crashedFrom = QDate(2000, 1, 1);
            const auto tallied = store.signatureGroups({}, error);
            const auto counted = store.signatureGroups(everything, error);
            QVERIFY2(tallied && counted, qPrintable(error));
            QCOMPARE(tallied->size(), counted->size());
            for (qsizetype at = 0; at < counted->size(); ++at) {
                const SignatureGroup& a = tallied->at(at);
                const SignatureGroup& b = counted->at(at);
                QCOMPARE(a.signature, b.signature);
                QCOMPARE(a.count, b.count);
                QCOMPARE(a.first, b.first);
                QCOMPARE(a.last, b.last);
                QCOMPARE(a.versions, b.versions);
                QCOMPARE(a.serials, b.serials);
            }
            const auto byDay = [](QList<DayCrashes> days) {
                std::sort(days.begin(), days.end(), [](const DayCrashes& a, const DayCrashes& b) {
                    return std::pair(a.day, a.version) < std::pair(b.day, b.version);
                });
                QStringList shown;
                for (const DayCrashes& crashes : days)
                    shown << QString("%1 %2 %3")
                                 .arg(crashes.day.toString(Qt::ISODate), crashes.version)
                                 .arg(crashes.count);
                return shown;
            };
            QCOMPARE(byDay(store.crashDays({}, error).value()),
                     byDay(store.crashDays(everything, error).value()));
        };
        compareGroups(*database);
        // The first and the last crash of a group move to another.
        CrashAnalysis::CrashSummary moved;
        moved.signature = "fan()";
        for (const int number : {0, 12, 1, 39}) {
            QVERIFY2(PackageStore(*database).updateCrash(filings->at(number).id, moved, error),
                     qPrintable(error));
        }
        compareGroups(*database);
        QCOMPARE(PackageStore(*database).signatureGroups({}, error)->size(), 3);
        QSqlQuery query(database->connection());
        QVERIFY(query.exec("DROP TABLE crash_tallies"));
        QVERIFY(query.exec("DROP TABLE crash_serials"));
        QVERIFY(query.exec("DROP TABLE crash_days"));
        QVERIFY(query.exec("DROP INDEX packages_serial"));
        QVERIFY(query.exec("DROP INDEX packages_version"));
        QVERIFY(engine == "sqlite" || query.exec("DROP INDEX packages_newest"));
        QVERIFY(query.exec("DROP TABLE upload_tokens"));
        QVERIFY(query.exec("DROP TABLE mailbox_messages"));
        QVERIFY(query.exec("UPDATE inbox_schema SET version = 3"));
        query.clear();
        database.reset();
        database = open(text, &error);
        QVERIFY2(database, qPrintable(error));
        compareGroups(*database);
    }

    void triageOfGroups_data() { engines_data(); }
    void triageOfGroups()
    {
        QFETCH(QString, engine);
        const QString text = freshDatabase(engine);
        const auto database = open(text);
        QVERIFY(database);
        PackageStore store(*database);
        const auto crash = [&](const QByteArray& sha, const QString& version) {
            FiledPackage filed = package(sha, "x", "SN-1", version, {});
            filed.signature = "q5!lamp SIGSEGV";
            QString error;
            return store.file({filed}, error).has_value();
        };
        QVERIFY(crash("t1", "6.4.0") && crash("t2", "6.3.9"));
        GroupTriageStore triages(*database);
        QString error;
        auto found = triages.find("q5!lamp SIGSEGV", error);
        QVERIFY2(found, qPrintable(error));
        QCOMPARE(found->second.state, TriageState::New);
        QCOMPARE(triages.find(QString::number(found->second.id), error)->first,
                 QString("q5!lamp SIGSEGV"));
        QVERIFY(!triages.find("q5!fan SIGABRT", error) && error.isEmpty());
        GroupTriage fixed = found->second;
        fixed.state = TriageState::Fixed;
        fixed.fixedIn = "6.4.1";
        fixed.note = "lamp driver";
        QVERIFY2(triages.change(found->second, fixed, error), qPrintable(error));
        QVERIFY(crash("t3", "6.4.1.BETA2") && crash("t4", "not a version"));
        QCOMPARE(triages.find("q5!lamp SIGSEGV", error)->second.state, TriageState::Fixed);
        QVERIFY(crash("t5", "6.4.1"));
        const auto groups = store.signatureGroups({}, error);
        QVERIFY2(groups && groups->size() == 1, qPrintable(error));
        const SignatureGroup& group = groups->constFirst();
        QCOMPARE(group.triage.state, TriageState::Regressed);
        QCOMPARE(group.triage.fixedIn, QString("6.4.1"));
        QCOMPARE(group.triage.note, QString("lamp driver"));
        QCOMPARE(group.versions,
                 QStringList({"6.3.9", "6.4.0", "6.4.1.BETA2", "6.4.1", "not a version"}));
        QCOMPARE(group.firstVersion, QString("6.3.9"));
        // A desk that still shows it fixed changes only the note: the regression stays.
        GroupTriage noted = fixed;
        noted.note = "seen again";
        QVERIFY(triages.change(fixed, noted, error));
        QCOMPARE(triages.find("q5!lamp SIGSEGV", error)->second.state, TriageState::Regressed);
        // Another desk's later change of the state wins.
        const auto other = open(text);
        GroupTriage acknowledged = noted;
        acknowledged.state = TriageState::Acknowledged;
        QVERIFY(GroupTriageStore(*other).change(noted, acknowledged, error));
        const GroupTriage now = triages.find("q5!lamp SIGSEGV", error)->second;
        QCOMPARE(now.state, TriageState::Acknowledged);
        QVERIFY(now.fixedIn.isEmpty());
        QCOMPARE(now.note, QString("seen again"));
        acknowledged.id += 100;
        QVERIFY(!triages.change(acknowledged, noted, error));
        QVERIFY2(error.endsWith("is gone"), qPrintable(error));
    }

    // A desk hears what another connection files or decides, once it is committed.
    void changesOfOthersAreHeard_data() { engines_data(); }
    void changesOfOthersAreHeard()
    {
        QFETCH(QString, engine);
        const QString text = freshDatabase(engine);
        const auto watched = open(text);
        const auto other = open(text);
        QVERIFY(watched && other);
        ChangeWatch watch(*watched);
        QSignalSpy changed(&watch, &ChangeWatch::changed);
        QVERIFY(!changed.wait(1500));
        QString error;
        QVERIFY(PackageStore(*other).file({package("w1", "x", "SN-1", "6.4.0", {})}, error));
        QVERIFY(changed.wait(5000));
        const auto group = GroupTriageStore(*other).find("no dump facts", error);
        QVERIFY2(group, qPrintable(error));
        GroupTriage ignored = group->second;
        ignored.state = TriageState::Ignored;
        changed.clear();
        QVERIFY(GroupTriageStore(*other).change(group->second, ignored, error));
        QVERIFY(changed.wait(5000));
    }

    // A damaged database file says so: a query that stops early is an error, not a short list.
    void damagedDatabaseSaysSo()
    {
        const QString text = freshDatabase("sqlite");
        {
            const auto database = open(text);
            PackageStore store(*database);
            QList<FiledPackage> packages;
            for (int number = 0; number < 3000; ++number)
                packages << package(QByteArray::number(number), QString("crash %1").arg(number),
                                    "SN-1", "6.4.0", {QDate(2026, 1, 1).addDays(number % 300), {}});
            QString error;
            QVERIFY2(store.file(packages, error), qPrintable(error));
        }
        // A page in the middle of the packages' rows, as the file's own map says.
        qint64 page = 0, pageSize = 0;
        {
            const auto database = open(text);
            QSqlQuery query(database->connection());
            QVERIFY(query.exec("SELECT pageno, (SELECT page_size FROM pragma_page_size) FROM "
                               "dbstat WHERE name = 'packages' AND pagetype = 'leaf' ORDER BY "
                               "pageno"));
            QList<qint64> pages;
            while (query.next()) {
                pages << query.value(0).toLongLong();
                pageSize = query.value(1).toLongLong();
            }
            QVERIFY(pages.size() > 2);
            page = pages.at(pages.size() / 2);
        }
        QFile file(text);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek((page - 1) * pageSize));
        file.write(QByteArray(pageSize, '\xff'));
        file.close();
        QString error;
        const auto database = open(text, &error);
        QVERIFY2(database, qPrintable(error));
        const auto listed = PackageStore(*database).list({}, error);
        QVERIFY2(!listed, qPrintable(QString::number(listed ? listed->size() : 0)));
        QVERIFY(!error.isEmpty());
    }

    // A SQLite file of another program is not made into an inbox.
    void anotherProgramsDatabaseIsRefused()
    {
        const QString text = freshDatabase("sqlite");
        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
            other.setDatabaseName(text);
            QVERIFY(other.open());
            QVERIFY(QSqlQuery(other).exec("CREATE TABLE notes (text TEXT)"));
            other.close();
        }
        QSqlDatabase::removeDatabase("other");
        QString error;
        QVERIFY(!open(text, &error));
        QVERIFY2(error.contains("holds tables of another program"), qPrintable(error));
        QProcess sqlite;
        sqlite.start("python3", {"-c",
                                 "import sqlite3, sys; print(sqlite3.connect(sys.argv[1])"
                                 ".execute('select count(*) from sqlite_master')"
                                 ".fetchone()[0])",
                                 text});
        QVERIFY(sqlite.waitForFinished());
        QCOMPARE(sqlite.readAllStandardOutput().trimmed(), QByteArray("1"));
    }

    // A database a newer program made is refused with a clear message, not changed.
    void newerSchemaIsRefused_data() { engines_data(); }
    void newerSchemaIsRefused()
    {
        QFETCH(QString, engine);
        const QString text = freshDatabase(engine);
        QSqlQuery(open(text)->connection()).exec("UPDATE inbox_schema SET version = 7");
        QString error;
        QVERIFY(!open(text, &error));
        QVERIFY2(error.contains(QString("was made by a newer Crash Inbox (schema version 7; this "
                                        "one knows version %1)")
                                    .arg(InboxDatabase::SchemaVersion)),
                 qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestInboxStore)
#include "tst_inbox_store.moc"
