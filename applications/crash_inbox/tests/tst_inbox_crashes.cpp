#include "crash_analysis/tests/minidump_builder.h"
#include "inbox_run.h"
#include "package_format/tests/package_builder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The controller's symbols: two functions with lines, a public symbol, and the stack records
// of the first.
constexpr char Symbols[] =
    R"(MODULE windows x86_64 123456789ABCDEF011223344556677882 q5controller.pdb
FILE 0 D:\src\lamp\lamp_driver.cpp
FILE 1 D:\src\cue\cue_engine.cpp
FUNC 1a200 200 0 LampDriver::update(int)
1a200 80 40 0
1a280 40 42 0
FUNC 1a2b0 0 0 an empty function inside it
FUNC 2f400 200 8 CueEngine::go()
2f400 100 120 1
PUBLIC 4e000 0 main
STACK CFI INIT 1a200 200 .cfa: $rsp 8 + .ra: .cfa -8 + ^
STACK CFI 1a210 .cfa: $rsp 48 +
)";

// A crash in LampDriver::update, 0x28 into its stack frame; its caller's frame pointer chain
// leads on to main.
constexpr char LampCrash[] =
    "sp = 0x10000000\n"
    "stack = bytearray(0x200)\n"
    "struct.pack_into('<Q', stack, 40, Q5 + 0x2f4c1)\n"
    "struct.pack_into('<QQ', stack, 0x100, 0, Q5 + 0x4e1a7)\n"
    "dump = minidump(regs=dict(rip=Q5 + 0x1a2b3, rsp=sp, rbp=sp + 0x100), modules=[QTCORE, "
    "q5()], stack=bytes(stack), stack_start=sp)\n";

} // namespace

// What the desk reads from a package's dump, walked and named with the symbols it keeps: the
// inbox as a process, dumps and symbol files built by Python from their published layouts.
class TestInboxCrashes : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

    QString path(const QString& name) const { return m_home.filePath(name); }

    Run inbox(const QStringList& arguments, const QString& database = {}) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", m_home.path());
        environment.insert("Q5_CRASH_INBOX_DATABASE",
                           database.isEmpty() ? path("inbox.sqlite") : database);
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(qEnvironmentVariable("Q5_BIN_DIR") + "/q5-crash-inbox", arguments);
        return finishRun(process, 60000);
    }

    // A package whose dump is Python's `dump`.
    void buildPackage(const QString& name, const QString& dump, const QString& arguments = {})
    {
        QCOMPARE(buildWithPython(QString::fromLatin1(MinidumpPrelude) + dump +
                                     "open(sys.argv[1], 'wb').write(package(dump=dump" + arguments +
                                     "))\n",
                                 path(name)),
                 QByteArray());
    }

    void writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    static QStringList frames(const QJsonObject& crash)
    {
        QStringList frames;
        for (const QJsonValue& frame : crash["frames"].toArray()) {
            const QJsonObject object = frame.toObject();
            frames << QString("%1 %2 %3:%4 %5")
                          .arg(object["module"].toString(), object["offset"].toString(),
                               object["function"].toString())
                          .arg(object["sourceLine"].toInt())
                          .arg(object["trust"].toString());
        }
        return frames;
    }

private Q_SLOTS:
    // The crashing thread frame by frame: by the stack records of the symbols, by frame
    // pointers, by scanning the stack, on each CPU.
    void walkingTheStack_data()
    {
        QTest::addColumn<QString>("dump");
        QTest::addColumn<bool>("withSymbols");
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<QString>("signature");

        QTest::newRow("frame pointers")
            << QString(LampCrash) << false
            << QStringList{"q5controller.exe 0x1a2b3 :0 context",
                           "q5controller.exe 0x4e1a7 :0 frame pointer"}
            << "q5controller.exe+0x1a2b3 EXCEPTION_ACCESS_VIOLATION_READ";
        QTest::newRow("stack records, then frame pointers")
            << QString(LampCrash) << true
            << QStringList{"q5controller.exe 0x1a2b3 LampDriver::update(int):42 context",
                           "q5controller.exe 0x2f4c1 CueEngine::go():120 cfi",
                           "q5controller.exe 0x4e1a7 main:0 frame pointer"}
            << "q5controller.exe!LampDriver::update(int) EXCEPTION_ACCESS_VIOLATION_READ";
        QTest::newRow("scanning")
            << "stack = words(8, [0, 0, 0, Q5 + 0x2f4c1] + [0] * 8 + [0x7ffc1b400000 + 0x1234])\n"
               "dump = minidump(regs=dict(rip=Q5 + 0x1a2b3, rsp=0x2000, rbp=0), "
               "modules=[QTCORE, q5()], stack=stack, stack_start=0x2000)\n"
            << false
            << QStringList{"q5controller.exe 0x1a2b3 :0 context",
                           "q5controller.exe 0x2f4c1 :0 scan", "Qt6Core.dll 0x1234 :0 scan"}
            << "q5controller.exe+0x1a2b3 EXCEPTION_ACCESS_VIOLATION_READ";
        QTest::newRow("arm64 through its link register")
            << "lib = 0x5500000000\n"
               "stack = words(8, [0, 0, 0, 0, 0, lib + 0x3000])\n"
               "dump = minidump(cpu='arm64', system='linux', code=11, params=(), address=0x28, "
               "regs=dict(pc=lib + 0x1000, x30=lib + 0x2000, x29=0x7f000020, sp=0x7f000000), "
               "modules=[module('/opt/q5/libq5.so', lib, 0x10000)], stack=stack, "
               "stack_start=0x7f000000)\n"
            << false
            << QStringList{"libq5.so 0x1000 :0 context", "libq5.so 0x2000 :0 frame pointer",
                           "libq5.so 0x3000 :0 frame pointer"}
            << "libq5.so+0x1000 SIGSEGV";
        QTest::newRow("x86 frame pointers")
            << "stack = words(4, [0, 0, 0, 0, 0, 0x402345])\n"
               "dump = minidump(cpu='x86', code=0xc0000094, params=(), address=0x401234, "
               "regs=dict(eip=0x401234, esp=0x3000, ebp=0x3010), "
               "modules=[module('C:\\\\q5.exe', 0x400000, 0x100000)], stack=stack, "
               "stack_start=0x3000)\n"
            << false << QStringList{"q5.exe 0x1234 :0 context", "q5.exe 0x2345 :0 frame pointer"}
            << "q5.exe+0x1234 EXCEPTION_INT_DIVIDE_BY_ZERO";
        QTest::newRow("crashed outside every module")
            << "stack = words(8, [Q5 + 0x2f4c1])\n"
               "dump = minidump(params=(8, 0xbad0000), regs=dict(rip=0xbad0000, rsp=0x2000), "
               "modules=[q5()], stack=stack, stack_start=0x2000)\n"
            << false << QStringList{" 0xbad0000 :0 context", "q5controller.exe 0x2f4c1 :0 scan"}
            << "0xbad0000 EXCEPTION_ACCESS_VIOLATION_EXEC";
    }

    void walkingTheStack()
    {
        QFETCH(QString, dump);
        QFETCH(bool, withSymbols);
        const QString database = path(QString("walk-%1.sqlite").arg(QTest::currentDataTag()));
        if (withSymbols) {
            writeFile("q5.sym", Symbols);
            QCOMPARE(inbox({"symbols", "add", path("q5.sym")}, database).status, 0);
        }
        buildPackage("walk.cdp", dump);
        const Run shown = inbox({"show", path("walk.cdp"), "--json"}, database);
        QCOMPARE(shown.status, 0);
        const QJsonObject crash = shown.json().object()["crash"].toObject();
        QTEST(frames(crash), "frames");
        QTEST(crash["signature"].toString(), "signature");
    }

    // Packages filed before their symbols arrive are named once the symbols are added, and
    // grouped by their new signature.
    void symbolsBringFiledCrashesUpToDate()
    {
        buildPackage("a.cdp", LampCrash, ", version='6.4.0', serial='SN-1'");
        buildPackage("b.cdp", LampCrash, ", version='6.4.1', serial='SN-2', comments='again'");
        buildPackage("other.cdp", "dump = b'not a dump'\n");
        QCOMPARE(inbox({"add", path("a.cdp"), path("b.cdp"), path("other.cdp")}).status, 0);
        const QString before = "q5controller.exe+0x1a2b3 EXCEPTION_ACCESS_VIOLATION_READ";
        QCOMPARE(inbox({"list", "--signature", before}).lines().size(), 2);

        writeFile("q5.sym", Symbols);
        writeFile("broken.sym", "MODULE windows x86_64 ABCDEF0123 x.pdb\nFUNC 1 2\n");
        Run added = inbox({"symbols", "add", path("q5.sym"), path("broken.sym")});
        QCOMPARE(added.status, 1);
        QCOMPARE(added.lines(),
                 QStringList(
                     {"added q5controller.pdb 123456789ABCDEF011223344556677882 " + path("q5.sym"),
                      "rejected " + path("broken.sym") +
                          ": line 2: a FUNC record needs an address, a size, a parameter "
                          "size and a name",
                      "updated 2 packages"}));
        const QString after = "q5controller.exe!LampDriver::update(int) "
                              "EXCEPTION_ACCESS_VIOLATION_READ";
        const QJsonArray groups = inbox({"groups", "--json"}).json().array();
        QCOMPARE(groups.size(), 2);
        const QJsonObject lamp = groups.at(0).toObject();
        QCOMPARE(lamp["signature"].toString(), after);
        QCOMPARE(lamp["count"].toInt(), 2);
        QCOMPARE(lamp["versions"].toArray(), QJsonArray({"6.4.0", "6.4.1"}));
        QCOMPARE(lamp["devices"].toArray(), QJsonArray({"Q5-PC"}));
        QCOMPARE(lamp["serials"].toArray(), QJsonArray({"SN-1", "SN-2"}));
        QCOMPARE(groups.at(1).toObject()["signature"].toString(), QString("no dump facts"));
        QCOMPARE(inbox({"list", "--signature", before}).lines().size(), 0);
        const QJsonArray listed = inbox({"list", "--signature", after, "--json"}).json().array();
        QCOMPARE(listed.size(), 2);

        const Run shown =
            inbox({"show", QString::number(listed.at(0).toObject()["id"].toInt()), "--json"});
        const QJsonObject crash = shown.json().object()["crash"].toObject();
        QCOMPARE(crash["function"].toString(), QString("LampDriver::update(int)"));
        QCOMPARE(crash["sourceFile"].toString(), QString("D:\\src\\lamp\\lamp_driver.cpp"));
        QCOMPARE(crash["sourceLine"].toInt(), 42);
        QCOMPARE(crash["moduleVersion"].toString(), QString("6.4.0.17"));
        QCOMPARE(crash["modules"].toArray().size(), 2);
        QVERIFY(inbox({"show", QString::number(listed.at(0).toObject()["id"].toInt())})
                    .out.contains("Crash at  q5controller.exe!LampDriver::update(int) "
                                  "[D:\\\\src\\\\lamp\\\\lamp_driver.cpp : 42 + 0x33]\n"));
        // The same module's symbols again replace the first.
        added = inbox({"symbols", "add", path("q5.sym")});
        QCOMPARE(added.lines().at(0).section(' ', 0, 0), QString("replaced"));
        QCOMPARE(added.lines().at(1), QString("updated 0 packages"));
    }

    // A technician marks a crash group fixed in a version from the command line; a crash of a
    // beta of that version leaves it fixed, one of a later version makes it regressed.
    void triageOnTheCommandLine()
    {
        const QString database = path("triage.sqlite");
        const auto file = [&](const QString& name, const QString& version) {
            buildPackage(name, LampCrash, ", version='" + version + "'");
            return inbox({"add", path(name)}, database).status;
        };
        QCOMPARE(file("t1.cdp", "6.4.0"), 0);
        const QJsonObject group =
            inbox({"groups", "--json"}, database).json().array()[0].toObject();
        QCOMPARE(group["state"].toString(), QString("new"));
        const QString id = QString::number(group["id"].toInt());
        QVERIFY(group["id"].toInt() > 0);
        for (const QStringList& wrong : {QStringList{"--state", "regressed"},
                                         {"--state", "fixed"},
                                         {"--fixed-in", "soon"},
                                         {"--state", "ignored", "--fixed-in", "6.4.1"},
                                         {"--state", "closed"}})
            QCOMPARE(inbox(QStringList{"group", id} + wrong, database).status, 2);
        QCOMPARE(inbox({"group", "999"}, database).status, 1);
        const QJsonObject fixed =
            inbox({"group", id, "--fixed-in", "6.4.1", "--note", "lamp driver", "--json"}, database)
                .json()
                .object();
        QCOMPARE(fixed["state"].toString(), QString("fixed"));
        QCOMPARE(fixed["fixedIn"].toString(), QString("6.4.1"));
        QCOMPARE(fixed["note"].toString(), QString("lamp driver"));
        QCOMPARE(file("t2.cdp", "6.4.1.BETA1"), 0);
        QCOMPARE(inbox({"groups", "--state", "fixed", "--json"}, database).json().array().size(),
                 1);
        QCOMPARE(file("t3.cdp", "6.5.0"), 0);
        QCOMPARE(inbox({"groups", "--state", "new,fixed"}, database).out, QString());
        const QJsonArray regressed =
            inbox({"groups", "--state", "regressed", "--json"}, database).json().array();
        QCOMPARE(regressed.size(), 1);
        QCOMPARE(regressed[0]["firstVersion"].toString(), QString("6.4.0"));
        QCOMPARE(regressed[0]["lastVersion"].toString(), QString("6.5.0"));
        const QString text = inbox({"group", group["signature"].toString()}, database).out;
        QVERIFY2(
            text.contains("#" + id + " regressed (fixed in 6.4.1); 6.4.0, 6.4.1.BETA1, 6.5.0;"),
            qPrintable(text));
        QVERIFY(text.endsWith("       lamp driver\n"));
    }

    // A database of the desk before it read dumps: its packages say so until added again.
    void olderDatabaseIsBroughtUpToDate()
    {
        buildPackage("old.cdp", LampCrash);
        QFile package(path("old.cdp"));
        QVERIFY(package.open(QIODevice::ReadOnly));
        const QByteArray sha256 =
            QCryptographicHash::hash(package.readAll(), QCryptographicHash::Sha256).toHex();
        const QString database = path("version-1.sqlite");
        QProcess python;
        python.start("python3", {"-c", QString(R"py(import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.executescript('''CREATE TABLE packages (id INTEGER PRIMARY KEY, sha256 TEXT NOT NULL UNIQUE,
  file TEXT NOT NULL, file_size INTEGER NOT NULL, crash_date TEXT, crash_time TEXT,
  crashed_at TEXT, device TEXT, serial TEXT, version TEXT, platform TEXT, comments TEXT NOT NULL,
  output_log TEXT NOT NULL, mail_sender TEXT, mail_date TEXT, added_at TEXT NOT NULL);
CREATE TABLE entries (package_id INTEGER NOT NULL REFERENCES packages(id) ON DELETE CASCADE,
  position INTEGER NOT NULL, name TEXT NOT NULL, size INTEGER NOT NULL, kind INTEGER NOT NULL,
  PRIMARY KEY (package_id, position));
CREATE INDEX packages_group ON packages(device, version);
CREATE INDEX packages_crashed ON packages(crashed_at);
CREATE VIRTUAL TABLE package_text USING fts5(comments, output_log, content='packages',
  content_rowid='id');
CREATE TRIGGER packages_text_insert AFTER INSERT ON packages BEGIN INSERT INTO
  package_text(rowid, comments, output_log) VALUES (new.id, new.comments, new.output_log); END;
CREATE TRIGGER packages_text_delete AFTER DELETE ON packages BEGIN INSERT INTO
  package_text(package_text, rowid, comments, output_log) VALUES ('delete', old.id, old.comments,
  old.output_log); END;
CREATE TABLE inbox_schema (version INTEGER NOT NULL);
INSERT INTO inbox_schema VALUES (1);''')
db.execute("INSERT INTO packages VALUES (1, ?, ?, 1, '2026-12-05', '20:53:47', "
           "'2026-12-05T20:53:47', 'Q5-PC', 'SN-1', '6.4.0', 'Linux', 'ok', '[]', NULL, NULL, "
           "'2026-12-06T00:00:00Z')", (sys.argv[2], sys.argv[3]))
db.commit())py"),
                                 database, QString::fromLatin1(sha256), path("old.cdp")});
        QVERIFY(python.waitForFinished(30000) && python.exitCode() == 0);
        QJsonObject shown = inbox({"show", "1", "--json"}, database).json().object();
        QVERIFY(shown["crash"].isNull());
        QCOMPARE(shown["crashProblem"].toString(),
                 QString("it was filed before the desk read dumps; add it again to read its dump"));
        QCOMPARE(inbox({"add", path("old.cdp")}, database).lines(),
                 QStringList{"known 1 " + path("old.cdp")});
        shown = inbox({"show", "1", "--json"}, database).json().object();
        QCOMPARE(shown["crash"].toObject()["signature"].toString(),
                 QString("q5controller.exe+0x1a2b3 EXCEPTION_ACCESS_VIOLATION_READ"));
        QCOMPARE(inbox({"list", "--search", "ok"}, database).lines().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestInboxCrashes)
#include "tst_inbox_crashes.moc"
