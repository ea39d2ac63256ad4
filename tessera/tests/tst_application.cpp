#include "application/application.h"

#include <QApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

namespace {

// Records when launched() runs relative to construction.
class RecordingApplication : public Tessera::Application<QApplication>
{
public:
    RecordingApplication(int& argc, char** argv)
        : Tessera::Application<QApplication>(
              argc, argv, {SuiteApplication::ControllerCrashDesk, std::uint8_t{0}})
    {
        constructed = true;
    }

    bool constructed = false;
    bool constructedBeforeLaunch = false;
    int launchCount = 0;

protected:
    void launched() override
    {
        constructedBeforeLaunch = constructed;
        ++launchCount;
    }
};

RecordingApplication* application = nullptr;

} // namespace

class TestApplication : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void identityIsSetOnConstruction()
    {
        QCOMPARE(QCoreApplication::organizationName(), QString("Varnel Professional"));
        QCOMPARE(QCoreApplication::organizationDomain(), QString("varnel.example"));
        QCOMPARE(QCoreApplication::applicationVersion(), QString("6.4.0"));
        QCOMPARE(QCoreApplication::applicationName(), QString("Varnel Q5-PC Crash Desk"));
        QVERIFY(QCoreApplication::testAttribute(Qt::AA_DontCreateNativeWidgetSiblings));
        QCOMPARE(QGuiApplication::highDpiScaleFactorRoundingPolicy(),
                 Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    }

    void launchedRunsOnceAfterConstruction()
    {
        QTRY_COMPARE(application->launchCount, 1);
        QVERIFY(application->constructedBeforeLaunch);
        QTest::qWait(50);
        QCOMPARE(application->launchCount, 1);
    }

    void productModelRenamesOnlyOnChange()
    {
        QSignalSpy renamed(application, &QCoreApplication::applicationNameChanged);
        application->setProductModel(std::uint8_t{0});
        QCOMPARE(renamed.count(), 0);
        application->setProductModel(std::nullopt);
        QCOMPARE(renamed.count(), 1);
        QCOMPARE(QCoreApplication::applicationName(), QString("Varnel Q5 Crash Desk"));
        application->setProductModel(std::nullopt);
        QCOMPARE(renamed.count(), 1);
        application->setProductModel(std::uint8_t{3});
        QCOMPARE(QCoreApplication::applicationName(), QString("Varnel Q5-S30 Crash Desk"));
        application->setProductModel(std::uint8_t{0});
        QCOMPARE(renamed.count(), 3);
    }

    void themeModeIsStoredWhenItChanges()
    {
        QCOMPARE(application->requestedThemeMode(), ThemeMode::Dark);
        application->setThemeMode(ThemeMode::Light);
        QCOMPARE(application->requestedThemeMode(), ThemeMode::Light);
        application->setThemeMode(ThemeMode::Dark);
    }

    void dpiChangeReachesWindowsOnThatScreenOnce()
    {
        QScreen* screen = QGuiApplication::primaryScreen();
        QVERIFY(screen->property("tsr_screen_change_handler").toBool());
        // Announcing the screen again must not add a second handler.
        Q_EMIT application->screenAdded(screen);

        QWindow window;
        window.setScreen(screen);
        QWindow child(&window);
        QSignalSpy topLevel(&window, &QWindow::screenChanged);
        QSignalSpy inner(&child, &QWindow::screenChanged);
        window.create();
        topLevel.clear();
        Q_EMIT screen->logicalDotsPerInchChanged(120);
        // Queued: nothing before the event loop turns.
        QCOMPARE(topLevel.count(), 0);
        QTRY_COMPARE(topLevel.count(), 1);
        QCOMPARE(inner.count(), 1);
        QCOMPARE(topLevel.first().first().value<QScreen*>(), screen);
        QTest::qWait(20);
        QCOMPARE(topLevel.count(), 1);
    }
};

int main(int argc, char* argv[])
{
    RecordingApplication app(argc, argv);
    application = &app;
    TestApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
