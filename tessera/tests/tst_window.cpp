#include "tessera/palette/palette.h"
#include "tessera/style/style.h"
#include "tessera/window/dialog.h"
#include "tessera/window/non_owning_proxy_widget.h"
#include "tessera/window/window_control_button.h"
#include "tessera/window/window_resize_area.h"
#include "tessera/window/window_title_bar.h"

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

using namespace Tessera;

Q_DECLARE_METATYPE(Tessera::DefaultSizeMode)
Q_DECLARE_METATYPE(std::optional<Tessera::WindowOperation>)

namespace {

void sendMouse(QWidget* widget, QEvent::Type type, QPoint position, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, position, widget->mapToGlobal(position), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

std::unique_ptr<Dialog> dialogWith(Qt::WindowFlags flags)
{
    auto dialog = std::make_unique<Dialog>(nullptr, Qt::Window | flags);
    dialog->setWindowTitle("Title");
    return dialog;
}

QStringList menuEntries(const WindowTitleBar* titleBar)
{
    QStringList entries;
    if (const QMenu* menu = titleBar->findChild<QMenu*>())
        for (const QAction* action : menu->actions())
            entries << (action->isSeparator() ? "-"
                                              : action->text() + (action->isEnabled() ? "" : "?"));
    return entries;
}

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QApplication::setStyle(new Style(Palette::forTheme(ThemeMode::Dark)));
        QVERIFY(QApplication::startDragDistance() > 1);
    }

    // Only a drag of the start-drag distance (Manhattan) from a press outside the caption
    // buttons asks for a move.
    void titleBarDrag_data()
    {
        QTest::addColumn<bool>("onCloseButton");
        QTest::addColumn<int>("shortBy");
        QTest::addColumn<int>("moves");
        QTest::newRow("shorter than the distance") << false << 1 << 0;
        QTest::newRow("at the distance") << false << 0 << 1;
        QTest::newRow("from a caption button") << true << 0 << 0;
    }

    void titleBarDrag()
    {
        QFETCH(bool, onCloseButton);
        QFETCH(int, shortBy);
        QFETCH(int, moves);
        const auto dialog = dialogWith(Qt::WindowCloseButtonHint);
        dialog->show();
        WindowTitleBar* bar = Window::findFor(dialog.get())->titleBar();
        QSignalSpy operations(bar, &WindowTitleBar::operationRequested);
        const QPoint start = onCloseButton
                                 ? bar->controlButton(WindowControl::Close)->geometry().center()
                                 : QPoint(60, 10);
        const int distance = QApplication::startDragDistance() - shortBy;
        sendMouse(bar, QEvent::MouseButtonPress, start, Qt::LeftButton);
        sendMouse(bar, QEvent::MouseMove, start + QPoint(distance - distance / 2, distance / 2),
                  Qt::LeftButton);
        QCOMPARE(operations.count(), moves);
    }

    // A move the toolkit makes itself keeps all of the title bar's height and a third of its
    // width on the screen.
    void manualMoveKeepsTheTitleBarWithinReach()
    {
        const auto dialog = dialogWith(Qt::WindowCloseButtonHint);
        dialog->setGeometry(100, 100, 300, 200);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QWindow* window = dialog->windowHandle();
        const auto moveTo = [&](QPoint global) {
            QTest::mouseMove(window, global - window->position());
        };
        const QPoint press = QPoint(60, 10);
        QTest::mousePress(window, Qt::LeftButton, {}, press);
        QTest::mouseMove(window, press + QPoint(20, 0)); // starts the drag
        moveTo(QPoint(180, -390));
        const QRect area = dialog->screen()->availableGeometry();
        const QRect handle = Window::findFor(dialog.get())->titleBarHost()->geometry();
        QTRY_COMPARE(dialog->y() + handle.y(), area.y());
        moveTo(QPoint(-2000, 30));
        QTRY_COMPARE(dialog->x() + handle.x() + handle.width(), area.x() + handle.width() / 3);
        moveTo(QPoint(5000, 5000));
        QTRY_COMPARE(dialog->x() + handle.x(), area.x() + area.width() - handle.width() / 3);
        QCOMPARE(dialog->y() + handle.y() + handle.height(), area.y() + area.height());
        QTest::mouseRelease(window, Qt::LeftButton);
    }

    void doubleClickTogglesMaximiseAndTheMenuFollows()
    {
        const auto dialog = dialogWith(Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
        dialog->show();
        WindowTitleBar* bar = Window::findFor(dialog.get())->titleBar();
        const QStringList normal = {"Restore?", "Minimise", "Maximise", "-", "Close"};
        bar->showSystemMenu(QPoint(0, 0));
        QCOMPARE(menuEntries(bar), normal);
        QVERIFY(Window::findFor(dialog.get())->resizeArea()->isVisible());
        sendMouse(bar, QEvent::MouseButtonDblClick, QPoint(60, 10), Qt::LeftButton);
        QVERIFY(dialog->isMaximized());
        QVERIFY(!Window::findFor(dialog.get())->resizeArea()->isVisible());
        bar->findChild<QMenu*>()->close();
        QTRY_VERIFY(!bar->findChild<QMenu*>());
        // From the keyboard, the menu opens below the title bar's left end.
        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(80, 5),
                              bar->mapToGlobal(QPoint(80, 5)));
        QApplication::sendEvent(bar, &key);
        QCOMPARE(menuEntries(bar), QStringList({"Restore", "Minimise", "Maximise?", "-", "Close"}));
        QCOMPARE(bar->findChild<QMenu*>()->pos(), bar->mapToGlobal(bar->rect().bottomLeft()));
        sendMouse(bar, QEvent::MouseButtonDblClick, QPoint(60, 10), Qt::LeftButton);
        QVERIFY(!dialog->isMaximized());
        QVERIFY(Window::findFor(dialog.get())->resizeArea()->isVisible());
    }

    void controlsFollowTheFlagsAndLimits_data()
    {
        QTest::addColumn<int>("flags");
        QTest::addColumn<QSize>("maximum"); // empty: unbounded
        QTest::addColumn<QStringList>("entries");
        const int maximisable = Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint;
        QTest::newRow("close only")
            << int(Qt::WindowCloseButtonHint) << QSize()
            << QStringList{"Restore?", "Minimise?", "Maximise?", "-", "Close"};
        QTest::newRow("unbounded")
            << maximisable << QSize()
            << QStringList{"Restore?", "Minimise?", "Maximise", "-", "Close"};
        QTest::newRow("maximum size bounded")
            << maximisable << QSize(800, 600)
            << QStringList{"Restore?", "Minimise?", "Maximise?", "-", "Close"};
        QTest::newRow("width bounded only")
            << maximisable << QSize(800, QWIDGETSIZE_MAX)
            << QStringList{"Restore?", "Minimise?", "Maximise?", "-", "Close"};
        QTest::newRow("height bounded only")
            << maximisable << QSize(QWIDGETSIZE_MAX, 600)
            << QStringList{"Restore?", "Minimise?", "Maximise?", "-", "Close"};
        QTest::newRow("bounded, customised")
            << int(Qt::WindowMaximizeButtonHint | Qt::CustomizeWindowHint) << QSize(800, 600)
            << QStringList{"Restore?", "Minimise?", "Maximise", "-", "Close?"};
        QTest::newRow("fixed-size dialog hint")
            << int(Qt::WindowMaximizeButtonHint | Qt::MSWindowsFixedSizeDialogHint) << QSize()
            << QStringList{};
    }

    void controlsFollowTheFlagsAndLimits()
    {
        QFETCH(int, flags);
        QFETCH(QSize, maximum);
        QFETCH(QStringList, entries);
        const auto dialog = dialogWith(Qt::WindowFlags(flags));
        if (!maximum.isEmpty())
            dialog->setMaximumSize(maximum);
        dialog->show();
        Window* window = Window::findFor(dialog.get());
        window->titleBar()->showSystemMenu(QPoint(0, 0));
        QCOMPARE(menuEntries(window->titleBar()), entries);
        QCOMPARE(window->resizeArea()->isVisible(), !(flags & Qt::MSWindowsFixedSizeDialogHint));
    }

    // Border 1 around everything; the title bar's host sits inside it, the contents below it.
    void hostGeometryAndContentsMargins()
    {
        const auto dialog = dialogWith(Qt::WindowCloseButtonHint);
        dialog->resize(400, 300);
        dialog->show();
        const Window* window = Window::findFor(dialog.get());
        const QRect host = window->titleBarHost()->geometry();
        QCOMPARE(host, QRect(1, 1, 398, window->titleBarHeight()));
        QCOMPARE(dialog->contentsMargins(), QMargins(1, 1 + host.height(), 1, 1));
    }

    void attachOnceAndForgetTheGone()
    {
        auto widget = std::make_unique<QWidget>();
        Window* installed = Window::install(widget.get());
        QVERIFY(installed && Window::findFor(widget.get()) == installed);
        QVERIFY(!Window::install(widget.get()));
        Window other;
        QVERIFY(!other.attach(widget.get()));
        QVERIFY(widget->windowFlags() & Qt::FramelessWindowHint);
        const QWidget* gone = widget.get();
        widget.reset();
        QVERIFY(!Window::findFor(gone));
        QVERIFY(other.attach(new QWidget(nullptr)));
        delete other.widget();
        QVERIFY(!other.widget());
    }

    void detachGivesTheFrameBack()
    {
        QWidget widget;
        Window window;
        QVERIFY(window.attach(&widget));
        widget.show();
        window.detach();
        QVERIFY(!(widget.windowFlags() & Qt::FramelessWindowHint));
        QCOMPARE(widget.contentsMargins(), QMargins());
        QVERIFY(!window.titleBarHost() && !Window::findFor(&widget));
    }

    void resizeBands_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<bool>("fixedWidth");
        QTest::addColumn<std::optional<WindowOperation>>("operation");
        QTest::addColumn<int>("cursor"); // -1: none set
        QTest::newRow("top left") << QPoint(1, 1) << false
                                  << std::optional(WindowOperation::ResizeTopLeft)
                                  << int(Qt::SizeFDiagCursor);
        QTest::newRow("right") << QPoint(198, 50) << false
                               << std::optional(WindowOperation::ResizeRight)
                               << int(Qt::SizeHorCursor);
        QTest::newRow("bottom") << QPoint(100, 98) << false
                                << std::optional(WindowOperation::ResizeBottom)
                                << int(Qt::SizeVerCursor);
        QTest::newRow("inside") << QPoint(100, 50) << false << std::optional<WindowOperation>()
                                << -1;
        QTest::newRow("left, fixed width")
            << QPoint(1, 50) << true << std::optional<WindowOperation>() << -1;
        QTest::newRow("bottom left, fixed width")
            << QPoint(1, 98) << true << std::optional<WindowOperation>() << -1;
        QTest::newRow("bottom, fixed width")
            << QPoint(100, 98) << true << std::optional(WindowOperation::ResizeBottom)
            << int(Qt::SizeVerCursor);
    }

    void resizeBands()
    {
        QFETCH(QPoint, point);
        QFETCH(bool, fixedWidth);
        QFETCH(std::optional<WindowOperation>, operation);
        QFETCH(int, cursor);
        QWidget window;
        window.resize(200, 100);
        if (fixedWidth)
            window.setFixedWidth(200);
        WindowResizeArea area(&window);
        area.resize(window.size());
        area.setMargins(QMargins(5, 5, 5, 5));
        QCOMPARE(area.operationAt(point), operation);
        sendMouse(&area, QEvent::MouseMove, point, Qt::NoButton);
        QCOMPARE(area.testAttribute(Qt::WA_SetCursor) ? int(area.cursor().shape()) : -1, cursor);
    }

    void bandsAreClampedAndMasked()
    {
        QWidget window;
        window.show();
        WindowResizeArea area(&window);
        area.show();
        QVERIFY(area.testAttribute(Qt::WA_DontShowOnScreen) && area.mask().isEmpty());
        area.resize(100, 6);
        area.setMargins(QMargins(5, 5, 5, 5));
        // Top and bottom clamp to 3 each, leaving no inside: the whole area is a band.
        QCOMPARE(area.mask(), QRegion(0, 0, 100, 6));
        area.resize(100, 100);
        QCOMPARE(area.mask(), QRegion(0, 0, 100, 100) - QRegion(5, 5, 90, 90));
    }

    void defaultSizes_data()
    {
        QTest::addColumn<DefaultSizeMode>("mode");
        QTest::addColumn<QSize>("expected");
        // Current 300 x 500, default 400 x 200, minimum 350 x 100.
        QTest::newRow("exact") << DefaultSizeMode::Exact << QSize(400, 200);
        QTest::newRow("at least") << DefaultSizeMode::AtLeast << QSize(400, 500);
        QTest::newRow("at most") << DefaultSizeMode::AtMost << QSize(350, 200);
    }

    void defaultSizes()
    {
        QFETCH(DefaultSizeMode, mode);
        QFETCH(QSize, expected);
        QCOMPARE(defaultShowSize(QSize(300, 500), QSize(400, 200), mode, QSize(350, 100))
                     .value_or(QSize()),
                 expected);
    }

    void defaultSizeAtShow()
    {
        Dialog fits, tooLarge, resizedByCode;
        fits.setDefaultSize(QSize(520, 300));
        const QSize available = tooLarge.screen()->availableSize();
        tooLarge.setDefaultSize(available + QSize(10, 10));
        resizedByCode.setDefaultSize(QSize(520, 300));
        resizedByCode.resize(333, 222);
        for (Dialog* dialog : {&fits, &tooLarge, &resizedByCode})
            dialog->show();
        QCOMPARE(fits.size(), QSize(520, 300));
        QVERIFY(tooLarge.isMaximized());
        QCOMPARE(resizedByCode.size(), QSize(333, 222));
    }

    // A plain dialog already waiting in exec() when the toolkit style arrives is left as it is:
    // new window flags would hide it and end exec() as rejected.
    void styleArrivingOverARunningDialog()
    {
        QApplication::setStyle(QStringLiteral("Fusion"));
        QDialog dialog;
        QTimer::singleShot(0, &dialog, [&] {
            QApplication::setStyle(new Style(Palette::forTheme(ThemeMode::Light)));
            QVERIFY(dialog.isVisible());
            dialog.accept();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QVERIFY(!Window::findFor(&dialog));
        QApplication::setStyle(new Style(Palette::forTheme(ThemeMode::Dark)));
    }

    // Windows die in every order: with their dialog, as a message box's own child, on close.
    void manyWindowsComeAndGo()
    {
        for (int round = 0; round < 20; ++round) {
            auto* dialog = new Dialog;
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            dialog->show();
            auto* box =
                new QMessageBox(QMessageBox::Information, "Box", "Text", QMessageBox::Ok, dialog);
            QVERIFY(Window::install(box));
            box->show();
            if (round % 2)
                delete box;
            QVERIFY(Window::findFor(dialog)->triggerControl(WindowControl::Close));
        }
        QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0);
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
