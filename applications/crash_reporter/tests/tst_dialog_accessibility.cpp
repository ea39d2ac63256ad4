#include "tessera/tests/x_session.h"
#include "test_support.h"

#include <QDir>
#include <QTest>

// The crash dialog as a screen reader meets it: through the Linux accessibility bus (AT-SPI)
// of a private session bus, with the reporter started as a process on a real X server.
class TestDialogAccessibility : public QObject
{
    Q_OBJECT

private:
    XSession m_x;
    QTemporaryDir m_sandbox;
    std::unique_ptr<ProcessGroup> m_simulator;

    // What the probe reads of the dialog's application: role and name of each control.
    QStringList probe(const QString& mode) const
    {
        return QString::fromUtf8(
                   m_x.run("/usr/bin/python3", {qEnvironmentVariable("Q5_ATSPI_PROBE"), mode,
                                                "Varnel Q5-S30 Crash Desk"}))
            .split('\n', Qt::SkipEmptyParts);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"),
                 "runs under dbus-run-session");
        QVERIFY2(m_x.start(),
                 "Xvfb, openbox or xdotool is missing, or openbox failed: " + m_x.failure());
        // The accessibility bus and its registry start on the first question.
        probe("controls");
    }

    void cleanup()
    {
        if (m_simulator)
            m_simulator->end();
    }

    // The application is named for the failed controller's model. The editor is announced as
    // "Comments", not after its group box; focus starts there and follows Tab to Save, then
    // Email. While the package that keeps the crash from the start is written, Save and Email
    // say they are unavailable and the progress bar shows.
    void screenReaderFollowsTheKeyboard()
    {
        QProcessEnvironment environment = m_x.environment();
        environment.insert("HOME", m_sandbox.path());
        environment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        m_simulator = std::make_unique<ProcessGroup>();
        m_simulator->setProcessEnvironment(environment);
        m_simulator->startGroup(qEnvironmentVariable("Q5_BIN_DIR") + "/q5-controller-sim",
                                {"--timeout", "60", "--model", "3", "--data-file",
                                 m_sandbox.filePath("crash.dat"), "--dump",
                                 m_sandbox.filePath("c.dmp"), "--dump-size",
                                 QString::number(256 * 1024 * 1024)});
        const QString window = m_x.window("Varnel Q5-S30 Crash Desk");
        QVERIFY(!window.isEmpty());
        m_x.xdotool({"windowactivate", "--sync", window});
        QTRY_COMPARE(probe("controls"), QStringList({"text|Comments", "push button|Save|disabled",
                                                     "push button|Email|disabled",
                                                     "progress bar|Writing the package"}));
        QTRY_COMPARE_WITH_TIMEOUT(
            probe("controls"),
            QStringList({"text|Comments", "push button|Save", "push button|Email"}), 60000);
        QTRY_COMPARE(probe("focused"), QStringList{"text|Comments"});
        m_x.xdotool({"key", "Tab"});
        QTRY_COMPARE(probe("focused"), QStringList{"push button|Save"});
        m_x.xdotool({"key", "Tab"});
        QTRY_COMPARE(probe("focused"), QStringList{"push button|Email"});
        m_x.xdotool({"key", "alt+F4"});
        QVERIFY(m_simulator->waitForFinished(20000));
        QCOMPARE(m_simulator->exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDialogAccessibility)
#include "tst_dialog_accessibility.moc"
