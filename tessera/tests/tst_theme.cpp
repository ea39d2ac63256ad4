#include "tessera/application/application.h"
#include "tessera/style/style.h"
#include "tessera/theme/theme_change_event.h"
#include "tessera/theme/theme_resolution.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QProcess>
#include <QTest>
#include <QToolTip>
#include <QWindow>

using namespace Tessera;

namespace {

class ThemedApplication : public Application<QApplication>
{
public:
    ThemedApplication(int& argc, char** argv)
        : Application<QApplication>(argc, argv, Orrery::ApplicationDescription{})
    {}

    const Style* styleAtLaunch = nullptr;
    int launches = 0;

protected:
    void launched() override
    {
        styleAtLaunch = Style::applicationStyle();
        ++launches;
    }
};

ThemedApplication* application = nullptr;

// Counts the theme events it receives; may delete another widget on the first one.
class Receiver : public QWidget
{
public:
    int events = 0;
    QWidget* victim = nullptr;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() == ThemeChangeEvent::eventType()) {
            ++events;
            delete std::exchange(victim, nullptr);
        }
        return QWidget::event(event);
    }
};

QColor baseOf(ThemeMode mode)
{
    return Palette::forTheme(mode).color(QPalette::Base);
}

QColor currentBase()
{
    return Style::applicationStyle()->standardPalette().color(QPalette::Base);
}

} // namespace

class TestTheme : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QProcess> m_portal;

    // A stand-in portal on this test's private session bus that answers the scheme.
    void startPortal(const QString& answer)
    {
        stopPortal();
        m_portal = std::make_unique<QProcess>();
        m_portal->start(qEnvironmentVariable("Q5_TEST_DIR") + "/stand_in_portal", {answer});
        QVERIFY(m_portal->waitForReadyRead(10000));
        QCOMPARE(m_portal->readLine(), QByteArray("ready\n"));
    }

    void stopPortal()
    {
        if (!m_portal)
            return;
        m_portal->closeWriteChannel();
        if (!m_portal->waitForFinished(5000))
            m_portal->kill();
        m_portal.reset();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"),
                 "runs under dbus-run-session");
        QTRY_COMPARE(application->launches, 1);
    }

    // Every test starts from the dark theme the launch resolved.
    void cleanup()
    {
        stopPortal();
        application->setThemeMode(ThemeMode::Dark);
    }

    // The style, its fonts and the window icon are in place when the launch hook runs.
    void launchInstallsTheLookFirst()
    {
        QVERIFY(application->styleAtLaunch);
        QCOMPARE(currentBase(), baseOf(ThemeMode::Dark));
        QCOMPARE(QFontInfo(QApplication::font()).family(), QString("Titillium Web"));
        QVERIFY(!QApplication::windowIcon().isNull());
    }

    void desktopChoice_data()
    {
        QTest::addColumn<QString>("answer"); // empty: no portal at all
        QTest::addColumn<ThemeMode>("resolved");
        QTest::newRow("1 dark") << "1" << ThemeMode::Dark;
        QTest::newRow("2 light") << "2" << ThemeMode::Light;
        QTest::newRow("0 no preference") << "0" << ThemeMode::Dark;
        QTest::newRow("no portal") << "" << ThemeMode::Dark;
        QTest::newRow("portal that never answers") << "never" << ThemeMode::Dark;
    }

    void desktopChoice()
    {
        QFETCH(QString, answer);
        QFETCH(ThemeMode, resolved);
        if (!answer.isEmpty())
            startPortal(answer);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(resolveThemeMode(ThemeMode::System), resolved);
        // Without its own time limit the call would wait for D-Bus's default of 25 s.
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(resolveThemeMode(ThemeMode::Light), ThemeMode::Light);
    }

    // The same resolved theme installs nothing and tells nobody; another one reaches every
    // widget, also when a receiver deletes another.
    void applyingTheTheme()
    {
        Receiver first, second;
        first.victim = new QWidget;
        const Style* dark = Style::applicationStyle();
        application->setThemeMode(ThemeMode::Dark);
        QCOMPARE(Style::applicationStyle(), dark);
        QCOMPARE(first.events + second.events, 0);
        application->setThemeMode(ThemeMode::Light);
        QVERIFY(Style::applicationStyle() != dark);
        QCOMPARE(currentBase(), baseOf(ThemeMode::Light));
        QCOMPARE(first.events, 1);
        QCOMPARE(second.events, 1);
        QVERIFY(!first.victim);
    }

    // A fixed mode ignores the desktop, but the tool tips still take the style's palette.
    void desktopChangeWithAFixedMode()
    {
        application->setThemeMode(ThemeMode::Light);
        const Style* light = Style::applicationStyle();
        QToolTip::setPalette(QPalette(Qt::red));
        QWindow window;
        QEvent change(QEvent::ThemeChange);
        QApplication::sendEvent(&window, &change);
        QCOMPARE(Style::applicationStyle(), light);
        QTRY_COMPARE(QToolTip::palette().color(QPalette::Base), baseOf(ThemeMode::Light));
    }

    // However many windows hear of a change, the desktop is asked once.
    void oneQuestionPerChange()
    {
        startPortal("2");
        application->setThemeMode(ThemeMode::System);
        QCOMPARE(currentBase(), baseOf(ThemeMode::Light));
        QVERIFY(m_portal->waitForReadyRead(5000));
        QCOMPARE(m_portal->readAllStandardOutput(), QByteArray("asked\n"));
        std::vector<std::unique_ptr<QWindow>> windows(5);
        for (auto& window : windows) {
            window = std::make_unique<QWindow>();
            QEvent change(QEvent::ThemeChange);
            QApplication::sendEvent(window.get(), &change);
        }
        QCoreApplication::processEvents();
        // Our own question comes back after every earlier one was answered.
        QCOMPARE(resolveThemeMode(ThemeMode::System), ThemeMode::Light);
        QByteArray asked;
        while (asked.count('\n') < 2 && m_portal->waitForReadyRead(5000))
            asked += m_portal->readAllStandardOutput();
        QCOMPARE(asked, QByteArray("asked\nasked\n"));
        application->setThemeMode(ThemeMode::Dark);
    }

    void followingTheDesktopLive()
    {
        startPortal("1");
        application->setThemeMode(ThemeMode::System);
        QCOMPARE(currentBase(), baseOf(ThemeMode::Dark));
        m_portal->write("set 2\n");
        QTRY_COMPARE(currentBase(), baseOf(ThemeMode::Light));
        application->setThemeMode(ThemeMode::Dark);
        m_portal->write("set 1\n");
        // The portal has announced the change once it answers with it; the announcement is
        // delivered by then, and a fixed mode ignores it.
        QTRY_COMPARE(resolveThemeMode(ThemeMode::System), ThemeMode::Dark);
        QCoreApplication::processEvents();
        m_portal->write("set 2\n");
        QTRY_COMPARE(resolveThemeMode(ThemeMode::System), ThemeMode::Light);
        QCoreApplication::processEvents();
        QCOMPARE(currentBase(), baseOf(ThemeMode::Dark));
    }
};

int main(int argc, char* argv[])
{
    ThemedApplication app(argc, argv);
    application = &app;
    TestTheme test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_theme.moc"
