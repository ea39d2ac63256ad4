#include "crash_inbox/tests/collector_process.h"
#include "tessera/tests/x_session.h"
#include "test_support.h"

#include <QDir>
#include <QRegularExpression>
#include <QTest>

#include <csignal>

// Whole crash episodes as an operator meets them on a desktop: the simulator starts the
// reporter, whose dialog is driven with the keyboard on a real X server.
class TestOperatorEpisode : public QObject
{
    Q_OBJECT

private:
    XSession m_x;
    QTemporaryDir m_sandbox;
    std::unique_ptr<ProcessGroup> m_simulator;
    QMap<QString, QString> m_settings; // for the next episode

    QString path(const QString& name) const { return m_sandbox.filePath(name); }
    QString dumps() const { return path("Documents/Varnel Professional/Q5-PC/Crash Dumps"); }
    QString log() const { return QString::fromUtf8(readFile(path("reporter.log"))); }

    // The Comments text as a screen reader reads it: proof that the keys typed were handled.
    QString comments() const
    {
        return QString::fromUtf8(
                   m_x.run("/usr/bin/python3", {qEnvironmentVariable("Q5_ATSPI_PROBE"), "text",
                                                "Varnel Q5-PC Crash Desk", "Comments"}))
            .trimmed();
    }

    // A stand-in for xdg-email that ends with the status given.
    void installMailClient(int status)
    {
        QVERIFY(writeFile(path("bin/xdg-email"), QString("#!/bin/sh\ntouch '%1'\nexit %2\n")
                                                     .arg(path("mail-done"))
                                                     .arg(status)
                                                     .toUtf8()));
        QFile::setPermissions(path("bin/xdg-email"),
                              QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }

    // The dialog's labels, the result line among them, as a screen reader reads them.
    QString labels() const
    {
        return QString::fromUtf8(
            m_x.run("/usr/bin/python3",
                    {qEnvironmentVariable("Q5_ATSPI_PROBE"), "labels", "Varnel Q5-PC Crash Desk"}));
    }

    // A stand-in for xdg-email that fails once the reporter has stopped waiting for it.
    void installSlowFailingMailClient()
    {
        QVERIFY(writeFile(path("bin/xdg-email"), "#!/bin/sh\nsleep 4\nexit 3\n"));
        QFile::setPermissions(path("bin/xdg-email"),
                              QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }

    // Starts an episode that asks for the dialog and returns the dialog's window.
    QString startEpisode(const QStringList& arguments = {})
    {
        QProcessEnvironment environment = m_x.environment();
        environment.insert("HOME", m_sandbox.path());
        environment.insert("XDG_CONFIG_HOME", path("config"));
        environment.insert("XDG_CACHE_HOME", path("cache"));
        environment.insert("Q5_CRASH_REPORTER_LOG", path("reporter.log"));
        environment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        environment.insert("PATH", path("bin") + ":" + environment.value("PATH"));
        for (auto setting = m_settings.cbegin(); setting != m_settings.cend(); ++setting)
            environment.insert(setting.key(), setting.value());
        m_simulator = std::make_unique<ProcessGroup>();
        m_simulator->setProcessEnvironment(environment);
        m_simulator->startGroup(qEnvironmentVariable("Q5_BIN_DIR") + "/q5-controller-sim",
                                QStringList{"--timeout", "60", "--data-file", path("crash.dat"),
                                            "--dump", path("c.dmp"), "--dump-size", "100000"} +
                                    arguments);
        const QString window = m_x.window("Varnel Q5-PC Crash Desk");
        m_x.xdotool({"windowactivate", "--sync", window});
        // The crash is kept as the dialog opens; Save and Email wait for that. None: no window.
        if (!QTest::qWaitFor([&] { return log().contains("Crash report saved to"); }, 10000))
            return {};
        return window;
    }

    // The reporter said "connected" and ended with status 0.
    void waitForTheEnd()
    {
        QVERIFY(m_simulator->waitForFinished(20000));
        QCOMPARE(m_simulator->exitCode(), 0);
    }

    void endEpisode(const QString& window)
    {
        m_x.xdotool({"windowactivate", "--sync", window, "key", "alt+F4"});
        waitForTheEnd();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_x.start(),
                 "Xvfb, openbox or xdotool is missing, or openbox failed: " + m_x.failure());
        QDir().mkpath(path("bin"));
    }

    void cleanup()
    {
        m_settings.clear();
        if (m_simulator)
            m_simulator->end();
        QDir(dumps()).removeRecursively();
        for (const char* name : {"bin/xdg-email", "mail-done", "reporter.log", "chosen.cdp",
                                 "moved.cdp", "other.dat", "other.dmp"})
            QFile::remove(path(name));
    }

    void commentsReachTheSavedPackage()
    {
        const QString window = startEpisode();
        QVERIFY(!window.isEmpty());
        m_x.xdotool({"type", "--delay", "20", "DMX lost on universe 3"});
        m_x.xdotool({"key", "Tab", "space"});
        QVERIFY(!m_x.window("Save crash dump file").isEmpty());
        m_x.xdotool({"type", "--delay", "20", path("chosen")});
        m_x.xdotool({"key", "Return"});
        QTRY_VERIFY(QFile::exists(path("chosen.cdp")));
        QTRY_VERIFY(entryData(path("chosen.cdp"), "report.xml")
                        .contains("<Comments>DMX lost on universe 3</Comments>"));
        endEpisode(window);
        QVERIFY(QDir(dumps()).entryList({"*.cdp"}).isEmpty()); // written once, not again
    }

    // However the episode ends, the crash is kept in the Crash Dumps folder with what the
    // operator typed, unless the operator saved it: closing, a termination request, an e-mail
    // (which cannot be verified) and the countdown that nobody stopped.
    void everyEndingKeepsTheCrash_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("Alt+F4") << "alt+F4";
        QTest::newRow("SIGTERM") << "SIGTERM";
        QTest::newRow("SIGINT") << "SIGINT";
        QTest::newRow("SIGHUP") << "SIGHUP";
        QTest::newRow("Email, then Alt+F4") << "email";
        QTest::newRow("countdown of 2 s, untouched") << "countdown";
    }

    void everyEndingKeepsTheCrash()
    {
        QFETCH(QString, ending);
        const bool countdown = ending == "countdown";
        m_x.xdotool({"mousemove", "0", "0"}); // the pointer moving over it would count as activity
        const QString window =
            startEpisode(countdown ? QStringList{"--delay", "2"} : QStringList{});
        QVERIFY(!window.isEmpty());
        if (!countdown) {
            m_x.xdotool({"type", "--delay", "20", "lamp 12 dark"});
            QTRY_COMPARE(comments(), QString("lamp 12 dark"));
        }
        if (ending == "email") {
            installMailClient(0);
            m_x.xdotool({"key", "Tab", "Tab", "space"});
            QTRY_VERIFY(QFile::exists(path("mail-done")));
        }
        if (ending.startsWith("SIG")) {
            const int signal =
                ending == "SIGTERM" ? SIGTERM : (ending == "SIGINT" ? SIGINT : SIGHUP);
            const int pid = m_x.xdotool({"getwindowpid", window}).trimmed().toInt();
            QVERIFY(pid > 0);
            QCOMPARE(::kill(pid, signal), 0);
            waitForTheEnd();
        } else if (countdown) {
            waitForTheEnd();
            QVERIFY2(QRegularExpression("Auto-action timer expired\n.*Restarting Q5\n")
                         .match(log())
                         .hasMatch(),
                     qPrintable(log()));
        } else {
            endEpisode(window);
        }
        const QString package = dumps() + "/Crash Report 0.cdp";
        QCOMPARE(entryNames(package), QStringList({"c.dmp", "report.xml"}));
        QVERIFY(entryData(package, "report.xml")
                    .contains(countdown ? "<Comments></Comments>"
                                        : "<Comments>lamp 12 dark</Comments>"));
    }

    // Any key stops the countdown; the dialog then waits for the operator.
    void activityStopsTheCountdown()
    {
        const QString window = startEpisode({"--delay", "10"});
        QVERIFY(!window.isEmpty());
        m_x.xdotool({"key", "shift"});
        QTRY_VERIFY(log().contains("Canceled auto-action timer"));
        endEpisode(window);
        QVERIFY(!log().contains("Auto-action timer expired"));
    }

    // A console that sends its packages says in the dialog whether the desk has the crash.
    void dialogSaysWhetherTheDeskHasIt_data()
    {
        QTest::addColumn<bool>("deskThere");
        QTest::addColumn<QString>("result");
        QTest::newRow("desk there") << true << "Sent to the service desk";
        QTest::newRow("desk away") << false << "Will be sent when the service desk can be reached";
    }

    void dialogSaysWhetherTheDeskHasIt()
    {
        QFETCH(bool, deskThere);
        QFETCH(QString, result);
        CollectorProcess collector;
        QVERIFY(collector.start());
        m_settings.insert("Q5_CRASH_UPLOAD_URL", collector.url());
        m_settings.insert("Q5_CRASH_UPLOAD_TOKEN", collector.token());
        if (!deskThere)
            collector.stop();
        const QString window = startEpisode();
        QVERIFY(!window.isEmpty());
        QTRY_VERIFY2_WITH_TIMEOUT(labels().contains(result), qPrintable(labels()), 10000);
        // What the operator types afterwards brings the desk's package up to date.
        m_x.xdotool({"type", "--delay", "20", "lamp 3 dark"});
        endEpisode(window);
        collector.stop();
        QCOMPARE(collector.filings().filter(QRegularExpression("^updated 1 ")).size(),
                 deskThere ? 1 : 0);
    }

    void failedMailHandOffIsShown()
    {
        installMailClient(3);
        const QString window = startEpisode();
        QVERIFY(!window.isEmpty());
        m_x.xdotool({"key", "Tab", "Tab", "space"});
        const QString box = m_x.window("^Error$");
        QVERIFY(!box.isEmpty());
        QVERIFY(QFile::exists(dumps() + "/Crash Report 0.cdp"));
        m_x.xdotool({"windowactivate", "--sync", box, "key", "Return"});
        endEpisode(window);
    }

    // The operator saves, then deletes the saved package before closing: the Crash Dumps copy
    // stays, with the comments.
    void savedPackageGoneBeforeClosing()
    {
        const QString window = startEpisode();
        QVERIFY(!window.isEmpty());
        m_x.xdotool({"type", "--delay", "20", "fan noise"});
        m_x.xdotool({"key", "Tab", "space"});
        QVERIFY(!m_x.window("Save crash dump file").isEmpty());
        m_x.xdotool({"type", "--delay", "20", path("chosen")});
        m_x.xdotool({"key", "Return"});
        QTRY_VERIFY(entryData(path("chosen.cdp"), "report.xml").contains("fan noise"));
        QVERIFY(QFile::remove(path("chosen.cdp")));
        endEpisode(window);
        QVERIFY(entryData(dumps() + "/Crash Report 0.cdp", "report.xml")
                    .contains("<Comments>fan noise</Comments>"));
    }

    // Another episode takes the name of this one's package once it was moved away: whatever
    // this one does on its way out, the other's package stays as it was.
    void anotherEpisodesPackageStays_data()
    {
        QTest::addColumn<bool>("savedFirst"); // the operator saved a package of this one
        QTest::newRow("closing") << false;
        QTest::newRow("saved elsewhere first") << true;
    }

    void anotherEpisodesPackageStays()
    {
        QFETCH(bool, savedFirst);
        const QString window = startEpisode();
        QVERIFY(!window.isEmpty());
        const QString first = dumps() + "/Crash Report 0.cdp";
        QVERIFY(QFile::rename(first, path("moved.cdp")));
        ProcessGroup other;
        other.setProcessEnvironment(m_simulator->processEnvironment());
        other.startGroup(qEnvironmentVariable("Q5_BIN_DIR") + "/q5-controller-sim",
                         {"--timeout", "60", "--instance", "7", "--delay", "0", "--serial", "OTHER",
                          "--data-file", path("other.dat"), "--dump", path("other.dmp"),
                          "--dump-size", "5000"});
        QVERIFY(other.waitForFinished(30000));
        QCOMPARE(other.exitCode(), 0);
        const QByteArray others = readFile(first);
        QVERIFY(entryData(first, "report.xml").contains("<Serial>OTHER</Serial>"));
        m_x.xdotool({"windowactivate", "--sync", window, "type", "--delay", "20", "dim"});
        if (savedFirst) {
            m_x.xdotool({"key", "Tab", "space"});
            QVERIFY(!m_x.window("Save crash dump file").isEmpty());
            m_x.xdotool({"type", "--delay", "20", path("chosen")});
            m_x.xdotool({"key", "Return"});
            QTRY_VERIFY(entryData(path("chosen.cdp"), "report.xml").contains("dim"));
        }
        endEpisode(window);
        QCOMPARE(readFile(first), others);
        QVERIFY(QFile::exists(path("moved.cdp")));
        // Unless the operator's package holds it, the crash is kept under the next name.
        QCOMPARE(entryData(dumps() + "/Crash Report 1.cdp", "report.xml")
                     .contains("<Comments>dim</Comments>"),
                 !savedFirst);
    }

    // A mail program that fails after the reporter stopped waiting for it: the result line
    // says so while the dialog is open.
    void mailProgramFailingLaterIsShown()
    {
        installSlowFailingMailClient();
        const QString window = startEpisode();
        QVERIFY(!window.isEmpty());
        m_x.xdotool({"key", "Tab", "Tab", "space"});
        QTRY_VERIFY_WITH_TIMEOUT(labels().contains("The mail program reported a problem "
                                                   "(status 3)"),
                                 15000);
        endEpisode(window);
    }

    // A display that goes away (the end of a session) takes Qt down without the event loop;
    // the crash is kept with what was typed, and the status is still 0; every log line keeps
    // its time. Last: the X server is gone afterwards.
    void displayThatDiesKeepsTheCrash()
    {
        installMailClient(0);
        QVERIFY(!startEpisode().isEmpty());
        m_x.xdotool({"type", "--delay", "20", "last words"});
        // The hand-off starts once the keys before it were handled.
        m_x.xdotool({"key", "Tab", "Tab", "space"});
        QTRY_VERIFY(QFile::exists(path("mail-done")));
        m_x.stopServer();
        waitForTheEnd();
        QVERIFY(entryData(dumps() + "/Crash Report 0.cdp", "report.xml")
                    .contains("<Comments>last words</Comments>"));
        const QStringList lines = log().split('\n', Qt::SkipEmptyParts);
        QVERIFY(lines.size() > 5);
        for (const QString& line : lines)
            QVERIFY2(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ \\d+ ")
                         .match(line)
                         .hasMatch(),
                     qPrintable(line));
    }
};

QTEST_GUILESS_MAIN(TestOperatorEpisode)
#include "tst_operator_episode.moc"
