#include "application/application.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

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
};

int main(int argc, char* argv[])
{
    RecordingApplication app(argc, argv);
    application = &app;
    TestApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
