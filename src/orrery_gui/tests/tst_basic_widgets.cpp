#include "orrery_gui/widgets/elided_label.h"
#include "orrery_gui/widgets/static_svg_widget.h"
#include "two_screens.h"

#include <QApplication>
#include <QHelpEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QWindow>

using namespace Orrery;

namespace {

QTemporaryDir* files = nullptr;

// 40 x 20 view box, a red rectangle filling it.
QString redRectangleSvg()
{
    const QString path = files->filePath("red.svg");
    QFile file(path);
    if (!file.exists() && file.open(QIODevice::WriteOnly))
        file.write("<svg xmlns='http://www.w3.org/2000/svg' width='40' height='20' "
                   "viewBox='0 0 40 20'><rect width='40' height='20' fill='#ff0000'/></svg>");
    return path;
}

void paintNow(QWidget& widget)
{
    QPixmap target(widget.size() * widget.devicePixelRatioF());
    target.setDevicePixelRatio(widget.devicePixelRatioF());
    widget.render(&target);
}

} // namespace

class TestBasicWidgets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void svgPaintsScaledCentredAndCached()
    {
        StaticSvgWidget widget;
        widget.load(redRectangleSvg());
        QCOMPARE(widget.sizeHint(), QSize(40, 20));
        widget.resize(100, 100);
        widget.show();
        const QImage image = widget.grab().toImage();
        // 40 x 20 kept in aspect: 100 x 50, centred vertically.
        QCOMPARE(image.pixelColor(50, 30), QColor(Qt::red));
        QVERIFY(image.pixelColor(50, 20) != QColor(Qt::red));
        const qint64 cached = widget.cachedPixmap().cacheKey();
        widget.resize(100, 120); // still 100 x 50
        QCOMPARE(widget.cachedPixmap().cacheKey(), cached);
        widget.resize(60, 120); // now 60 x 30
        QVERIFY(widget.cachedPixmap().isNull());
        paintNow(widget);
        QCOMPARE(widget.cachedPixmap().size(), QSize(60, 30));
    }

    void svgRendersAgainOnAnotherPixelRatio()
    {
        const QList<QScreen*> screens = QGuiApplication::screens();
        QCOMPARE(screens.size(), 2);
        StaticSvgWidget widget;
        widget.load(redRectangleSvg());
        widget.resize(100, 100);
        widget.show();
        widget.windowHandle()->setScreen(screens[0]);
        paintNow(widget);
        QCOMPARE(widget.cachedPixmap().devicePixelRatio(), 1.0);
        widget.windowHandle()->setScreen(screens[1]);
        QTRY_COMPARE(widget.devicePixelRatioF(), 2.0);
        paintNow(widget);
        QCOMPARE(widget.cachedPixmap().size(), QSize(200, 100));
    }

    void elidedLabelShowsTheWholeTextAsToolTip()
    {
        ElidedLabel label(QStringLiteral("A window title that is far too long to fit"));
        label.resize(label.sizeHint());
        label.show();
        QVERIFY(!label.isElided());
        QHelpEvent tip(QEvent::ToolTip, QPoint(2, 2), label.mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(&label, &tip);
        QVERIFY(!QToolTip::isVisible());
        label.resize(label.sizeHint().width() / 3, label.height());
        QVERIFY(label.elidedText().endsWith(QChar(0x2026)));
        QApplication::sendEvent(&label, &tip);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), label.text());
        QToolTip::hideText();
    }
};

int main(int argc, char* argv[])
{
    QTemporaryDir folder;
    files = &folder;
    // Pixel ratios 1 and 2, so that a widget can change its ratio.
    useOffscreenScreens(folder, {{96, 2}});
    QApplication application(argc, argv);
    TestBasicWidgets test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_basic_widgets.moc"
