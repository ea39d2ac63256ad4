#include "crash_reporter/upload/upload_queue.h"
#include "crash_reporter/upload/upload_settings.h"
#include "test_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

// The queue of packages waiting for the service desk, and where the console may send them.
class TestUploadQueue : public QObject
{
    Q_OBJECT

private:
    static QJsonObject package(const QString& path, qint64 size = 3)
    {
        return {
            {"path", path}, {"size", size}, {"queued", "2026-12-08T10:00:00Z"}, {"attempts", 1}};
    }

    static QByteArray index(const QList<QJsonObject>& packages, int version = 1)
    {
        QJsonArray array;
        for (const QJsonObject& package : packages)
            array.append(package);
        return QJsonDocument(QJsonObject{{"version", version}, {"packages", array}}).toJson();
    }

private Q_SLOTS:
    // Index files as another episode, a crash mid-write or a hostile user may leave them.
    void indexesAreReadWithCare_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("paths"); // {"-"}: no index at all
        const QJsonObject entry = package("/d/a.cdp");
        QTest::newRow("one") << index({entry}) << QStringList{"/d/a.cdp"};
        QTest::newRow("newer version") << index({entry}, 2) << QStringList{"-"};
        QTest::newRow("not JSON") << index({entry}).left(20) << QStringList{"-"};
        QTest::newRow("an array") << QByteArray("[1]") << QStringList{"-"};
        QTest::newRow("twice") << index({entry, entry}) << QStringList{"/d/a.cdp"};
        QTest::newRow("relative path") << index({package("a.cdp")}) << QStringList();
        QTest::newRow("negative size") << index({package("/a.cdp", -3)}) << QStringList();
        QJsonObject untimed = entry;
        untimed.remove("queued");
        QTest::newRow("no time") << index({untimed}) << QStringList();
        QJsonObject text = entry;
        text["attempts"] = "many";
        QTest::newRow("attempts not a number") << index({text}) << QStringList();
        QList<QJsonObject> many;
        for (int number = 0; number < 9; ++number)
            many << package(QString("/d/%1.cdp").arg(number));
        QTest::newRow("past the cap")
            << index(many) << QStringList{"/d/0.cdp", "/d/1.cdp", "/d/2.cdp"};
    }

    void indexesAreReadWithCare()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, paths);
        const auto packages = parseUploadQueue(text, 3);
        QStringList read;
        for (const QueuedPackage& package : packages.value_or(QList<QueuedPackage>()))
            read << package.path;
        QCOMPARE(packages ? read : QStringList{"-"}, paths);
    }

    // Waiting packages, newest first, at most the cap; a package written again waits anew,
    // one that is gone waits no more, and each failure waits longer, up to six hours.
    void queueKeepsWhatWaits()
    {
        QTemporaryDir folder;
        UploadQueue queue(folder.filePath("state/queue.json"), 2);
        for (const char* name : {"a.cdp", "b.cdp", "c.cdp"}) {
            QVERIFY(writeFile(folder.filePath(name), name));
            QVERIFY(queue.add(folder.filePath(name)));
            QTest::qWait(1100); // queued a second apart
        }
        const auto names = [&](const QList<QueuedPackage>& packages) {
            QStringList result;
            for (const QueuedPackage& package : packages)
                result << QFileInfo(package.path).fileName();
            return result;
        };
        QCOMPARE(names(queue.waiting()), QStringList({"c.cdp", "b.cdp"}));
        QCOMPARE(modeOf(folder.filePath("state/queue.json")), 0600u);
        const QDateTime now = QDateTime::currentDateTimeUtc();
        QVERIFY(queue.postpone(folder.filePath("c.cdp"), now));
        QCOMPARE(names(queue.waiting(now)), QStringList{"b.cdp"});
        QCOMPARE(names(queue.waiting(now.addSecs(61))), QStringList({"c.cdp", "b.cdp"}));
        QVERIFY(writeFile(folder.filePath("b.cdp"), "written again, longer"));
        QCOMPARE(names(queue.waiting()), QStringList{"c.cdp"});
        QVERIFY(QFile::remove(folder.filePath("c.cdp")));
        QCOMPARE(names(queue.waiting()), QStringList());
        QCOMPARE(UploadQueue::backoff(1), std::chrono::seconds(60));
        QCOMPARE(UploadQueue::backoff(3), std::chrono::seconds(240));
        QCOMPARE(UploadQueue::backoff(40), std::chrono::seconds(6 * 3600));
    }

    void addressesThatMaySend_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("safe");
        QTest::newRow("https") << "https://desk.example:8470" << true;
        QTest::newRow("http to loopback") << "http://127.0.0.1:8470" << true;
        QTest::newRow("http to localhost") << "http://localhost:8470" << true;
        QTest::newRow("http to IPv6 loopback") << "http://[::1]:8470" << true;
        QTest::newRow("http elsewhere") << "http://desk.example:8470" << false;
        QTest::newRow("http to a look-alike") << "http://127.0.0.1.example:8470" << false;
        QTest::newRow("no host") << "https:///x" << false;
        QTest::newRow("file") << "file:///etc/passwd" << false;
    }

    void addressesThatMaySend()
    {
        QFETCH(QString, url);
        QFETCH(bool, safe);
        QCOMPARE(UploadSettings::isSafeAddress(QUrl(url)), safe);
    }
};

QTEST_GUILESS_MAIN(TestUploadQueue)
#include "tst_upload_queue.moc"
