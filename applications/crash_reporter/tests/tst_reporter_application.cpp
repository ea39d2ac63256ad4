#include "app/q5_crash_reporter_application.h"
#include "crash_channel_writer.h"
#include "diagnostics/log.h"
#include "package_reading.h"
#include "suite_identity.h"
#include "test_files.h"

#include <QAbstractButton>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

#include <deque>
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

// Answers modal dialogs as an operator would, one handler each, in order. A modal dialog that
// the next handler does not take is closed at once and noted, so that no test waits on it.
using ModalHandler = std::function<bool(QWidget*)>;
std::deque<ModalHandler> modalHandlers;
QStringList unexpectedModals;

void watchModalDialogs()
{
    auto* timer = new QTimer(application);
    QObject::connect(timer, &QTimer::timeout, [] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr)
            return;
        if (!modalHandlers.empty() && modalHandlers.front()(modal)) {
            modalHandlers.pop_front();
            return;
        }
        unexpectedModals << modal->metaObject()->className() + (": " + modal->windowTitle());
        QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
    });
    timer->start(20);
}

ModalHandler chooseFile(const QString& answer, QString* shownFolder = nullptr)
{
    return [=](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (dialog == nullptr || dialog->windowTitle() != "Save crash dump file")
            return false;
        if (shownFolder)
            *shownFolder = dialog->directory().absolutePath();
        if (!answer.isEmpty())
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(answer);
        // Queued, so that a dialog it opens in turn can be answered by the next handler.
        QMetaObject::invokeMethod(dialog, answer.isEmpty() ? "reject" : "accept",
                                  Qt::QueuedConnection);
        return true;
    };
}

ModalHandler pressButton(QMessageBox::StandardButton button, QString* text = nullptr)
{
    return [=](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr || box->button(button) == nullptr)
            return false;
        if (text)
            *text = box->windowTitle() + ": " + box->text() + " " +
                    QString::number(box->buttons().size());
        QMetaObject::invokeMethod(box->button(button), "click", Qt::QueuedConnection);
        return true;
    };
}

QByteArray loadCrashData(const QString& dumpName = "controller.dmp")
{
    const QByteArray dump = TestFiles::randomBytes(70000, 7);
    TestFiles::write(sandbox->filePath("controller.dmp"), dump);
    SimulatedCrashData data{sandbox->filePath(dumpName), QDateTime::currentDateTime(), {"line"}};
    const QString path = sandbox->filePath("crash.dat");
    TestFiles::write(path, serializeCrashData(data));
    application->readCrashData(path);
    return dump;
}

// A stand-in for xdg-email that records its arguments, copies what it was given to attach,
// and ends with the status given, once the file "release" exists when asked to wait.
void installFakeMailClient(const QByteArray& status, bool waitForRelease = false)
{
    QDir().mkpath(sandbox->filePath("fake-bin"));
    const QByteArray folder = sandbox->path().toUtf8();
    const QString script = sandbox->filePath("fake-bin/xdg-email");
    QVERIFY(TestFiles::write(
        script,
        "#!/bin/sh\n"
        "printf '%s\\n' \"$@\" > '" +
            folder +
            "/mail-arguments'\n"
            "while [ $# -gt 1 ]; do shift; [ \"$1\" = --attach ] && "
            "cp \"$2\" '" +
            folder +
            "/mailed.cdp'; done\n"
            "cd /\n" +
            (waitForRelease ? "while [ ! -e '" + folder + "/release' ]; do sleep 0.05; done\n"
                            : "") +
            "touch '" + folder + "/mail-done'\nexit " + status + "\n"));
    QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    for (const char* name : {"mail-arguments", "mailed.cdp", "release", "mail-done"})
        QFile::remove(sandbox->filePath(name));
}

} // namespace

class TestReporterApplication : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { watchModalDialogs(); }

    void init()
    {
        logged.clear();
        Orrery::addLogSink(collectingSink, nullptr);
    }

    void cleanup()
    {
        application->cancelAutoAction();
        Orrery::removeLogSink(collectingSink);
        QVERIFY2(unexpectedModals.isEmpty(), qPrintable(unexpectedModals.join(", ")));
        QVERIFY(modalHandlers.empty());
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
        // A far move ends each row, so that the next starts without a remembered point.
        for (const QPoint& point : moves + QList<QPoint>{{5000, 5000}}) {
            if (point.x() == 5000)
                QCOMPARE(application->isAutoActionRunning(), running);
            QMouseEvent move(QEvent::MouseMove, point, widget.mapToGlobal(point), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(&widget, &move);
        }
        QCOMPARE(countLogged("Canceled auto-action timer\n"), 1);
    }

    void pressesCancel_data()
    {
        QTest::addColumn<bool>("armed");
        QTest::addColumn<bool>("key");
        QTest::newRow("key press") << true << true;
        QTest::newRow("mouse press") << true << false;
        QTest::newRow("key press, nothing running") << false << true;
    }

    void pressesCancel()
    {
        QFETCH(bool, armed);
        QFETCH(bool, key);
        QWidget widget;
        if (armed)
            application->armAutoAction(std::chrono::seconds(30));
        if (key)
            QTest::keyClick(&widget, Qt::Key_A);
        else
            QTest::mouseClick(&widget, Qt::LeftButton);
        QVERIFY(!application->isAutoActionRunning());
        QCOMPARE(countLogged("Canceled auto-action timer\n"), armed ? 1 : 0);
    }

    void saveDialogAnswers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("saved");
        QTest::newRow("extension added") << "report"
                                         << "report.cdp";
        QTest::newRow("upper-case extension is not ours") << "report.CDP"
                                                          << "report.CDP.cdp";
        QTest::newRow("replaces an existing file") << "existing.cdp"
                                                   << "existing.cdp";
    }

    void saveDialogAnswers()
    {
        QFETCH(QString, answer);
        QFETCH(QString, saved);
        const QByteArray dump = loadCrashData();
        const QString folder = sandbox->filePath("chosen");
        QDir().mkpath(folder);
        QVERIFY(TestFiles::write(folder + "/existing.cdp", "not a package"));
        QString shownFolder;
        modalHandlers = {chooseFile(folder + "/" + answer, &shownFolder)};
        if (answer == saved)
            modalHandlers.push_back(pressButton(QMessageBox::Yes));
        QVERIFY(application->saveCrashReport());
        QCOMPARE(shownFolder + "/", crashDumpsPath(SuiteApplication::Controller));
        QCOMPARE(PackageReading::entryData(folder + "/" + saved, "controller.dmp"), dump);
        QCOMPARE(countLogged("Saving crash report\n"), 1);
    }

    void cancelledSaveDoesNothing()
    {
        modalHandlers = {chooseFile({})};
        QVERIFY(!application->saveCrashReport());
        QCOMPARE(countLogged("Creating dump package\n"), 0);
    }

    void failuresShowTheErrorBox_data()
    {
        QTest::addColumn<bool>("mail");
        QTest::addColumn<QString>("text");
        QTest::newRow("save") << false << "Error: There was a problem saving the crash report. 1";
        QTest::newRow("mail") << true
                              << "Error: There was a problem creating a crash report package to "
                                 "attach to the email. 1";
    }

    void failuresShowTheErrorBox()
    {
        QFETCH(bool, mail);
        QFETCH(QString, text);
        loadCrashData("no-such.dmp");
        installFakeMailClient("0");
        QString shown;
        if (!mail)
            modalHandlers.push_back(chooseFile(sandbox->filePath("never")));
        modalHandlers.push_back(pressButton(QMessageBox::Ok, &shown));
        QTest::ignoreMessage(QtDebugMsg, "Error: dump file not found");
        QVERIFY(!(mail ? application->sendCrashReport() : application->saveCrashReport()));
        QCOMPARE(shown, text);
        QVERIFY(!QFile::exists(sandbox->filePath("never.cdp")));
        QVERIFY(!QFile::exists(sandbox->filePath("mail-arguments")));
    }

    void mailHandOff_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<bool>("success");
        QTest::newRow("0 taken") << QByteArray("0") << true;
        QTest::newRow("4 action failed") << QByteArray("4") << false;
        QTest::newRow("no mail program") << QByteArray() << false;
    }

    void mailHandOff()
    {
        QFETCH(QByteArray, status);
        QFETCH(bool, success);
        const QByteArray dump = loadCrashData();
        installFakeMailClient(status);
        const QByteArray path = qgetenv("PATH");
        if (status.isEmpty())
            qputenv("PATH", sandbox->filePath("empty-bin").toUtf8());
        const QString directory = QDir::currentPath();
        const bool sent = application->sendCrashReport();
        qputenv("PATH", path);
        QCOMPARE(sent, success);
        QCOMPARE(QDir::currentPath(), directory);
        QCOMPARE(countLogged("Sending crash report\n"), 1);
        // The attachment waits for the client in a folder of the user's alone, and goes when
        // the hand-off failed.
        const QString attachment =
            sandbox->filePath("cache/Varnel Professional/Crash Mail/crash_log.cdp");
        struct stat folder {};
        QCOMPARE(::stat(qPrintable(QFileInfo(attachment).path()), &folder), 0);
        QCOMPARE(folder.st_mode & 0777, 0700u);
        QCOMPARE(QFile::exists(attachment), success);
        if (status.isEmpty())
            return;
        QCOMPARE(QString::fromUtf8(TestFiles::read(sandbox->filePath("mail-arguments"))),
                 "--utf8\n--subject\nQ5-PC Crash Report\n--body\nYour Q5-PC crash report is "
                 "attached to this email.\n--attach\n" +
                     attachment + "\nservice@varnel.example\n");
        QCOMPARE(PackageReading::entryData(sandbox->filePath("mailed.cdp"), "controller.dmp"),
                 dump);
        struct stat file {};
        QVERIFY(!success ||
                (::stat(qPrintable(attachment), &file) == 0 && (file.st_mode & 0777) == 0600));
    }

    void slowMailClientDoesNotHoldTheDialog()
    {
        loadCrashData();
        installFakeMailClient("0", true);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(application->sendCrashReport());
        QVERIFY2(timer.elapsed() < 15000, "the hand-off kept the operator waiting");
        QVERIFY(!QFile::exists(sandbox->filePath("mail-done")));
        QVERIFY(TestFiles::write(sandbox->filePath("release"), ""));
        QTRY_VERIFY(QFile::exists(sandbox->filePath("mail-done")));
    }
};

int main(int argc, char* argv[])
{
    // Everything the application touches lives in a private folder.
    QTemporaryDir folder;
    sandbox = &folder;
    for (const char* name : {"tmp", "runtime", "cache", "config"})
        QDir().mkpath(folder.filePath(name));
    qputenv("HOME", folder.path().toUtf8());
    qputenv("TMPDIR", folder.filePath("tmp").toUtf8());
    qputenv("XDG_CONFIG_HOME", folder.filePath("config").toUtf8());
    qputenv("XDG_CACHE_HOME", folder.filePath("cache").toUtf8());
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
