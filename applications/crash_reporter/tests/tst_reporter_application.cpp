#include "app/q5_crash_reporter_application.h"
#include "crash_channel_writer.h"
#include "diagnostics/log.h"
#include "style/style.h"
#include "suite_identity.h"
#include "test_support.h"
#include "theme/style_installation.h"

#include <QAbstractButton>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QRegularExpression>
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
QStringList logged;

void collectingSink(std::int32_t, std::int64_t, const char* text, void*)
{
    logged << QString::fromUtf8(text);
}

// Answers modal dialogs as an operator would, one handler each, in order. A modal dialog that
// the next handler does not take is closed at once and noted, so that no test waits on it.
using ModalHandler = std::function<bool(QWidget*)>;
std::deque<ModalHandler> modalHandlers;
QStringList unexpectedModals;

void answerModalDialogs()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr)
        return;
    if (!modalHandlers.empty() && modalHandlers.front()(modal)) {
        modalHandlers.pop_front();
        return;
    }
    unexpectedModals << modal->windowTitle();
    QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
}

// Queued answers, so that a dialog they open in turn meets the next handler.
ModalHandler chooseFile(const QString& answer, QString* shownFolder = nullptr)
{
    return [=](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (dialog == nullptr || dialog->windowTitle() != "Save crash dump file")
            return false;
        if (shownFolder)
            *shownFolder = dialog->directory().absolutePath() + "/";
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(answer);
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

QByteArray loadCrashData(const QString& dumpName = "c.dmp")
{
    writeFile(sandbox->filePath("c.dmp"), randomBytes(70000, 7));
    writeFile(sandbox->filePath("crash.dat"),
              serializeCrashData({sandbox->filePath(dumpName), QDateTime::currentDateTime(), {}}));
    application->readCrashData(sandbox->filePath("crash.dat"));
    return readFile(sandbox->filePath("c.dmp"));
}

// A stand-in for xdg-email: records its arguments, copies the attachment, and ends with the
// status given; when told to, only once the file "release" exists.
void installFakeMailClient(const QByteArray& status, bool waitForRelease = false)
{
    const QString script = sandbox->filePath("fake-bin/xdg-email");
    QVERIFY(writeFile(script,
                      "#!/bin/sh\ncd '" + sandbox->path().toUtf8() +
                          "'\nprintf '%s\\n' \"$@\" > mail-arguments\n"
                          "while [ $# -gt 1 ]; do shift; [ \"$1\" = --attach ] && cp "
                          "\"$2\" mailed.cdp; done\n" +
                          (waitForRelease ? "while [ ! -e release ]; do sleep 0.05; done\n" : "") +
                          "touch mail-done\nexit " + status + "\n"));
    QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    for (const char* name : {"mail-arguments", "mailed.cdp", "release", "mail-done"})
        QFile::remove(sandbox->filePath(name));
}

uint modeOf(const QString& path)
{
    struct stat status {};
    return ::stat(qPrintable(path), &status) == 0 ? status.st_mode & 0777 : 0;
}

} // namespace

class TestReporterApplication : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The launch installs the style; a dialog that opens earlier would meet the change.
        QTRY_VERIFY(Tessera::Style::applicationStyle());
        auto* watch = new QTimer(application);
        connect(watch, &QTimer::timeout, answerModalDialogs);
        watch->start(20);
    }

    void init()
    {
        logged.clear();
        Orrery::addLogSink(collectingSink, nullptr);
    }

    void styleChangeKeepsAnOpenSaveDialog()
    {
        loadCrashData();
        modalHandlers = {[](QWidget*) {
                             Tessera::installStyle(ThemeMode::Light);
                             return true;
                         },
                         chooseFile(sandbox->filePath("after-style-change"))};
        QVERIFY(application->saveCrashReport());
    }

    void cleanup()
    {
        application->cancelAutoAction();
        Orrery::removeLogSink(collectingSink);
        const QStringList unexpected = std::exchange(unexpectedModals, {});
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(", ")));
        QVERIFY(std::exchange(modalHandlers, {}).empty());
    }

    // Key and mouse presses cancel a running countdown; mouse moves only once they are 10 or
    // more (Manhattan) from the first point.
    void activityCancelsTheAutoAction_data()
    {
        QTest::addColumn<QList<QPoint>>("moves");
        QTest::addColumn<int>("press"); // 0 none, 1 key, 2 mouse
        QTest::addColumn<bool>("running");
        QTest::newRow("6 right 3 down keeps") << QList<QPoint>{{9, 9}, {15, 12}} << 0 << true;
        QTest::newRow("6 right 4 down cancels") << QList<QPoint>{{9, 9}, {15, 13}} << 0 << false;
        QTest::newRow("small steps add up")
            << QList<QPoint>{{0, 0}, {3, 0}, {6, 0}, {9, 0}, {10, 0}} << 0 << false;
        QTest::newRow("back and forth stays near")
            << QList<QPoint>{{50, 50}, {55, 54}, {50, 50}, {46, 46}} << 0 << true;
        QTest::newRow("key press") << QList<QPoint>{} << 1 << false;
        QTest::newRow("mouse press") << QList<QPoint>{} << 2 << false;
    }

    void activityCancelsTheAutoAction()
    {
        QFETCH(QList<QPoint>, moves);
        QFETCH(int, press);
        QFETCH(bool, running);
        QWidget widget;
        application->armAutoAction(std::chrono::seconds(30));
        // A far move ends each row, so that the next starts without a remembered point.
        for (const QPoint& point : moves + QList<QPoint>{{5000, 5000}}) {
            if (point.x() == 5000 && press == 1)
                QTest::keyClick(&widget, Qt::Key_A);
            if (point.x() == 5000 && press == 2)
                QTest::mouseClick(&widget, Qt::LeftButton);
            if (point.x() == 5000)
                QCOMPARE(application->isAutoActionRunning(), running);
            QMouseEvent move(QEvent::MouseMove, point, widget.mapToGlobal(point), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(&widget, &move);
        }
        QCOMPARE(logged, QStringList{"Canceled auto-action timer\n"});
    }

    void saveDialogAnswers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("saved");
        QTest::newRow("extension added") << "report"
                                         << "report.cdp";
        QTest::newRow("upper-case extension is not ours") << "report.CDP"
                                                          << "report.CDP.cdp";
        QTest::newRow("replaces an existing file") << "old.cdp"
                                                   << "old.cdp";
        QTest::newRow("cancelled") << ""
                                   << "";
    }

    void saveDialogAnswers()
    {
        QFETCH(QString, answer);
        QFETCH(QString, saved);
        const QByteArray dump = loadCrashData();
        QVERIFY(writeFile(sandbox->filePath("old.cdp"), "not a package"));
        QString shownFolder;
        modalHandlers = {
            chooseFile(answer.isEmpty() ? "" : sandbox->filePath(answer), &shownFolder)};
        if (answer == "old.cdp")
            modalHandlers.push_back(pressButton(QMessageBox::Yes));
        QCOMPARE(application->saveCrashReport(), !saved.isEmpty());
        QCOMPARE(shownFolder, crashDumpsPath(SuiteApplication::Controller));
        QCOMPARE(logged.count("Creating dump package\n"), saved.isEmpty() ? 0 : 1);
        if (!saved.isEmpty())
            QCOMPARE(entryData(sandbox->filePath(saved), "c.dmp"), dump);
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
            qputenv("PATH", "/nonexistent");
        const QString directory = QDir::currentPath();
        // A failed hand-off saves the package where the operator can attach it by hand.
        QString shown;
        if (!success)
            modalHandlers.push_back(pressButton(QMessageBox::Ok, &shown));
        const bool sent = application->sendCrashReport();
        qputenv("PATH", path);
        QCOMPARE(sent, success);
        const QString saved = QRegularExpression("saved as (.*) instead").match(shown).captured(1);
        QVERIFY2(success || (shown.contains("could not be handed to the mail program") &&
                             saved.startsWith(crashDumpsPath(SuiteApplication::Controller)) &&
                             entryData(saved, "c.dmp") == dump),
                 qPrintable(shown));
        QCOMPARE(QDir::currentPath(), directory);
        // The attachment waits for the client in a folder of the user's alone, and goes when
        // the hand-off failed.
        const QString folder = sandbox->filePath("cache/Varnel Professional/Crash Mail");
        QCOMPARE(modeOf(folder), 0700u);
        QCOMPARE(modeOf(folder + "/crash_log.cdp"), success ? 0600u : 0u);
        QCOMPARE(QString::fromUtf8(readFile(sandbox->filePath("mail-arguments"))),
                 status.isEmpty() ? ""
                                  : "--utf8\n--subject\nQ5-PC Crash Report\n--body\nYour Q5-PC "
                                    "crash report is attached to this email.\n--attach\n" +
                                        folder + "/crash_log.cdp\nservice@varnel.example\n");
        QCOMPARE(entryData(sandbox->filePath("mailed.cdp"), "c.dmp"),
                 status.isEmpty() ? "TAR FAILED" : dump);
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
        QVERIFY(writeFile(sandbox->filePath("release"), ""));
        QTRY_VERIFY(QFile::exists(sandbox->filePath("mail-done")));
    }
};

int main(int argc, char* argv[])
{
    // Everything the application touches lives in a private folder.
    QTemporaryDir folder;
    sandbox = &folder;
    for (const char* name : {"tmp", "cache", "config", "fake-bin"})
        QDir().mkpath(folder.filePath(name));
    qputenv("HOME", folder.path().toUtf8());
    qputenv("TMPDIR", folder.filePath("tmp").toUtf8());
    qputenv("XDG_CONFIG_HOME", folder.filePath("config").toUtf8());
    qputenv("XDG_CACHE_HOME", folder.filePath("cache").toUtf8());
    qputenv("XDG_RUNTIME_DIR", folder.filePath("tmp").toUtf8());
    qputenv("PATH", folder.filePath("fake-bin").toUtf8() + ":" + qgetenv("PATH"));
    TestableApplication app(argc, argv);
    application = &app;
    TestReporterApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_reporter_application.moc"
