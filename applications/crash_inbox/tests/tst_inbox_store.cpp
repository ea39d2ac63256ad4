#include "store/inbox_database.h"
#include "store/package_store.h"

#include <QFile>
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
        QFile url(qEnvironmentVariable("Q5_TEST_POSTGRES_DIR") + "/url");
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
                        package("bb", "second", "", "", {}), again},
                       error);
        QVERIFY2(filings, qPrintable(error));
        QCOMPARE(filings->size(), 3);
        QVERIFY(filings->at(0).added && filings->at(1).added && !filings->at(2).added);
        QCOMPARE(filings->at(2).id, filings->at(0).id);
        QCOMPARE(store.idOf("bb"), filings->at(1).id);
        const std::optional<FiledPackage> found = store.find(filings->at(0).id);
        QVERIFY(found);
        QCOMPARE(found->file, QString("/packages/aa.cdp"));
        QCOMPARE(found->report,
                 package("aa", "first", "SN-1", "6.4.0", crashed, {"line 1", "line 2"}).report);
        QCOMPARE(found->entries.size(), 2);
        QCOMPARE(found->entries.at(1).name, QString("report.xml"));
        QVERIFY(!store.find(filings->at(1).id)->report.application);
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
            QStringList found;
            for (const FiledPackage& package : listed.value_or(QList<FiledPackage>()))
                found << package.sha256;
            return found.join(',');
        };
        QCOMPARE(shas({}), QString("p2,p3,p1,p5,p4"));
        QCOMPARE(shas("lamp"), QString("p3,p1"));
        QCOMPARE(shas("lamp dark"), QString("p1"));
        QCOMPARE(shas("universe"), QString("p2"));
        QCOMPARE(shas("\"lamp\" OR *"), QString());
        QCOMPARE(shas({}, "Q5-PC", "6.4.0"), QString("p2,p1"));
        QCOMPARE(shas("lamp", {}, {}, "SN-1"), QString("p3,p1"));
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
