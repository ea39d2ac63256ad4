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
        QCOMPARE(QCoreApplication::applicationVersion(), QString("6.4.0"));
        QCOMPARE(QCoreApplication::applicationName(), QString("Varnel Q5-PC Crash Desk"));
        QCOMPARE(QGuiApplication::highDpiScaleFactorRoundingPolicy(),
                 Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    }

    void launchedRunsOnceAfterConstruction()
    {
        QTRY_COMPARE(application->launchCount, 1);
        QVERIFY(application->constructedBeforeLaunch);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(application->launchCount, 1);
    }

    void productModelRenamesOnlyOnChange()
    {
        QSignalSpy renamed(application, &QCoreApplication::applicationNameChanged);
        for (const ProductModel model :
             {ProductModel{0}, ProductModel{}, ProductModel{}, ProductModel{3}})
            application->setProductModel(model);
        QCOMPARE(QCoreApplication::applicationName(), QString("Varnel Q5-S30 Crash Desk"));
        application->setProductModel(std::uint8_t{0});
        QCOMPARE(renamed.count(), 3);
    }

    void dpiChangeReachesWindowsOnThatScreenOnce()
    {
        QScreen* screen = QGuiApplication::primaryScreen();
        // Announcing the screen again must not add a second handler.
        Q_EMIT application->screenAdded(screen);
        QWindow window;
        window.setScreen(screen);
        QSignalSpy topLevel(&window, &QWindow::screenChanged);
        window.create();
        topLevel.clear();
        Q_EMIT screen->logicalDotsPerInchChanged(120);
        QCOMPARE(topLevel.count(), 0); // queued
        QTRY_COMPARE(topLevel.count(), 1);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(topLevel.count(), 1);
        QCOMPARE(topLevel.first().first().value<QScreen*>(), screen);
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
