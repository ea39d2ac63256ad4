#include "tessera/application/application.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

namespace {

// Records when launched() runs relative to construction.
class RecordingApplication : public Tessera::Application<QApplication>
{
public:
    RecordingApplication(int& argc, char** argv)
        : Tessera::Application<QApplication>(argc, argv,
                                             {.organisationName = QStringLiteral("Maker"),
                                              .organisationDomain = QStringLiteral("maker.test"),
                                              .applicationName = QStringLiteral("First"),
                                              .version = {2, 7, 1, 0},
                                              .legalName = QStringLiteral("Maker Ltd"),
                                              .buildCommit = QStringLiteral("abcdef0"),
                                              .buildDate = QStringLiteral("Dec  8 2026"),
                                              .buildTime = QStringLiteral("10:00:00")})
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

    void descriptionNamesTheApplication()
    {
        QCOMPARE(QCoreApplication::organizationName(), QString("Maker"));
        QCOMPARE(QCoreApplication::organizationDomain(), QString("maker.test"));
        QCOMPARE(QCoreApplication::applicationVersion(), QString("2.7.1"));
        QCOMPARE(Tessera::ApplicationBase::instance(), application);
    }

    void renamesOnlyOnChange()
    {
        QSignalSpy renamed(application, &QCoreApplication::applicationNameChanged);
        for (const char* name : {"First", "Second", "Second", "Third"})
            application->renameApplication(QString::fromLatin1(name));
        QCOMPARE(QCoreApplication::applicationName(), QString("Third"));
        QCOMPARE(application->description().applicationName, QString("Third"));
        application->renameApplication(QStringLiteral("First"));
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
