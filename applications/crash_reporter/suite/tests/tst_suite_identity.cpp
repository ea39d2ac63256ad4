#include "suite_identity.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestSuiteIdentity : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void names()
    {
        const auto name = [](SuiteApplication application, ProductModel model) {
            return applicationName({application, model});
        };
        QCOMPARE(name(SuiteApplication::ControllerCrashDesk, 5), "Varnel Q5-S50 Crash Desk");
        QCOMPARE(name(SuiteApplication::ControllerCrashDesk, {}), "Varnel Q5 Crash Desk");
        QCOMPARE(name(SuiteApplication::ControllerWatchdog, 2), "Varnel Q5-S20 Watchdog");
        QCOMPARE(name(SuiteApplication::Controller, 9), "Varnel ");
        QCOMPARE(name(SuiteApplication(7), 0), "Varnel ");
    }

    void crashDumpsPathCreatesBothLevels()
    {
        QTemporaryDir home;
        // An empty XDG config folder: Documents then means $HOME/Documents.
        const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
        const QString expected = home.path() + "/Documents/Varnel Professional/Q5-PC/Crash Dumps/";
        QCOMPARE(crashDumpsPath(SuiteApplication::Controller), expected);
        QVERIFY(QDir(expected).exists());
        qputenv("HOME", oldHome);
        qputenv("XDG_CONFIG_HOME", oldConfig);
    }
};

QTEST_GUILESS_MAIN(TestSuiteIdentity)
#include "tst_suite_identity.moc"
