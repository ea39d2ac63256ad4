#include "crash_reporter/dialog/crash_report_widget.h"
#include "crash_reporter/dialog/files/file_dialog.h"
#include "crash_reporter/dialog/files/file_dialog_as_widget.h"
#include "crash_reporter/dialog/files/file_widget.h"
#include "crash_reporter/dialog/safe_shutdown_widget.h"
#include "tessera/widgets/card_button.h"
#include "tessera/widgets/splash_widget.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(std::optional<std::uint8_t>)

namespace {

CrashRecord record(std::optional<std::uint8_t> model)
{
    CrashRecord record;
    record.version = {6, 4, 1, 0x82};
    record.productModel = model;
    record.serialNumber = "Q5PC-000123";
    return record;
}

Tessera::CardButton* button(const QWidget& dialog, const char* text)
{
    for (auto* card : dialog.findChildren<Tessera::CardButton*>())
        if (card->text() == QLatin1String(text))
            return card;
    return nullptr;
}

} // namespace

class TestCrashReportWidget : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Texts are set on the first polish, before any show.
    void titles_data()
    {
        QTest::addColumn<std::optional<std::uint8_t>>("model");
        QTest::addColumn<QString>("title");
        QTest::newRow("0") << std::optional<std::uint8_t>(0) << "Varnel Q5-PC Crash Desk";
        QTest::newRow("3") << std::optional<std::uint8_t>(3) << "Varnel Q5-S30 Crash Desk";
        QTest::newRow("6 has no name") << std::optional<std::uint8_t>(6) << "Varnel  Crash Desk";
        QTest::newRow("absent") << std::optional<std::uint8_t>() << "Varnel Q5 Crash Desk";
    }

    void titles()
    {
        QFETCH(std::optional<std::uint8_t>, model);
        QFETCH(QString, title);
        CrashReportWidget dialog(record(model), QDateTime(QDate(2026, 12, 5), QTime(20, 53, 47)));
        QVERIFY(dialog.windowTitle().isEmpty());
        dialog.ensurePolished();
        QCOMPARE(dialog.windowTitle(), title);
        QStringList texts;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            texts << label->text();
        for (const char* text :
             {"Sorry, something went wrong...",
              "An error has occurred and the System Controller needs to restart.",
              "A crash report has been created, which you can save to disk or email to "
              "the Varnel service department (service@varnel.example).",
              "December 05 2026 20:53:47", "6.4.1.BETA2",
              "Date & Time:", "Comments:", "Serial Number:", "Q5PC-000123"})
            QVERIFY2(texts.contains(text), text);
    }

    // Each button asks for its own action and nothing else.
    void buttons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("signal"); // index into the spies below
        QTest::newRow("Save") << "Save" << 0;
        QTest::newRow("Email") << "Email" << 1;
        QTest::newRow("Restart") << "Restart" << 2;
        QTest::newRow("Shutdown") << "Shutdown" << 3;
    }

    void buttons()
    {
        QFETCH(QString, button);
        QFETCH(int, signal);
        CrashReportWidget dialog(record(0), QDateTime::currentDateTime());
        QSignalSpy spies[] = {{&dialog, &CrashReportWidget::saveRequested},
                              {&dialog, &CrashReportWidget::sendRequested},
                              {&dialog, &CrashReportWidget::restartRequested},
                              {&dialog, &CrashReportWidget::shutdownRequested}};
        dialog.ensurePolished();
        ::button(dialog, qPrintable(button))->click();
        for (int index = 0; index < 4; ++index)
            QCOMPARE(spies[index].count(), index == signal ? 1 : 0);
    }

    // Focus starts in the comments (where Tab goes from there, the accessibility test follows
    // through the real stack); Escape leaves the dialog open. The serial row stays hidden; the
    // Controller box shows with a countdown.
    void keyboardAndHiddenParts()
    {
        CrashReportWidget dialog(record(0), QDateTime::currentDateTime());
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(QApplication::focusWidget(), dialog.findChild<QPlainTextEdit*>());
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &escape);
        QVERIFY(!escape.isAccepted());
        QVERIFY(dialog.isVisible());
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            if (label->text().startsWith("Serial") || label->text() == "Q5PC-000123")
                QVERIFY(!label->isVisible());
        QVERIFY(!button(dialog, "Restart")->isVisible());
        dialog.setCountdown(5);
        QVERIFY(button(dialog, "Restart")->isVisible() && button(dialog, "Shutdown")->isVisible());
        dialog.setCountdown(std::nullopt);
        QVERIFY(button(dialog, "Restart")->isVisible());
    }

    void countdown_data()
    {
        QTest::addColumn<std::optional<qint64>>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("30") << std::optional<qint64>(30) << "Auto restart in 30 second(s)";
        QTest::newRow("negative shows 0")
            << std::optional<qint64>(-5) << "Auto restart in 0 second(s)";
        QTest::newRow("beyond 32 bits")
            << std::optional<qint64>(qint64(1) << 40) << "Auto restart in 2147483647 second(s)";
        QTest::newRow("none") << std::optional<qint64>() << "";
    }

    void countdown()
    {
        QFETCH(std::optional<qint64>, seconds);
        QFETCH(QString, text);
        CrashReportWidget dialog(record(0), QDateTime::currentDateTime());
        dialog.ensurePolished();
        dialog.setCountdown(7);
        dialog.setCountdown(seconds);
        QCOMPARE(button(dialog, "Restart")->description(), text);
    }

    void fileChoosers()
    {
        FileWidget panel;
        QSignalSpy confirm(&panel, &FileWidget::confirm), cancel(&panel, &FileWidget::cancel);
        panel.show();
        QCOMPARE(panel.fileDialog()->labelText(QFileDialog::Accept), QString("Create"));
        QCOMPARE(panel.fileDialog()->fileMode(), QFileDialog::AnyFile);
        panel.fileDialog()->done(QDialog::Accepted);
        QCOMPARE(confirm.count(), 1);
        panel.fileDialog()->done(QDialog::Rejected);
        QCOMPARE(cancel.count(), 1);
        QCOMPARE(confirm.count(), 1);
        QVERIFY(panel.fileDialog()->isVisible());
        panel.setMode(FileWidget::Folder);
        QVERIFY(panel.fileDialog()->testOption(QFileDialog::ShowDirsOnly));

        for (const int result : {QDialog::Accepted, QDialog::Rejected}) {
            FileDialog dialog;
            dialog.show();
            dialog.fileWidget()->fileDialog()->done(result);
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), result);
        }
    }

    // Its message comes back with a language change, as every widget's texts do.
    void shutdownScreenRetranslates()
    {
        SafeShutdownWidget screen;
        auto* label = screen.findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(label);
        label->clear();
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(&screen, &change);
        QCOMPARE(label->text(), QString("It is now safe to switch off the Q5 System Controller"));
    }
};

QTEST_MAIN(TestCrashReportWidget)
#include "tst_crash_report_widget.moc"
