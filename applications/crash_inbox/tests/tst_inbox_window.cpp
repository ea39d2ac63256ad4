#include "package_format/tests/package_builder.h"
#include "tessera/tests/x_session.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

// The inbox window as the service desk meets it: the program started as a process on a real X
// server with a window manager, driven with xdotool and read through AT-SPI as a screen reader
// reads it, on a database of packages built by Python.
class TestInboxWindow : public QObject
{
    Q_OBJECT

private:
    XSession m_x;
    QTemporaryDir m_home;
    std::unique_ptr<QProcess> m_window;

    QString path(const QString& name) const { return m_home.filePath(name); }
    QString inbox() const { return qEnvironmentVariable("Q5_BIN_DIR") + "/q5-crash-inbox"; }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = m_x.environment();
        environment.insert("HOME", m_home.path());
        environment.insert("XDG_DATA_HOME", path("share"));
        environment.insert("XDG_CONFIG_HOME", path("config"));
        environment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        environment.remove("Q5_CRASH_INBOX_DATABASE");
        return environment;
    }

    QString probe(const QStringList& arguments) const
    {
        return QString::fromUtf8(
                   m_x.run("/usr/bin/python3", QStringList{qEnvironmentVariable("Q5_ATSPI_PROBE")}
                                                   << arguments.first() << "Varnel Crash Inbox"
                                                   << arguments.mid(1)))
            .trimmed();
    }

    void build(const QString& name, const QString& program) const
    {
        QDir().mkpath(QFileInfo(path(name)).path());
        QCOMPARE(buildWithPython(program + "\nopen(sys.argv[1], 'wb').write(out)\n", path(name)),
                 QByteArray());
    }

    // The window on the database, once it shows; its window id.
    QString startWindow(const QStringList& arguments)
    {
        m_window = std::make_unique<QProcess>();
        m_window->setProcessEnvironment(environment());
        m_window->start(
            inbox(),
            QStringList{"--database", path("inbox.sqlite"), "--theme", "light", "--report-stalls"}
                << arguments);
        return m_x.window("Varnel Crash Inbox");
    }

    // Closes it with Alt+F4, as the technician does; its standard error.
    QByteArray closeWindow(const QString& window) const
    {
        m_x.xdotool({"windowactivate", "--sync", window, "key", "alt+F4"});
        if (!m_window->waitForFinished(20000))
            return "still running";
        return m_window->exitCode() == 0 ? m_window->readAllStandardError() : "exit status";
    }

    // Types a folder into the file dialog that just opened, and accepts it.
    void chooseFolder(const QString& title, const QString& folder) const
    {
        const QString dialog = m_x.window(title);
        QVERIFY2(!dialog.isEmpty(), qPrintable(title));
        m_x.xdotool({"windowactivate", "--sync", dialog, "key", "ctrl+a", "type", folder});
        m_x.xdotool({"key", "Return"});
    }

    // The Add menu, its folder entry found by typing as menus allow, and the folder chosen.
    void addFolder(const QString& window, const QString& folder) const
    {
        m_x.xdotool(m_x.pointerOffWindows() +
                    QStringList{"windowactivate", "--sync", window, "key", "alt+a"});
        QTRY_COMPARE(m_x.shownWindows(m_window->processId()), 2);
        m_x.xdotool({"type", "A fo"});
        m_x.xdotool({"key", "Return"});
        chooseFolder("Add a folder of packages", folder);
    }

    static qint64 longestStall(const QByteArray& errors)
    {
        return QRegularExpression("longest stall: (\\d+) ms")
            .match(QString::fromUtf8(errors))
            .captured(1)
            .toLongLong();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"),
                 "runs under dbus-run-session");
        QVERIFY2(m_x.start(), "Xvfb, openbox or xdotool is missing: " + m_x.failure());
        build("usb/lamp.cdp", "out = package('lamp 12 dark', 'SN-1', date='01/12/2026')");
        build("usb/fan.cdp", "out = package('fan noise, then a freeze', 'SN-2', "
                             "device='Q5-S30', version='6.4.1', date='03/12/2026')");
        build("usb/dmx.cdp", "out = package('DMX lost on universe 3', 'SN-3', date='02/12/2026')");
        build("outside/new.cdp", "out = package('brought in by a technician', 'SN-9')");
        QProcess add;
        add.setProcessEnvironment(environment());
        add.start(inbox(), {"--database", path("inbox.sqlite"), "add", path("usb")});
        QVERIFY(add.waitForFinished(60000) && add.exitCode() == 0);
    }

    void cleanup()
    {
        if (m_window && m_window->state() != QProcess::NotRunning) {
            m_window->kill();
            m_window->waitForFinished();
        }
    }

    // Typing narrows the list and the groups' counts; the shown package's comments are read
    // out; Extract writes its
    // entries into the folder chosen; Alt+F4 ends it with status 0.
    void searchSelectExtract()
    {
        const QString window = startWindow({});
        QVERIFY(!window.isEmpty());
        // A loaded machine may take a while to bring the window and its accessibility tree up.
        QTRY_COMPARE_WITH_TIMEOUT(probe({"rows", "Packages"}), QString("3"), 20000);
        // Qt also reports the current cell of each view as focused.
        QVERIFY(probe({"focused"}).startsWith("text|Search\n"));
        const int all = probe({"cell", "Crash groups", "0", "2"}).toInt();
        QVERIFY(all >= 3);
        m_x.xdotool({"windowactivate", "--sync", window, "type", "freeze"});
        QTRY_COMPARE(probe({"rows", "Packages"}), QString("1"));
        QTRY_COMPARE(probe({"text", "Comments"}), QString("fan noise, then a freeze"));
        // The groups count what the search finds; the word found stands out.
        QCOMPARE(probe({"cell", "Crash groups", "0", "2"}), QString("1"));
        QVERIFY(probe({"format", "Comments", "18"}).contains("bg-color"));
        QVERIFY(!probe({"format", "Comments", "2"}).contains("bg-color"));
        QVERIFY(QDir().mkpath(path("extracted")));
        m_x.xdotool({"key", "alt+x"});
        chooseFolder("Extract into", path("extracted"));
        QTRY_VERIFY(QFileInfo::exists(path("extracted/report.xml")));
        QVERIFY(QFileInfo::exists(path("extracted/c.dmp")));
        QCOMPARE(closeWindow(window).contains("longest stall"), true);
    }

    // The rows' context menu exports what is listed; an entry is extracted alone from its
    // row, all by keyboard.
    void contextMenuExportsAndEntryExtracts()
    {
        const QString window = startWindow({});
        QVERIFY(!window.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(probe({"rows", "Packages"}).toInt() > 0, 20000);
        m_x.xdotool({"windowactivate", "--sync", window, "type", "freeze"});
        QTRY_COMPARE(probe({"rows", "Packages"}), QString("1"));
        m_x.xdotool(m_x.pointerOffWindows() +
                    QStringList{"windowactivate", "--sync", window, "key", "alt+p", "Menu"});
        QTRY_COMPARE(m_x.shownWindows(m_window->processId()), 2);
        m_x.xdotool({"type", "Exp"});
        m_x.xdotool({"key", "Return"});
        chooseFolder("Export the listed packages", path("listed.csv"));
        QTRY_VERIFY(QFileInfo::exists(path("listed.csv")));
        QFile csv(path("listed.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QByteArray listed = csv.readAll();
        QCOMPARE(listed.count("\r\n"), 2);
        QVERIFY(listed.contains(",fan noise, then a freeze\r\n") == false);
        QVERIFY(listed.contains(",\"fan noise, then a freeze\"\r\n"));

        QVERIFY(QDir().mkpath(path("one-entry")));
        m_x.xdotool({"windowactivate", "--sync", window, "key", "alt+n", "Home", "Return"});
        chooseFolder("Extract into", path("one-entry"));
        QTRY_VERIFY(probe({"labels"}).contains("Extracted 1 entries into " + path("one-entry")));
        QVERIFY(QFileInfo::exists(path("one-entry/c.dmp")));
        QVERIFY(!QFileInfo::exists(path("one-entry/report.xml")));
        QCOMPARE(closeWindow(window).contains("longest stall"), true);
    }

    // The chart tells a screen reader its numbers, over weeks or months with the year, and
    // says when nothing matches; a serial filters; the search's clear button has a name; the
    // panes are read from left to right.
    void chartIsReadAndRanges()
    {
        const QString window = startWindow({});
        QVERIFY(!window.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(probe({"rows", "Packages"}).toInt() > 0, 20000);
        const QRegularExpression weeks("^Week, 2026\\. Crashes from 2026-11-30: \\d+");
        QTRY_VERIFY(weeks.match(probe({"describe", "Crashes over time"})).hasMatch());
        m_x.xdotool({"windowactivate", "--sync", window, "key", "alt+y", "Down"});
        QTRY_VERIFY(probe({"describe", "Crashes over time"})
                        .startsWith("Month, 2026. Crashes from 2026-12-01: "));
        // The serial filter narrows the list to one console's crashes.
        m_x.xdotool({"key", "alt+r"});
        m_x.xdotool({"type", "SN-3"});
        QTRY_COMPARE(probe({"rows", "Packages"}), QString("1"));
        m_x.xdotool({"key", "ctrl+f"});
        m_x.xdotool({"type", "nothing matches this"});
        QTRY_COMPARE(probe({"describe", "Crashes over time"}), QString("No crashes match."));
        QVERIFY(probe({"buttons"}).split('\n').contains("Clear the search"));
        // The panes from left to right.
        const QStringList labels = probe({"labels"}).split('\n');
        QVERIFY2(labels.indexOf("Crash groups") >= 0 &&
                     labels.indexOf("Crash groups") < labels.indexOf("Packages") &&
                     labels.indexOf("Packages") < labels.indexOf("Comments"),
                 qPrintable(labels.join('|')));
        QCOMPARE(closeWindow(window).contains("longest stall"), true);
    }

    // A package opened from the file manager (xdg-open, through the desktop entry and the
    // package's MIME type) is shown, and filed only when asked.
    void openedFromTheFileManager()
    {
        QDir().mkpath(path("share/applications"));
        QDir().mkpath(path("share/mime/packages"));
        const QString sources = qEnvironmentVariable("Q5_DESKTOP_FILES");
        QFile entry(sources + "/q5-crash-inbox.desktop");
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QFile installed(path("share/applications/q5-crash-inbox.desktop"));
        QVERIFY(installed.open(QIODevice::WriteOnly));
        installed.write(QString::fromUtf8(entry.readAll())
                            .replace("Exec=q5-crash-inbox ", "Exec=" + inbox() + " --database " +
                                                                 path("inbox.sqlite") +
                                                                 " --report-stalls ")
                            .toUtf8());
        installed.close();
        QVERIFY(QFile::copy(sources + "/q5-crash-package.xml",
                            path("share/mime/packages/q5-crash-package.xml")));
        QCOMPARE(QProcess::execute("update-mime-database", {path("share/mime")}), 0);
        QCOMPARE(QProcess::execute("update-desktop-database", {path("share/applications")}), 0);

        QProcess open;
        open.setProcessEnvironment(environment());
        open.start("xdg-open", {path("outside/new.cdp")});
        const QString window = m_x.window("Varnel Crash Inbox");
        QVERIFY(!window.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(probe({"text", "Comments"}),
                                  QString("brought in by a technician"), 20000);
        // Listed above the three filed, until it is filed too.
        QTRY_COMPARE(probe({"rows", "Packages"}), QString("4"));
        m_x.xdotool({"windowactivate", "--sync", window, "key", "alt+f"});
        QTRY_VERIFY_WITH_TIMEOUT(probe({"labels"}).contains("Added 1, known before 0, rejected 0."),
                                 20000);
        QTRY_COMPARE(probe({"rows", "Packages"}), QString("4"));
        const QString pid = m_x.xdotool({"getwindowpid", window}).trimmed();
        m_x.xdotool({"windowactivate", "--sync", window, "key", "alt+F4"});
        open.waitForFinished(20000);
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists("/proc/" + pid), 20000);
    }

    // Files opened together are all listed, the unfiled ones without an ID, and each is said.
    void opensSeveralFiles()
    {
        build("several/one.cdp", "out = package('first of several', 'SN-11')");
        build("several/two.cdp", "out = package('second of several', 'SN-12')");
        build("several/broken.cdp", "out = b'not a package'");
        QProcess list;
        list.setProcessEnvironment(environment());
        list.start(inbox(), {"--database", path("inbox.sqlite"), "list", "--json"});
        QVERIFY(list.waitForFinished(20000));
        const qsizetype filed =
            QJsonDocument::fromJson(list.readAllStandardOutput()).array().size();
        QVERIFY(filed > 0);
        const QString window =
            startWindow({"open", path("several/one.cdp"), path("several/two.cdp"),
                         path("usb/dmx.cdp"), path("several/broken.cdp")});
        QVERIFY(!window.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(probe({"rows", "Packages"}), QString::number(filed + 2), 20000);
        QVERIFY(probe({"labels"}).contains("4 files opened."));
        QCOMPARE(probe({"text", "Comments"}), QString("first of several"));
        QCOMPARE(closeWindow(window).contains("longest stall"), true);
    }

    // A group's state and note are set by keyboard, and the desk keeps them.
    void triageByKeyboard()
    {
        const QString window = startWindow({});
        QVERIFY(!window.isEmpty());
        // The groups come a moment after the packages.
        QTRY_VERIFY_WITH_TIMEOUT(probe({"rows", "Crash groups"}).toInt() > 1, 20000);
        m_x.xdotool(
            {"windowactivate", "--sync", window, "key", "alt+g", "Down", "alt+t", "Down", "alt+e"});
        m_x.xdotool({"type", "seen by the desk"});
        m_x.xdotool({"key", "alt+s"});
        const auto firstGroup = [&] {
            QProcess groups;
            groups.setProcessEnvironment(environment());
            groups.start(inbox(), {"--database", path("inbox.sqlite"), "groups", "--json"});
            groups.waitForFinished(20000);
            return QJsonDocument::fromJson(groups.readAllStandardOutput()).array()[0].toObject();
        };
        QTRY_COMPARE(firstGroup()["note"].toString(), QString("seen by the desk"));
        const QJsonObject group = firstGroup();
        QCOMPARE(group["state"].toString(), QString("acknowledged"));
        QCOMPARE(group["note"].toString(), QString("seen by the desk"));
        QCOMPARE(closeWindow(window).contains("longest stall"), true);
    }

    // What another program files shows in the open window, without a refresh.
    void othersFilingShowsLive()
    {
        const QString window = startWindow({});
        QVERIFY(!window.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(probe({"rows", "Packages"}).toInt() > 0, 20000);
        const int before = probe({"rows", "Packages"}).toInt();
        build("live/later.cdp", "out = package('filed from a terminal', 'SN-7')");
        QProcess add;
        add.setProcessEnvironment(environment());
        add.start(inbox(), {"--database", path("inbox.sqlite"), "add", path("live")});
        QVERIFY(add.waitForFinished(60000) && add.exitCode() == 0);
        QTRY_COMPARE(probe({"rows", "Packages"}).toInt(), before + 1);
        QCOMPARE(closeWindow(window).contains("longest stall"), true);
    }

    // A package's long values are elided, never size the window, and a screen reader reads
    // each value under its name, an impossible date too.
    void longValuesAreElidedAndRead()
    {
        build("long/long.cdp",
              "out = package('longfields', 'S' * 150, device='D' * 200, date='31/02/2026')");
        QProcess add;
        add.setProcessEnvironment(environment());
        add.start(inbox(), {"--database", path("inbox.sqlite"), "add", path("long")});
        QVERIFY(add.waitForFinished(60000) && add.exitCode() == 0);
        const QString window = startWindow({});
        QVERIFY(!window.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(probe({"rows", "Packages"}).toInt() > 0, 20000);
        m_x.xdotool({"windowactivate", "--sync", window, "type", "longfields"});
        QTRY_COMPARE(probe({"rows", "Packages"}), QString("1"));
        QTRY_COMPARE(probe({"text", "Serial"}), QString(150, 'S'));
        QCOMPARE(probe({"text", "Device"}), QString(200, 'D'));
        // No such day: the date shows as the report wrote it.
        QCOMPARE(probe({"text", "Crashed"}), QString("31/02/2026 20:53:47"));
        QVERIFY2(m_x.geometry(window).width() < 1280, "the window grew to the screen's width");
        QCOMPARE(closeWindow(window).contains("longest stall"), true);
    }

    // A filed package whose file has gone says so when shown, and cannot be extracted.
    void goneFileIsSaid()
    {
        build("gone/vanishing.cdp", "out = package('vanishing', 'SN-8')");
        QProcess add;
        add.setProcessEnvironment(environment());
        add.start(inbox(), {"--database", path("inbox.sqlite"), "add", path("gone")});
        QVERIFY(add.waitForFinished(60000) && add.exitCode() == 0);
        QVERIFY(QFile::remove(path("gone/vanishing.cdp")));
        const QString window = startWindow({});
        QVERIFY(!window.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(probe({"rows", "Packages"}).toInt() > 0, 20000);
        m_x.xdotool({"windowactivate", "--sync", window, "type", "vanishing"});
        QTRY_VERIFY(probe({"labels"})
                        .contains("The package's file is gone from " + path("gone/vanishing.cdp")));
        const QString controls = probe({"controls"});
        QVERIFY2(controls.contains("Extract…|disabled") &&
                     controls.contains("Show in folder|disabled"),
                 qPrintable(controls));
        QCOMPARE(closeWindow(window).contains("longest stall"), true);
    }

    // Filing 500 packages from Add… leaves the window answering all along: a screen reader
    // sees its progress bar while it files, which a window busy filing could never show.
    // Closed in the middle, the window says what was left, and the next Add… files it.
    void staysResponsiveWhileFilingAndResumes()
    {
        // Each dump inflates to 2 MiB: filing them all takes seconds.
        QCOMPARE(buildWithPython("import os\nos.makedirs(sys.argv[1])\n"
                                 "for n in range(500):\n"
                                 "    open('%s/%03d.cdp' % (sys.argv[1], n), 'wb').write(package("
                                 "'batch %d' % n, 'SN-%d' % (n % 9), dump=bytes(2 << 20)))\n",
                                 path("batch")),
                 QByteArray());
        QString window = startWindow({});
        QVERIFY(!window.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(probe({"rows", "Packages"}).toInt() > 0, 20000);
        const int filedBefore = probe({"rows", "Packages"}).toInt();
        QVERIFY(!probe({"controls"}).contains("Filing progress"));
        addFolder(window, path("batch"));
        QElapsedTimer filing;
        filing.start();
        QTRY_VERIFY_WITH_TIMEOUT(probe({"controls"}).contains("progress bar|Filing progress"),
                                 20000);
        qInfo("progress seen after %lld ms", filing.elapsed());
        const int filedThen = probe({"rows", "Packages"}).toInt();
        QVERIFY2(filedThen < filedBefore + 500, "the filing was over before its progress was seen");
        const QByteArray errors = closeWindow(window);
        QVERIFY2(QRegularExpression("Filing stopped before its end, \\d+ left to file")
                     .match(QString::fromUtf8(errors))
                     .hasMatch(),
                 errors.constData());
        qInfo("longest stall %lld ms", longestStall(errors));

        window = startWindow({});
        QVERIFY(!window.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(
            probe({"labels"}).contains("The last filing stopped before its end"), 20000);
        QVERIFY(probe({"rows", "Packages"}).toInt() < filedBefore + 500);
        QVERIFY(QDir().mkpath(path("nothing")));
        addFolder(window, path("nothing"));
        QTRY_COMPARE_WITH_TIMEOUT(probe({"rows", "Packages"}), QString::number(filedBefore + 500),
                                  120000);
        QVERIFY(!probe({"labels"}).contains("The last filing stopped before its end"));
        QCOMPARE(closeWindow(window).contains("left to file"), false);
    }

    // A desk whose database user may only read sees the inbox with what would change it off,
    // and is told why.
    void readOnlyInboxIsSaid()
    {
        QFile urlFile(qEnvironmentVariable("Q5_TEST_POSTGRES_URL_FILE"));
        QVERIFY(urlFile.open(QIODevice::ReadOnly));
        const QString url = QString::fromUtf8(urlFile.readAll()).trimmed();
        build("readonly/one.cdp", "out = package('seen by a reader', 'SN-R1')");
        QProcess add;
        add.setProcessEnvironment(environment());
        add.start(inbox(), {"--database", url, "add", path("readonly/one.cdp")});
        QVERIFY(add.waitForFinished(20000) && add.exitCode() == 0);
        QProcess note;
        note.setProcessEnvironment(environment());
        note.start(inbox(), {"--database", url, "group", "1", "--note", "kept as it was"});
        QVERIFY(note.waitForFinished(20000) && note.exitCode() == 0);
        QProcess grant;
        grant.start("psql", {"-q", "-d", url, "-c",
                             "CREATE ROLE reader LOGIN; GRANT SELECT ON ALL TABLES IN SCHEMA "
                             "public TO reader"});
        QVERIFY(grant.waitForFinished(20000));
        QCOMPARE(grant.exitCode(), 0);
        const QString reader = QString(url).replace(QRegularExpression("//[^@/]*@"), "//reader@");

        m_window = std::make_unique<QProcess>();
        m_window->setProcessEnvironment(environment());
        m_window->start(inbox(), {"--database", reader, "--theme", "light", "--report-stalls"});
        const QString window = m_x.window("Varnel Crash Inbox");
        QVERIFY(!window.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(probe({"text", "Comments"}), QString("seen by a reader"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(
            probe({"labels"})
                .contains("This inbox can only be read here: packages cannot be "
                          "added and groups cannot be changed. The database user "
                          "reader may read the inbox but not write to it."),
            20000);
        m_x.xdotool({"windowactivate", "--sync", window, "key", "alt+g", "Down"});
        QTRY_COMPARE_WITH_TIMEOUT(probe({"text", "Note"}), QString("kept as it was"), 20000);
        const QString controls = probe({"controls"});
        QVERIFY2(controls.contains("push button|Add…|disabled"), qPrintable(controls));
        QVERIFY2(controls.contains("push button|Save the group's state|disabled"),
                 qPrintable(controls));
        QVERIFY(closeWindow(window).contains("longest stall"));
    }

    // More packages than a page: the rows are fetched as they are shown, the last ones when
    // the list is scrolled to its end.
    void longListFetchesTheRowsShown()
    {
        const QString window = startWindow({});
        QVERIFY(!window.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(probe({"rows", "Packages"}).toInt() > 500, 20000);
        const QString last = QString::number(probe({"rows", "Packages"}).toInt() - 1);
        QVERIFY(!probe({"cell", "Packages", "0", "0"}).isEmpty());
        QCOMPARE(probe({"cell", "Packages", last, "0"}), QString());
        QTRY_VERIFY_WITH_TIMEOUT(!probe({"text", "Comments"}).isEmpty(), 20000);
        const QString newest = probe({"text", "Comments"});
        m_x.xdotool({"windowactivate", "--sync", window, "key", "alt+p", "End"});
        QTRY_VERIFY_WITH_TIMEOUT(probe({"cell", "Packages", last, "0"}).toInt() > 0, 20000);
        // The report follows the row once it is fetched, and stays on it through a refresh.
        QTRY_VERIFY_WITH_TIMEOUT(probe({"text", "Comments"}) != newest, 20000);
        const QString oldest = probe({"text", "Comments"});
        m_x.xdotool({"key", "F5"});
        QTest::qWait(2000);
        QCOMPARE(probe({"text", "Comments"}), oldest);
        const QByteArray said = closeWindow(window);
        QVERIFY2(said.count("listed ") >= 2, said.constData());
    }
};

QTEST_GUILESS_MAIN(TestInboxWindow)
#include "tst_inbox_window.moc"
