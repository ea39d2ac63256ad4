#include "app/q5_crash_reporter_application.h"
#include "crash_channel_writer.h"
#include "diagnostics/log.h"
#include "package_reading.h"
#include "suite_identity.h"
#include "test_files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// The real application class, without the launch hook: the tests drive each step.
class TestableApplication : public Q5CrashReporterApplication
{
public:
    using Q5CrashReporterApplication::Q5CrashReporterApplication;
    using Q5CrashReporterApplication::readCrashData;

protected:
    void launched() override {}
};

TestableApplication* application = nullptr;
QTemporaryDir* sandbox = nullptr;

std::vector<std::string> logged;

void collectingSink(std::int32_t, std::int64_t, const char* text, void*)
{
    logged.emplace_back(text);
}

int countLogged(const char* text)
{
    return int(std::count(logged.begin(), logged.end(), std::string(text)));
}

// Answers the next modal dialogs, one handler each, as an operator would.
void answerModalDialogs(std::vector<std::function<bool(QWidget*)>> handlers)
{
    auto pending = std::make_shared<decltype(handlers)>(std::move(handlers));
    auto* timer = new QTimer(application);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, pending] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || pending->empty())
            return;
        if (pending->front()(modal))
            pending->erase(pending->begin());
        if (pending->empty())
            timer->deleteLater();
    });
    timer->start(20);
}

std::function<bool(QWidget*)> chooseFile(const QString& answer, QString* shownFolder = nullptr,
                                         QString* title = nullptr)
{
    return [=](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (dialog == nullptr)
            return false;
        if (shownFolder)
            *shownFolder = dialog->directory().absolutePath();
        if (title)
            *title = dialog->windowTitle();
        if (answer.isEmpty()) {
            QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
        } else {
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(answer);
            // Queued, so that a dialog it opens in turn can be answered by the next handler.
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        }
        return true;
    };
}

std::function<bool(QWidget*)> pressButton(QMessageBox::StandardButton button,
                                          QString* text = nullptr, QString* title = nullptr,
                                          int* buttonCount = nullptr)
{
    return [=](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr || box->button(button) == nullptr)
            return false;
        if (text)
            *text = box->text();
        if (title)
            *title = box->windowTitle();
        if (buttonCount)
            *buttonCount = int(box->buttons().size());
        QMetaObject::invokeMethod(box->button(button), "click", Qt::QueuedConnection);
        return true;
    };
}

void loadCrashData(const QString& dumpPath)
{
    SimulatedCrashData data;
    data.dumpFilePath = dumpPath;
    data.crashTime = QDateTime(QDate(2026, 12, 5), QTime(20, 53, 47));
    data.outputLog = QStringList{"line"};
    const QString path = sandbox->filePath("crash.dat");
    QVERIFY(TestFiles::write(path, serializeCrashData(data)));
    application->readCrashData(path);
    QVERIFY(!QFile::exists(path));
}

QString fakeMailClientFolder()
{
    return sandbox->filePath("fake-bin");
}

// A stand-in for xdg-email that records its arguments and what it was given to attach.
void installFakeMailClient(const QByteArray& status, int delaySeconds = 0)
{
    QDir().mkpath(fakeMailClientFolder());
    const QString script = fakeMailClientFolder() + "/xdg-email";
    const QByteArray text = "#!/bin/sh\n"
                            "printf '%s\\n' \"$@\" > \"" +
                            sandbox->filePath("mail-arguments").toUtf8() +
                            "\"\n"
                            "while [ $# -gt 0 ]; do\n"
                            "  if [ \"$1\" = --attach ]; then cp \"$2\" \"" +
                            sandbox->filePath("mailed.cdp").toUtf8() +
                            "\"; fi\n"
                            "  shift\n"
                            "done\n"
                            "cd /\n"
                            "sleep " +
                            QByteArray::number(delaySeconds) +
                            "\n"
                            "exit " +
                            status + "\n";
    QVERIFY(TestFiles::write(script, text));
    QFile::setPermissions(script,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::remove(sandbox->filePath("mail-arguments"));
    QFile::remove(sandbox->filePath("mailed.cdp"));
}

} // namespace

class TestReporterApplication : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        logged.clear();
        Orrery::addLogSink(collectingSink, nullptr);
    }

    void cleanup()
    {
        application->cancelAutoAction();
        Orrery::removeLogSink(collectingSink);
    }

    void mouseMovesMeasuredFromTheFirstPoint_data()
    {
        QTest::addColumn<QList<QPoint>>("moves");
        QTest::addColumn<bool>("running");
        QTest::newRow("6 right 3 down keeps") << QList<QPoint>{{100, 100}, {106, 103}} << true;
        QTest::newRow("6 right 4 down cancels") << QList<QPoint>{{100, 100}, {106, 104}} << false;
        QTest::newRow("small steps add up")
            << QList<QPoint>{{0, 0}, {3, 0}, {6, 0}, {9, 0}, {10, 0}} << false;
        QTest::newRow("back and forth stays near")
            << QList<QPoint>{{50, 50}, {55, 54}, {50, 50}, {46, 46}} << true;
    }

    void mouseMovesMeasuredFromTheFirstPoint()
    {
        QFETCH(QList<QPoint>, moves);
        QFETCH(bool, running);
        QWidget widget;
        application->armAutoAction(std::chrono::seconds(30));
        for (const QPoint& point : moves) {
            QMouseEvent move(QEvent::MouseMove, point, widget.mapToGlobal(point), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(&widget, &move);
        }
        QCOMPARE(application->isAutoActionRunning(), running);
        QCOMPARE(countLogged("Canceled auto-action timer\n"), running ? 0 : 1);
        if (running) {
            // A far move cancels and so forgets the remembered point for the next row.
            const QPoint far(5000, 5000);
            QMouseEvent move(QEvent::MouseMove, far, far, Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QApplication::sendEvent(&widget, &move);
        }
    }

    void pressesCancel_data()
    {
        QTest::addColumn<bool>("armed");
        QTest::addColumn<bool>("key");
        QTest::newRow("key press") << true << true;
        QTest::newRow("mouse press") << true << false;
        QTest::newRow("key press, nothing running") << false << true;
        QTest::newRow("mouse press, nothing running") << false << false;
    }

    void pressesCancel()
    {
        QFETCH(bool, armed);
        QFETCH(bool, key);
        QWidget widget;
        if (armed)
            application->armAutoAction(std::chrono::seconds(30));
        if (key) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
            QApplication::sendEvent(&widget, &press);
        } else {
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1),
                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&widget, &press);
        }
        QVERIFY(!application->isAutoActionRunning());
        QCOMPARE(countLogged("Canceled auto-action timer\n"), armed ? 1 : 0);
    }

    void productModelNamesTheApplication()
    {
        QSignalSpy renamed(application, &QCoreApplication::applicationNameChanged);
        QCOMPARE(QCoreApplication::applicationName(), QString("Varnel Q5-PC Crash Desk"));
        application->setProductModel(std::nullopt);
        QCOMPARE(QCoreApplication::applicationName(), QString("Varnel Q5 Crash Desk"));
        application->setProductModel(std::nullopt);
        QCOMPARE(renamed.count(), 1);
        application->setProductModel(std::uint8_t{0});
    }

    void saveDialogAnswers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("saved");
        QTest::newRow("extension added") << "report"
                                         << "report.cdp";
        QTest::newRow("upper-case extension is not ours") << "report.CDP"
                                                          << "report.CDP.cdp";
        QTest::newRow("extension kept") << "kept.cdp"
                                        << "kept.cdp";
    }

    void saveDialogAnswers()
    {
        QFETCH(QString, answer);
        QFETCH(QString, saved);
        const QString dump = sandbox->filePath("controller.dmp");
        QVERIFY(TestFiles::write(dump, TestFiles::randomBytes(50000, 7)));
        loadCrashData(dump);

        const QString folder = sandbox->filePath("chosen");
        QDir().mkpath(folder);
        QString shownFolder, title;
        answerModalDialogs({chooseFile(folder + "/" + answer, &shownFolder, &title)});
        QVERIFY(application->saveCrashReport());
        QCOMPARE(title, QString("Save crash dump file"));
        QCOMPARE(shownFolder + "/", crashDumpsPath(SuiteApplication::Controller));
        QCOMPARE(PackageReading::entryNames(folder + "/" + saved),
                 QStringList({"controller.dmp", "report.xml"}));
        QCOMPARE(countLogged("Saving crash report\n"), 1);
    }

    void saveOverAnExistingFileReplacesIt()
    {
        const QString dump = sandbox->filePath("controller.dmp");
        QVERIFY(TestFiles::write(dump, TestFiles::randomBytes(50000, 8)));
        loadCrashData(dump);
        const QString target = sandbox->filePath("existing.cdp");
        QVERIFY(TestFiles::write(target, "not a package"));
        answerModalDialogs({chooseFile(target), pressButton(QMessageBox::Yes)});
        QVERIFY(application->saveCrashReport());
        QCOMPARE(PackageReading::entryData(target, "controller.dmp"), TestFiles::read(dump));
    }

    void cancelledSaveDoesNothing()
    {
        answerModalDialogs({chooseFile({})});
        QVERIFY(!application->saveCrashReport());
        QCOMPARE(countLogged("Creating dump package\n"), 0);
    }

    void failedSaveShowsTheErrorBox()
    {
        loadCrashData(sandbox->filePath("no-such.dmp"));
        QString text, title;
        int buttons = 0;
        answerModalDialogs({chooseFile(sandbox->filePath("never")),
                            pressButton(QMessageBox::Ok, &text, &title, &buttons)});
        QTest::ignoreMessage(QtDebugMsg, "Error: dump file not found");
        QVERIFY(!application->saveCrashReport());
        QCOMPARE(title, QString("Error"));
        QCOMPARE(text, QString("There was a problem saving the crash report."));
        QCOMPARE(buttons, 1);
        QVERIFY(!QFile::exists(sandbox->filePath("never.cdp")));
    }

    void mailStatuses_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<bool>("success");
        QTest::newRow("0 ok") << QByteArray("0") << true;
        QTest::newRow("1 syntax") << QByteArray("1") << false;
        QTest::newRow("2 file missing") << QByteArray("2") << false;
        QTest::newRow("3 no tool") << QByteArray("3") << false;
        QTest::newRow("4 action failed") << QByteArray("4") << false;
        QTest::newRow("5 file unreadable") << QByteArray("5") << false;
    }

    void mailStatuses()
    {
        QFETCH(QByteArray, status);
        QFETCH(bool, success);
        const QString dump = sandbox->filePath("controller.dmp");
        QVERIFY(TestFiles::write(dump, TestFiles::randomBytes(70000, 9)));
        loadCrashData(dump);
        installFakeMailClient(status);
        const QString directory = QDir::currentPath();

        QCOMPARE(application->sendCrashReport(), success);

        QCOMPARE(QDir::currentPath(), directory);
        const QString attachment = QDir::tempPath() + "/crash_log.cdp";
        QCOMPARE(
            QString::fromUtf8(TestFiles::read(sandbox->filePath("mail-arguments"))).split('\n'),
            QStringList({"--utf8", "--subject", "Q5-PC Crash Report", "--body",
                         "Your Q5-PC crash report is attached to this email.", "--attach",
                         attachment, "service@varnel.example", ""}));
        // What the mail client got is a complete package, and it stays for the client.
        const QString mailed = sandbox->filePath("mailed.cdp");
        QCOMPARE(PackageReading::entryNames(mailed), QStringList({"controller.dmp", "report.xml"}));
        QCOMPARE(PackageReading::entryData(mailed, "controller.dmp"), TestFiles::read(dump));
        QVERIFY(QFile::exists(attachment));
        QCOMPARE(countLogged("Sending crash report\n"), 1);
    }

    void slowMailClientDoesNotHoldTheDialog()
    {
        const QString dump = sandbox->filePath("controller.dmp");
        QVERIFY(TestFiles::write(dump, "dump"));
        loadCrashData(dump);
        installFakeMailClient("0", 30);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(application->sendCrashReport());
        QVERIFY2(timer.elapsed() < 15000, "the hand-off kept the operator waiting");
        QTRY_VERIFY(QFile::exists(sandbox->filePath("mailed.cdp")));
    }

    void missingMailClientIsAFailure()
    {
        const QString dump = sandbox->filePath("controller.dmp");
        QVERIFY(TestFiles::write(dump, "dump"));
        loadCrashData(dump);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", sandbox->filePath("empty-bin").toUtf8());
        const bool sent = application->sendCrashReport();
        qputenv("PATH", path);
        QVERIFY(!sent);
    }

    void failedMailPackageShowsTheErrorBox()
    {
        loadCrashData(sandbox->filePath("no-such.dmp"));
        installFakeMailClient("0");
        QString text;
        answerModalDialogs({pressButton(QMessageBox::Ok, &text)});
        QTest::ignoreMessage(QtDebugMsg, "Error: dump file not found");
        QVERIFY(!application->sendCrashReport());
        QCOMPARE(
            text,
            QString("There was a problem creating a crash report package to attach to the email."));
        QVERIFY(!QFile::exists(sandbox->filePath("mail-arguments")));
    }
};

int main(int argc, char* argv[])
{
    // Everything the application touches lives in a private folder.
    QTemporaryDir folder;
    sandbox = &folder;
    QDir().mkpath(folder.filePath("tmp"));
    QDir().mkpath(folder.filePath("runtime"));
    qputenv("HOME", folder.path().toUtf8());
    qputenv("TMPDIR", folder.filePath("tmp").toUtf8());
    qputenv("XDG_CONFIG_HOME", folder.filePath("config").toUtf8());
    qputenv("XDG_RUNTIME_DIR", folder.filePath("runtime").toUtf8());
    qputenv("PATH", folder.filePath("fake-bin").toUtf8() + ":" + qgetenv("PATH"));
    QFile::setPermissions(folder.filePath("runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    TestableApplication app(argc, argv);
    application = &app;
    TestReporterApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_reporter_application.moc"
