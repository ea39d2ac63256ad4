#include "suite_identity.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(SuiteApplication)
Q_DECLARE_METATYPE(ProductModel)

class TestSuiteIdentity : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void suiteApplicationNames_data()
    {
        QTest::addColumn<SuiteApplication>("application");
        QTest::addColumn<ProductModel>("model");
        QTest::addColumn<QString>("expected");

        const auto app = [](int value) {
            return static_cast<SuiteApplication>(value);
        };
        QTest::newRow("key tool") << app(0) << ProductModel{} << "Unit Code Builder";
        QTest::newRow("controller S10") << app(1) << ProductModel{1} << "Q5-S10";
        QTest::newRow("controller unknown") << app(1) << ProductModel{} << "Q5";
        QTest::newRow("controller model 9") << app(1) << ProductModel{9} << "";
        QTest::newRow("watchdog S20") << app(2) << ProductModel{2} << "Q5-S20 Watchdog";
        QTest::newRow("crash desk PC") << app(3) << ProductModel{0} << "Q5-PC Crash Desk";
        QTest::newRow("crash desk unknown") << app(3) << ProductModel{} << "Q5 Crash Desk";
        QTest::newRow("crash desk S50") << app(3) << ProductModel{5} << "Q5-S50 Crash Desk";
        QTest::newRow("stage preview") << app(4) << ProductModel{} << "Q5 Stage Preview";
        QTest::newRow("console mimic") << app(5) << ProductModel{} << "Console Mimic";
        QTest::newRow("restore assistant")
            << app(6) << ProductModel{} << "Q5-S30/S40 Restore Assistant";
        QTest::newRow("value 7") << app(7) << ProductModel{0} << "";
    }

    void suiteApplicationNames()
    {
        QFETCH(SuiteApplication, application);
        QFETCH(ProductModel, model);
        QFETCH(QString, expected);
        QCOMPARE(suiteApplicationName({application, model}), expected);
    }

    void applicationNames()
    {
        QCOMPARE(applicationName({SuiteApplication::ControllerCrashDesk, 0}),
                 QString("Varnel Q5-PC Crash Desk"));
        QCOMPARE(applicationName({SuiteApplication::ControllerCrashDesk, std::nullopt}),
                 QString("Varnel Q5 Crash Desk"));
    }

    void productModelNames()
    {
        const QStringList expected = {"Q5-PC", "Q5-S10", "Q5-S20", "Q5-S30", "Q5-S40", "Q5-S50"};
        for (int model = 0; model < 256; ++model)
            QCOMPARE(productModelName(std::uint8_t(model)),
                     model < 6 ? expected[model] : QString());
    }

    void crashDumpsPathCreatesBothLevels()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        // An empty XDG config folder: Documents then means $HOME/Documents.
        const QByteArray oldHome = qgetenv("HOME");
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", oldHome);
            qputenv("XDG_CONFIG_HOME", oldConfig);
        });

        const QString expected = home.path() + "/Documents/Varnel Professional/Q5-PC/Crash Dumps/";
        QVERIFY(!QDir(home.path() + "/Documents/Varnel Professional").exists());
        QCOMPARE(crashDumpsPath(SuiteApplication::Controller), expected);
        QVERIFY(QDir(expected).exists());
        // Asking again finds what is there.
        QCOMPARE(crashDumpsPath(SuiteApplication::Controller), expected);
        QCOMPARE(crashDumpsPath(SuiteApplication::ControllerWatchdog),
                 home.path() + "/Documents/Varnel Professional/Q5-PC Watchdog/Crash Dumps/");
    }

    void buildConstantsHaveTheirForms()
    {
        QVERIFY(QRegularExpression("^[A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4}$")
                    .match(buildDate())
                    .hasMatch());
        QVERIFY(
            QRegularExpression("^[0-2][0-9]:[0-5][0-9]:[0-5][0-9]$").match(buildTime()).hasMatch());
        QVERIFY(QRegularExpression("^[0-9a-f]{7}$").match(buildCommit()).hasMatch());
    }

    void programVersionText()
    {
        QCOMPARE(Orrery::versionString<QString>(Suite::ProgramVersion, true), QString("6.4.0"));
    }
};

QTEST_GUILESS_MAIN(TestSuiteIdentity)
#include "tst_suite_identity.moc"
