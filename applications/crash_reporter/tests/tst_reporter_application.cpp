#include "controller_sim/crash_channel_writer.h"
#include "controller_sim/shared_memory_publisher.h"
#include "crash_reporter/app/q5_crash_reporter_application.h"
#include "orrery_core/diagnostics/log.h"
#include "q5_suite/suite_identity.h"
#include "tessera/style/style.h"
#include "tessera/theme/style_installation.h"
#include "test_support.h"

#include <QAbstractButton>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

#include <csignal>
#include <deque>
#include <functional>

namespace {

// The real application class, without the launch hook: the tests drive each step.
class TestableApplication : public Q5CrashReporterApplication
{
public:
    using Q5CrashReporterApplication::Q5CrashReporterApplication;
    using Q5CrashReporterApplication::readCrashData;
    using Q5CrashReporterApplication::showDialog;

protected:
    void launched() override {}
};

TestableApplication* application = nullptr;
QTemporaryDir* sandbox = nullptr;

// Spelled out here rather than asked of the code under test.
QString crashDumps()
{
    return qEnvironmentVariable("HOME") + "/Documents/Varnel Professional/Q5-PC/Crash Dumps/";
}
QStringList logged;

void collectingSink(std::int32_t, std::int64_t, const char* text, void*)
{
    logged << QString::fromUtf8(text);
}

// Answers modal dialogs as an operator would, one handler each, in order. A modal dialog that
// the next handler does not take is closed within a moment and noted, so that no test waits on it.
using ModalHandler = std::function<bool(QWidget*)>;
std::deque<ModalHandler> modalHandlers;
QStringList unexpectedModals;

void answerModalDialogs()
{
    QWidget* modal = QApplication::activeModalWidget();
    // The crash dialog opens window-modal; it is the tests' own.
    if (modal == nullptr || qobject_cast<CrashReportWidget*>(modal))
        return;
    if (!modalHandlers.empty() && modalHandlers.front()(modal)) {
        modalHandlers.pop_front();
        return;
    }
    // Just answered, a dialog may stay up a moment: only one still up on the next look counts.
    static QPointer<QWidget> unanswered; // not fooled by a new dialog where a gone one was
    if (std::exchange(unanswered, modal) != modal)
        return;
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

QByteArray loadCrashData(const QString& dumpName = "c.dmp", qsizetype dumpSize = 70000)
{
    writeFile(sandbox->filePath("c.dmp"), randomBytes(dumpSize, 7));
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
    // A slow client gives up after 30 s: a hand-off that waited for it fails, not hangs.
    const QByteArray wait = waitForRelease ? "n=0; while [ ! -e release ] && [ $n -lt 600 ]; do "
                                             "sleep 0.05; n=$((n+1)); done\n"
                                           : "";
    QVERIFY(writeFile(script, "#!/bin/sh\ncd '" + sandbox->path().toUtf8() +
                                  "'\nprintf '%s\\n' \"$@\" > mail-arguments\n"
                                  "while [ $# -gt 1 ]; do shift; [ \"$1\" = --attach ] && cp "
                                  "\"$2\" mailed.cdp; done\n" +
                                  wait + "touch mail-done\nexit " + status + "\n"));
    QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    for (const char* name : {"mail-arguments", "mailed.cdp", "release", "mail-done"})
        QFile::remove(sandbox->filePath(name));
}

// The dialog the application shows, and one of its card buttons.
CrashReportWidget* shownDialog()
{
    application->showDialog();
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<CrashReportWidget*>(widget); dialog && dialog->isVisible())
            return dialog;
    return nullptr;
}

QWidget* cardButton(const QWidget* dialog, const QString& text)
{
    for (auto* button : dialog->findChildren<QAbstractButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
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
    // more (Manhattan) on the screen from the first point after arming, over any widget.
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
        QWidget widget, other; // a point on the screen lies elsewhere in each
        other.move(40, 0);
        application->armAutoAction(std::chrono::seconds(30));
        for (qsizetype i = 0; i < moves.size(); ++i) {
            QWidget& target = i % 2 ? other : widget;
            QMouseEvent move(QEvent::MouseMove, target.mapFromGlobal(moves[i]), moves[i],
                             Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(&target, &move);
        }
        if (press == 1)
            QTest::keyClick(&widget, Qt::Key_A);
        if (press == 2)
            QTest::mouseClick(&widget, Qt::LeftButton);
        QCOMPARE(application->isAutoActionRunning(), running);
        QCOMPARE(logged, running ? QStringList() : QStringList{"Canceled auto-action timer\n"});
    }

    // ".cdp" is added before the dialog asks about replacing, so the question names the file
    // that is written; a file named as typed stays.
    void saveDialogAnswers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("question"); // the file the replace question names
        QTest::newRow("extension added") << "report"
                                         << "report.cdp"
                                         << "";
        QTest::newRow("upper-case extension is not ours") << "report.CDP"
                                                          << "report.CDP.cdp"
                                                          << "";
        QTest::newRow("replaces an existing package") << "old.cdp"
                                                      << "old.cdp"
                                                      << "old.cdp";
        QTest::newRow("typed without extension, package there") << "old"
                                                                << "old.cdp"
                                                                << "old.cdp";
        QTest::newRow("cancelled") << ""
                                   << ""
                                   << "";
    }

    void saveDialogAnswers()
    {
        QFETCH(QString, answer);
        QFETCH(QString, saved);
        QFETCH(QString, question);
        const QByteArray dump = loadCrashData();
        QVERIFY(writeFile(sandbox->filePath("old.cdp"), "not a package"));
        QVERIFY(writeFile(sandbox->filePath("old"), "someone's file"));
        QString shownFolder, asked;
        modalHandlers = {
            chooseFile(answer.isEmpty() ? "" : sandbox->filePath(answer), &shownFolder)};
        if (!question.isEmpty())
            modalHandlers.push_back(pressButton(QMessageBox::Yes, &asked));
        QCOMPARE(application->saveCrashReport(), !saved.isEmpty());
        QCOMPARE(shownFolder, crashDumps());
        QCOMPARE(logged.count("Creating dump package\n"), saved.isEmpty() ? 0 : 1);
        QVERIFY2(question.isEmpty() || asked.contains(question + " already exists"),
                 qPrintable(asked));
        QCOMPARE(readFile(sandbox->filePath("old")), QByteArray("someone's file"));
        if (!saved.isEmpty())
            QCOMPARE(entryData(sandbox->filePath(saved), "c.dmp"), dump);
    }

    // A package that cannot be written (here: every write past 10 KB fails, as on a full disk)
    // shows the error box, and nothing reaches the mail program.
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
        loadCrashData();
        installFakeMailClient("0");
        QString shown;
        if (!mail)
            modalHandlers.push_back(chooseFile(sandbox->filePath("never")));
        modalHandlers.push_back(pressButton(QMessageBox::Ok, &shown));
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit small{10 * 1024, saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &small);
        const bool succeeded =
            mail ? application->sendCrashReport() : application->saveCrashReport();
        ::setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!succeeded);
        QCOMPARE(shown, text);
        QVERIFY(!QFile::exists(sandbox->filePath("never.cdp")));
        QVERIFY(!QFile::exists(sandbox->filePath("mail-arguments")));
    }

    // Each hand-off gets a folder of its own, for the user alone; a failed one is cleaned away
    // and its package saved where the operator can attach it by hand.
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
        const QString directory = QDir::currentPath();
        QStringList attachments;
        for (int handOff = 0; handOff < 2; ++handOff) {
            installFakeMailClient(status);
            const QByteArray path = qgetenv("PATH");
            if (status.isEmpty())
                qputenv("PATH", "/nonexistent");
            QString shown;
            if (!success)
                modalHandlers.push_back(pressButton(QMessageBox::Ok, &shown));
            const bool sent = application->sendCrashReport();
            qputenv("PATH", path);
            QCOMPARE(sent, success);
            const QString saved =
                QRegularExpression("saved as (.*) instead").match(shown).captured(1);
            QVERIFY2(success ||
                         (shown.contains("could not be handed to the mail program") &&
                          saved.startsWith(crashDumps()) && entryData(saved, "c.dmp") == dump),
                     qPrintable(shown));
            const QStringList arguments =
                QString::fromUtf8(readFile(sandbox->filePath("mail-arguments"))).split('\n');
            const QStringList expected =
                status.isEmpty() ? QStringList{""}
                                 : QStringList{"--utf8",
                                               "--subject",
                                               "Q5-PC Crash Report",
                                               "--body",
                                               "Your Q5-PC crash report is attached to this email.",
                                               "--attach"};
            QCOMPARE(arguments.mid(0, 6), expected);
            if (!status.isEmpty()) {
                QCOMPARE(arguments.value(7), QString("service@varnel.example"));
                attachments << arguments.value(6);
            }
            QCOMPARE(entryData(sandbox->filePath("mailed.cdp"), "c.dmp"),
                     status.isEmpty() ? "TAR FAILED" : dump);
        }
        QCOMPARE(QDir::currentPath(), directory);
        const QString mailFolder = sandbox->filePath("cache/Varnel Professional/Crash Mail");
        for (const QString& attachment : std::as_const(attachments)) {
            QVERIFY(attachment.startsWith(mailFolder + "/q5-crash-mail-"));
            QCOMPARE(QFileInfo(attachment).fileName(), QString("crash_log.cdp"));
            QCOMPARE(modeOf(QFileInfo(attachment).path()), success ? 0700u : 0u);
            QCOMPARE(modeOf(attachment), success ? 0600u : 0u);
        }
        QVERIFY(attachments.isEmpty() || attachments[0] != attachments[1]);
    }

    // With the dialog open a package is written in the background, the first one into the
    // Crash Dumps folder as the dialog opens: Save and Email wait meanwhile and the progress
    // shows; a request meanwhile is refused, not dropped silently; the dialog says where the
    // operator's package went.
    void packagingWhileTheDialogIsOpen()
    {
        const QByteArray dump = loadCrashData("c.dmp", 48 * 1024 * 1024);
        QDir(crashDumps()).removeRecursively();
        CrashReportWidget* dialog = shownDialog();
        QVERIFY(dialog);
        QWidget* save = cardButton(dialog, "Save");
        QWidget* email = cardButton(dialog, "Email");
        // Its outcome arrives through the event loop, which has not turned since.
        QVERIFY(!save->isEnabled() && !email->isEnabled());
        QVERIFY(dialog->findChild<QProgressBar*>()->isVisible());
        QVERIFY(!application->saveCrashReport() && !application->sendCrashReport());
        QTRY_VERIFY_WITH_TIMEOUT(save->isEnabled() && email->isEnabled(), 60000);
        QVERIFY(!dialog->findChild<QProgressBar*>()->isVisible());
        QCOMPARE(entryData(crashDumps() + "Crash Report 0.cdp", "c.dmp"), dump);

        modalHandlers = {chooseFile(sandbox->filePath("background"))};
        QVERIFY(application->saveCrashReport());
        QVERIFY(!save->isEnabled() && !email->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(save->isEnabled(), 60000);
        QCOMPARE(entryData(sandbox->filePath("background.cdp"), "c.dmp"), dump);
        QStringList texts;
        for (const QLabel* label : dialog->findChildren<QLabel*>())
            texts << label->text();
        QVERIFY2(texts.contains("Saved as " + sandbox->filePath("background.cdp") + "."),
                 qPrintable(texts.join('|')));
        dialog->close();
    }

    // A name that another reporter takes while the background save writes its package moves
    // it on to the next number; what the other one wrote stays.
    void backgroundSaveMovesOnFromATakenName()
    {
        const QString dumps = crashDumps();
        QDir(dumps).removeRecursively();
        const QByteArray dump = loadCrashData("c.dmp", 96 * 1024 * 1024);
        CrashReportWidget* dialog = shownDialog();
        QVERIFY(dialog);
        QFile taken(crashDumps() + "Crash Report 0.cdp");
        QVERIFY2(taken.open(QIODevice::WriteOnly | QIODevice::NewOnly),
                 "the save was done before the name could be taken");
        taken.close();
        QTRY_VERIFY_WITH_TIMEOUT(cardButton(dialog, "Save")->isEnabled(), 60000);
        QCOMPARE(entryData(dumps + "Crash Report 1.cdp", "c.dmp"), dump);
        QCOMPARE(QFileInfo(taken).size(), 0);
        dialog->close();
    }

    // The mail program may stay open as long as the operator writes: the reporter goes on.
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
    // A write past the file size limit then fails as on a full disk instead of ending us.
    std::signal(SIGXFSZ, SIG_IGN);
    // A record in the crash channel, as the controller leaves it, for the dialog.
    SharedMemoryPublisher channel(crashChannelKeyFor(std::nullopt));
    SimulatedCrashRecord record;
    record.serialNumber = "SN-1";
    if (!channel.publish(serializeCrashRecord(record)))
        return 3;
    TestableApplication app(argc, argv);
    // The tests close dialogs; the test run goes on.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    application = &app;
    TestReporterApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_reporter_application.moc"
