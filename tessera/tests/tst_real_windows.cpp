#include "x_session.h"

#include <QTest>

// The gallery dialog on a real X server with a real window manager, observed from outside.
class TestRealWindows : public QObject
{
    Q_OBJECT

private:
    XSession m_x;
    std::unique_ptr<QProcess> m_gallery;
    QString m_window;

    QRect geometry() const { return m_x.geometry(m_window); }

    // Presses at a point of the window, moves by the offset in small steps, releases.
    void drag(QPoint from, QPoint offset) const
    {
        const QPoint start = geometry().topLeft() + from;
        m_x.xdotool({"mousemove", QString::number(start.x()), QString::number(start.y()), "sleep",
                     "0.1", "mousedown", "1"});
        for (int step = 1; step <= 10; ++step) {
            const QPoint to = start + offset * step / 10;
            m_x.xdotool(
                {"mousemove", QString::number(to.x()), QString::number(to.y()), "sleep", "0.03"});
        }
        m_x.xdotool({"sleep", "0.1", "mouseup", "1", "sleep", "0.2"});
    }

    void doubleClickTitle() const
    {
        const QPoint title = geometry().topLeft() + QPoint(150, 12);
        m_x.xdotool({"mousemove", QString::number(title.x()), QString::number(title.y()), "click",
                     "--repeat", "2", "--delay", "80", "1"});
    }

    void startGallery(const QStringList& arguments, const XSession& x,
                      const QString& scale = QString())
    {
        m_gallery = std::make_unique<QProcess>();
        QProcessEnvironment environment = x.environment();
        if (!scale.isEmpty())
            environment.insert("QT_SCALE_FACTOR", scale);
        m_gallery->setProcessEnvironment(environment);
        m_gallery->start(qEnvironmentVariable("Q5_BIN_DIR") + "/tessera-gallery", arguments);
        m_window = x.window("Tessera Gallery");
        QVERIFY2(!m_window.isEmpty(), m_gallery->readAllStandardError());
        QTRY_VERIFY(x.geometry(m_window).width() > 0);
    }
    void startGallery(const QStringList& arguments) { startGallery(arguments, m_x); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_x.start(),
                 "Xvfb, openbox or xdotool is missing, or openbox failed: " + m_x.failure());
    }

    void cleanup()
    {
        if (m_gallery && m_gallery->state() != QProcess::NotRunning) {
            m_gallery->kill();
            m_gallery->waitForFinished();
        }
    }

    // The window manager adds no frame; the title bar and the bands do its work. On X11 the
    // toolkit moves and resizes the window by its own hand (the manual drag).
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
        QCOMPARE(m_x.run("xprop", {"-id", m_window, "_NET_FRAME_EXTENTS"}).trimmed(),
                 QByteArray("_NET_FRAME_EXTENTS(CARDINAL) = 0, 0, 0, 0"));
        const QRect before = geometry();
        const QPoint point(from.x() < 0 ? before.width() + from.x() : from.x(),
                           from.y() < 0 ? before.height() + from.y() : from.y());
        drag(point, offset);
        if (change == QRect(0, 0, 0, 0)) {
            // Nothing to wait for: a move of the title bar after it shows when the drag has
            // been handled, as events are handled in order.
            drag(QPoint(150, 12), QPoint(20, 10));
            change.translate(20, 10);
        }
        QTRY_COMPARE(geometry(),
                     QRect(before.topLeft() + change.topLeft(), before.size() + change.size()));
    }

    void doubleClickMaximisesAndRestoresAltF4Closes()
    {
        startGallery({});
        const QRect before = geometry();
        doubleClickTitle();
        QTRY_COMPARE(geometry(), QRect(0, 0, 1280, 800));
        doubleClickTitle();
        QTRY_COMPARE(geometry(), before);
        m_x.xdotool({"windowactivate", "--sync", m_window, "key", "alt+F4"});
        QVERIFY(m_gallery->waitForFinished(10000));
        QCOMPARE(m_gallery->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_gallery->exitCode(), 0);
    }

    // A maximised window dragged by its title comes back to its size under the cursor, which
    // keeps its place across the title bar; restoring later still knows that size.
    void draggingAMaximisedWindow()
    {
        startGallery({});
        const QSize normal = geometry().size();
        doubleClickTitle();
        QTRY_COMPARE(geometry(), QRect(0, 0, 1280, 800));
        drag(QPoint(320, 12), QPoint(100, 200)); // a quarter across
        const QRect dragged(QPoint(320 - normal.width() / 4 + 100, 200), normal);
        QTRY_COMPARE(geometry(), dragged);
        doubleClickTitle();
        QTRY_COMPARE(geometry(), QRect(0, 0, 1280, 800));
        doubleClickTitle();
        QTRY_COMPARE(geometry(), dragged);
    }

    // The window menu by keyboard: Alt+Space, the menu's own search, Return.
    void windowMenuByKeyboard()
    {
        startGallery({});
        // The pointer off the window: no tool tip can count as the menu.
        m_x.xdotool(m_x.pointerOffWindows() +
                    QStringList{"windowactivate", "--sync", m_window, "key", "alt+space"});
        QTRY_COMPARE(m_x.shownWindows(m_gallery->processId()), 2);
        m_x.xdotool({"type", "Max"});
        m_x.xdotool({"key", "Return"});
        QTRY_COMPARE(geometry(), QRect(0, 0, 1280, 800));
    }

    // On a screen smaller than the contents (800 × 600 at scale 2) the window still fits, its
    // controls stay on the screen, and maximise fills it.
    void smallScreen()
    {
        XSession small;
        QVERIFY2(small.start(QSize(800, 600)), small.failure());
        startGallery({}, small, "2");
        const QRect screen(0, 0, 800, 600);
        QTRY_VERIFY(screen.contains(small.geometry(m_window)));
        const QPoint title = small.geometry(m_window).topLeft() + QPoint(100, 20);
        small.xdotool({"mousemove", QString::number(title.x()), QString::number(title.y()), "click",
                       "--repeat", "2", "--delay", "80", "1"});
        QTRY_COMPARE(small.geometry(m_window), screen);
        m_gallery->kill();
        m_gallery->waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestRealWindows)
#include "tst_real_windows.moc"
