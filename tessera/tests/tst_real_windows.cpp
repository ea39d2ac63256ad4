#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The gallery dialog on a real X server with a real window manager (Xvfb and openbox), driven
// with xdotool and observed from outside the process, as a user at a desktop meets it.
namespace {

constexpr QSize Screen(1280, 800);

QByteArray run(const QString& program, const QStringList& arguments, const QString& display)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", display);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.waitForFinished(10000);
    return process.readAllStandardOutput();
}

} // namespace

class TestRealWindows : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QProcess m_server, m_windowManager;
    std::unique_ptr<QProcess> m_gallery;
    QString m_display, m_window;

    QByteArray x(const QString& program, const QStringList& arguments) const
    {
        return run(program, arguments, m_display);
    }

    QRect geometry() const
    {
        const QString shell =
            QString::fromUtf8(x("xdotool", {"getwindowgeometry", "--shell", m_window}));
        const auto value = [&](const char* name) {
            return QRegularExpression(QString("%1=(\\d+)").arg(name))
                .match(shell)
                .captured(1)
                .toInt();
        };
        return QRect(value("X"), value("Y"), value("WIDTH"), value("HEIGHT"));
    }

    // Presses at a point of the window, moves by the offset in small steps, releases.
    void drag(QPoint from, QPoint offset) const
    {
        const QPoint start = geometry().topLeft() + from;
        x("xdotool", {"mousemove", QString::number(start.x()), QString::number(start.y()), "sleep",
                      "0.1", "mousedown", "1"});
        for (int step = 1; step <= 10; ++step) {
            const QPoint to = start + offset * step / 10;
            x("xdotool",
              {"mousemove", QString::number(to.x()), QString::number(to.y()), "sleep", "0.03"});
        }
        x("xdotool", {"sleep", "0.1", "mouseup", "1", "sleep", "0.2"});
    }

    void startGallery(const QStringList& arguments)
    {
        m_gallery = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", m_display);
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("HOME", m_home.path());
        environment.insert("XDG_RUNTIME_DIR", m_home.path());
        m_gallery->setProcessEnvironment(environment);
        m_gallery->start(qEnvironmentVariable("Q5_BIN_DIR") + "/tessera-gallery", arguments);
        m_window = QString::fromUtf8(x("xdotool", {"search", "--sync", "--onlyvisible", "--name",
                                                   "Tessera Gallery"}))
                       .trimmed();
        QVERIFY2(!m_window.isEmpty(), m_gallery->readAllStandardError());
        QTRY_VERIFY(geometry().width() > 0);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_server.start("Xvfb",
                       {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
        QVERIFY2(m_server.waitForStarted(), "Xvfb is missing: scripts/install-deps.sh installs it");
        QTRY_VERIFY(m_server.canReadLine());
        m_display = ":" + QString::fromUtf8(m_server.readLine()).trimmed();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", m_display);
        environment.insert("HOME", m_home.path());
        m_windowManager.setProcessEnvironment(environment);
        m_windowManager.start("openbox", {"--sm-disable"});
        QVERIFY(m_windowManager.waitForStarted());
        QTRY_VERIFY(x("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id"));
    }

    void cleanup()
    {
        if (m_gallery && m_gallery->state() != QProcess::NotRunning) {
            m_gallery->kill();
            m_gallery->waitForFinished();
        }
    }

    void cleanupTestCase()
    {
        for (QProcess* process : {&m_windowManager, &m_server}) {
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
        }
    }

    // The window manager adds no frame; the title bar and the bands do its work.
    void dragging_data()
    {
        QTest::addColumn<bool>("fixedWidth");
        QTest::addColumn<QPoint>("from"); // negative: from the right or bottom edge
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<QRect>("change"); // of position and size
        QTest::newRow("title bar moves the window")
            << false << QPoint(150, 12) << QPoint(100, 40) << QRect(100, 40, 0, 0);
        QTest::newRow("bottom-right band grows it")
            << false << QPoint(-2, -2) << QPoint(60, 30) << QRect(0, 0, 60, 30);
        QTest::newRow("left band of a fixed width")
            << true << QPoint(1, 200) << QPoint(-50, 0) << QRect(0, 0, 0, 0);
    }

    void dragging()
    {
        QFETCH(bool, fixedWidth);
        QFETCH(QPoint, from);
        QFETCH(QPoint, offset);
        QFETCH(QRect, change);
        startGallery(fixedWidth ? QStringList{"--fixed-width"} : QStringList{});
        QCOMPARE(x("xprop", {"-id", m_window, "_NET_FRAME_EXTENTS"}).trimmed(),
                 QByteArray("_NET_FRAME_EXTENTS(CARDINAL) = 0, 0, 0, 0"));
        const QRect before = geometry();
        const QPoint point(from.x() < 0 ? before.width() + from.x() : from.x(),
                           from.y() < 0 ? before.height() + from.y() : from.y());
        drag(point, offset);
        const QRect expected(before.topLeft() + change.topLeft(), before.size() + change.size());
        QTRY_COMPARE(geometry(), expected);
    }

    void doubleClickMaximisesAndRestoresAltF4Closes()
    {
        startGallery({});
        const QRect before = geometry();
        const QPoint title = before.topLeft() + QPoint(150, 12);
        const QStringList doubleClick = {"mousemove",
                                         QString::number(title.x()),
                                         QString::number(title.y()),
                                         "click",
                                         "--repeat",
                                         "2",
                                         "--delay",
                                         "80",
                                         "1"};
        x("xdotool", doubleClick);
        QTRY_COMPARE(geometry(), QRect(QPoint(0, 0), Screen));
        x("xdotool", {"mousemove", "150", "12", "click", "--repeat", "2", "--delay", "80", "1"});
        QTRY_COMPARE(geometry(), before);
        x("xdotool", {"windowactivate", "--sync", m_window, "key", "alt+F4"});
        QVERIFY(m_gallery->waitForFinished(10000));
        QCOMPARE(m_gallery->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_gallery->exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestRealWindows)
#include "tst_real_windows.moc"
