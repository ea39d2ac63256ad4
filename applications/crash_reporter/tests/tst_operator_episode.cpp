#include "test_support.h"
#include "x_session.h"

#include <QDir>
#include <QTest>

// Whole crash episodes as an operator meets them on a desktop: the simulator starts the
// reporter, whose dialog is driven with the keyboard on a real X server.
class TestOperatorEpisode : public QObject
{
    Q_OBJECT

private:
    XSession m_x;
    QTemporaryDir m_sandbox;
    std::unique_ptr<QProcess> m_simulator;

    QString path(const QString& name) const { return m_sandbox.filePath(name); }
    QString dumps() const { return path("Documents/Varnel Professional/Q5-PC/Crash Dumps"); }

    // Starts an episode that asks for the dialog and returns the dialog's window.
    QString startEpisode()
    {
        QProcessEnvironment environment = m_x.environment();
        environment.insert("HOME", m_sandbox.path());
        environment.insert("XDG_CONFIG_HOME", path("config"));
        environment.insert("XDG_CACHE_HOME", path("cache"));
        environment.insert("PATH", path("bin") + ":" + environment.value("PATH"));
        m_simulator = std::make_unique<QProcess>();
        m_simulator->setProcessEnvironment(environment);
        m_simulator->start(qEnvironmentVariable("Q5_BIN_DIR") + "/q5-controller-sim",
                           {"--timeout", "60", "--data-file", path("crash.dat"), "--dump",
                            path("c.dmp"), "--dump-size", "100000"});
        const QString window = m_x.window("Varnel Q5-PC Crash Desk");
        m_x.xdotool({"windowactivate", "--sync", window});
        return window;
    }

    void endEpisode(const QString& window)
    {
        m_x.xdotool({"windowactivate", "--sync", window, "key", "alt+F4"});
        QVERIFY(m_simulator->waitForFinished(20000));
        QCOMPARE(m_simulator->exitCode(), 0); // the reporter said "connected" and ended with 0
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
        if (m_simulator && m_simulator->state() != QProcess::NotRunning) {
            m_simulator->kill();
            m_simulator->waitForFinished();
        }
        QDir(dumps()).removeRecursively();
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

    // Closing at once must not lose the crash.
    void closingSavesIntoTheCrashDumps()
    {
        endEpisode(startEpisode());
        QCOMPARE(entryNames(dumps() + "/Crash Report 0.cdp"), QStringList({"c.dmp", "report.xml"}));
    }

    void failedMailHandOffIsShown()
    {
        QVERIFY(writeFile(path("bin/xdg-email"), "#!/bin/sh\nexit 3\n"));
        QFile::setPermissions(path("bin/xdg-email"),
                              QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const QString window = startEpisode();
        m_x.xdotool({"key", "Tab", "Tab", "space"});
        const QString box = m_x.window("^Error$");
        QVERIFY(!box.isEmpty());
        QVERIFY(QFile::exists(dumps() + "/Crash Report 0.cdp"));
        m_x.xdotool({"windowactivate", "--sync", box, "key", "Return"});
        endEpisode(window);
        QFile::remove(path("bin/xdg-email"));
    }
};

QTEST_GUILESS_MAIN(TestOperatorEpisode)
#include "tst_operator_episode.moc"
