#include "suite_identity.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(SuiteApplication)
Q_DECLARE_METATYPE(ProductModel)

class TestSuiteIdentity : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void names_data()
    {
        QTest::addColumn<SuiteApplication>("application");
        QTest::addColumn<ProductModel>("model");
        QTest::addColumn<QString>("expected");
        QTest::newRow("crash desk S50") << SuiteApplication::ControllerCrashDesk << ProductModel{5}
                                        << "Varnel Q5-S50 Crash Desk";
        QTest::newRow("crash desk, no model")
            << SuiteApplication::ControllerCrashDesk << ProductModel{} << "Varnel Q5 Crash Desk";
        QTest::newRow("controller, model 9")
            << SuiteApplication::Controller << ProductModel{9} << "Varnel ";
        QTest::newRow("watchdog S20")
            << SuiteApplication::ControllerWatchdog << ProductModel{2} << "Varnel Q5-S20 Watchdog";
        QTest::newRow("value 7") << SuiteApplication(7) << ProductModel{0} << "Varnel ";
    }

    void names()
    {
        QFETCH(SuiteApplication, application);
        QFETCH(ProductModel, model);
        QFETCH(QString, expected);
        QCOMPARE(applicationName({application, model}), expected);
    }

    void crashDumpsPathCreatesBothLevels()
    {
        QTemporaryDir home;
        // An empty XDG config folder: Documents then means $HOME/Documents.
        const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", oldHome);
            qputenv("XDG_CONFIG_HOME", oldConfig);
        });
        const QString expected = home.path() + "/Documents/Varnel Professional/Q5-PC/Crash Dumps/";
        QCOMPARE(crashDumpsPath(SuiteApplication::Controller), expected);
        QVERIFY(QDir(expected).exists());
        QCOMPARE(crashDumpsPath(SuiteApplication::ControllerWatchdog),
                 home.path() + "/Documents/Varnel Professional/Q5-PC Watchdog/Crash Dumps/");
    }
};

QTEST_GUILESS_MAIN(TestSuiteIdentity)
#include "tst_suite_identity.moc"
