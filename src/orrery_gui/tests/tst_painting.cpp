#include "painting/colour.h"
#include "painting/connections.h"
#include "painting/geometry.h"
#include "painting/rounded_rect.h"
#include "stderr_capture.h"

#include <QImage>
#include <QPainter>
#include <QTest>

using namespace Orrery;

namespace {

// A canvas with a known background, so painted pixels can be told apart.
QImage canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::white);
    return image;
}

bool isPainted(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y) != QColor(Qt::white);
}

} // namespace

class TestPainting : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void alignedIntegerRect_data()
    {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QRect>("expected");

        const QRect r(10, 20, 10, 8);
        QTest::newRow("top left") << int(Qt::AlignLeft | Qt::AlignTop) << QSize(5, 4) << r
                                  << QRect(10, 20, 5, 4);
        QTest::newRow("centre truncates")
            << int(Qt::AlignCenter) << QSize(5, 3) << r << QRect(12, 22, 5, 3);
        QTest::newRow("right wins over centre")
            << int(Qt::AlignRight | Qt::AlignHCenter) << QSize(5, 4) << r << QRect(15, 20, 5, 4);
        QTest::newRow("vertical centre wins over bottom")
            << int(Qt::AlignVCenter | Qt::AlignBottom) << QSize(5, 4) << r << QRect(10, 22, 5, 4);
        QTest::newRow("bottom right")
            << int(Qt::AlignRight | Qt::AlignBottom) << QSize(4, 4) << r << QRect(16, 24, 4, 4);
        QTest::newRow("larger sticks out")
            << int(Qt::AlignCenter) << QSize(15, 12) << r << QRect(8, 18, 15, 12);
        QTest::newRow("no mirroring for leading")
            << int(Qt::AlignLeading) << QSize(4, 4) << r << QRect(10, 20, 4, 4);
    }

    void alignedIntegerRect()
    {
        QFETCH(int, alignment);
        QFETCH(QSize, size);
        QFETCH(QRect, rect);
        QFETCH(QRect, expected);
        QCOMPARE(alignedRect(Qt::Alignment(alignment), size, rect), expected);
    }

    void alignedFractionalRect_data()
    {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<QRectF>("expected");
        const QRectF r(0.5, 1.0, 10.0, 5.0);
        QTest::newRow("centre halves")
            << int(Qt::AlignCenter) << QSizeF(5, 2) << QRectF(3.0, 2.5, 5, 2);
        QTest::newRow("right") << int(Qt::AlignRight) << QSizeF(5, 2) << QRectF(5.5, 1.0, 5, 2);
        QTest::newRow("bottom") << int(Qt::AlignBottom) << QSizeF(5, 2) << QRectF(0.5, 4.0, 5, 2);
        QTest::newRow("larger") << int(Qt::AlignCenter) << QSizeF(12, 7) << QRectF(-0.5, 0, 12, 7);
    }

    void alignedFractionalRect()
    {
        QFETCH(int, alignment);
        QFETCH(QSizeF, size);
        QFETCH(QRectF, expected);
        QCOMPARE(alignedRect(Qt::Alignment(alignment), size, QRectF(0.5, 1.0, 10.0, 5.0)),
                 expected);
    }

    void corners()
    {
        const QRectF r(1, 2, 10, 20);
        QCOMPARE(cornerAlignment(Qt::TopLeftCorner), Qt::AlignLeft | Qt::AlignTop);
        QCOMPARE(cornerAlignment(Qt::TopRightCorner), Qt::AlignRight | Qt::AlignTop);
        QCOMPARE(cornerAlignment(Qt::BottomLeftCorner), Qt::AlignLeft | Qt::AlignBottom);
        QCOMPARE(cornerAlignment(Qt::BottomRightCorner), Qt::AlignRight | Qt::AlignBottom);
        QCOMPARE(cornerPoint(Qt::TopLeftCorner, r), QPointF(1, 2));
        QCOMPARE(cornerPoint(Qt::TopRightCorner, r), QPointF(11, 2));
        QCOMPARE(cornerPoint(Qt::BottomLeftCorner, r), QPointF(1, 22));
        QCOMPARE(cornerPoint(Qt::BottomRightCorner, r), QPointF(11, 22));
    }

    void rounding()
    {
        QCOMPARE(ceilSize(QSizeF(2.1, 3.0)), QSize(3, 3));
        QCOMPARE(ceilMargins(QMarginsF(0.2, 1.0, 1.5, 2.9)), QMargins(1, 1, 2, 3));
        QCOMPARE(innerRect(QRectF(0.5, 0.5, 10, 10)), QRect(1, 1, 9, 9));
        QCOMPARE(innerRect(QRectF(0, 0, 10, 10)), QRect(0, 0, 10, 10));
        QCOMPARE(innerRect(QRectF(-1.5, 2.25, 3, 3)), QRect(-1, 3, 2, 2));
    }

    void blends_data()
    {
        QTest::addColumn<QColor>("over");
        QTest::addColumn<QColor>("under");
        QTest::addColumn<double>("alpha");
        QTest::addColumn<QColor>("expected");
        QTest::addColumn<bool>("logicError");

        QTest::newRow("white on black 0.3") << QColor("#ffffff") << QColor("#000000") << 0.3
                                            << QColor::fromRgbF(0.3f, 0.3f, 0.3f) << false;
        QTest::newRow("alpha 0 gives under")
            << QColor("#ff0000") << QColor("#0000ff") << 0.0 << QColor("#0000ff") << false;
        QTest::newRow("alpha 1 gives over")
            << QColor("#ff0000") << QColor("#0000ff") << 1.0 << QColor("#ff0000") << false;
        QTest::newRow("alpha 1.5 gives over")
            << QColor("#ff0000") << QColor("#0000ff") << 1.5 << QColor("#ff0000") << true;
        QTest::newRow("alpha -1 gives under")
            << QColor("#ff0000") << QColor("#0000ff") << -1.0 << QColor("#0000ff") << true;
        QTest::newRow("two transparent")
            << QColor(255, 0, 0, 0) << QColor(0, 255, 0, 0) << 0.5 << QColor(0, 0, 0, 0) << false;
        // Only the opaque colour carries weight: the result keeps its hue at half alpha.
        QTest::newRow("over transparent") << QColor(255, 0, 0, 255) << QColor(0, 255, 0, 0) << 0.5
                                          << QColor::fromRgbF(1.0f, 0.0f, 0.0f, 0.5f) << false;
    }

    void blends()
    {
        QFETCH(QColor, over);
        QFETCH(QColor, under);
        QFETCH(double, alpha);
        QFETCH(QColor, expected);
        QFETCH(bool, logicError);

        StderrCapture capture;
        const QColor result = blend(over, under, alpha);
        const QByteArray printed = capture.text();
        QCOMPARE(result.rgba(), expected.rgba());
        QCOMPARE(printed.contains("Logic error: 'Orrery::inRange(0.0, alpha, 1.0)' is FALSE"),
                 logicError);
    }

    void textContrast_data()
    {
        QTest::addColumn<QColor>("background");
        QTest::addColumn<int>("luminance");
        QTest::addColumn<QColor>("text");
        QTest::newRow("#bbbbbb") << QColor("#bbbbbb") << 187 << QColor(Qt::black);
        QTest::newRow("#bababa") << QColor("#bababa") << 186 << QColor(Qt::white);
        QTest::newRow("pure red") << QColor("#ff0000") << 76 << QColor(Qt::white);
        QTest::newRow("pure green") << QColor("#00ff00") << 149 << QColor(Qt::white);
        QTest::newRow("yellow") << QColor("#ffff00") << 225 << QColor(Qt::black);
    }

    void textContrast()
    {
        QFETCH(QColor, background);
        QFETCH(int, luminance);
        QFETCH(QColor, text);
        QCOMPARE(Orrery::luminance(background), luminance);
        QCOMPARE(contrastingTextColour(background), text);
    }

    void roundedRectCorners_data()
    {
        QTest::addColumn<qreal>("topLeft");
        QTest::addColumn<qreal>("topRight");
        QTest::addColumn<qreal>("bottomLeft");
        QTest::addColumn<qreal>("bottomRight");
        QTest::addColumn<bool>("topCornersRound");
        QTest::addColumn<bool>("bottomCornersRound");
        QTest::newRow("4 4 4 4") << 4.0 << 4.0 << 4.0 << 4.0 << true << true;
        QTest::newRow("4 4 0 0") << 4.0 << 4.0 << 0.0 << 0.0 << true << false;
        QTest::newRow("0 0 4 4") << 0.0 << 0.0 << 4.0 << 4.0 << false << true;
        QTest::newRow("0 0 0 0") << 0.0 << 0.0 << 0.0 << 0.0 << false << false;
    }

    void roundedRectCorners()
    {
        QFETCH(qreal, topLeft);
        QFETCH(qreal, topRight);
        QFETCH(qreal, bottomLeft);
        QFETCH(qreal, bottomRight);
        QFETCH(bool, topCornersRound);
        QFETCH(bool, bottomCornersRound);

        QImage image = canvas(40, 30);
        QPainter painter(&image);
        drawRoundedRect(&painter, QRectF(10, 10, 20, 10), Qt::NoPen, QBrush(Qt::black),
                        {topLeft, topRight, bottomLeft, bottomRight});
        painter.end();
        // A rounded corner leaves its outermost pixel unpainted; a square one paints it.
        QCOMPARE(!isPainted(image, 10, 10), topCornersRound);
        QCOMPARE(!isPainted(image, 29, 10), topCornersRound);
        QCOMPARE(!isPainted(image, 10, 19), bottomCornersRound);
        QCOMPARE(!isPainted(image, 29, 19), bottomCornersRound);
        // Edges and the middle are painted, and nothing outside.
        QVERIFY(isPainted(image, 20, 10) && isPainted(image, 20, 19) && isPainted(image, 10, 15));
        QVERIFY(!isPainted(image, 9, 15) && !isPainted(image, 30, 15) && !isPainted(image, 20, 20));
    }

    void roundedRectArcsAreBounded()
    {
        // Radius 30 on a 20 x 10 rectangle: each arc is bounded by the rectangle itself.
        QImage image = canvas(40, 30);
        QPainter painter(&image);
        drawRoundedRect(&painter, QRectF(10, 10, 20, 10), Qt::NoPen, QBrush(Qt::black),
                        {30, 30, 0, 0});
        painter.end();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (isPainted(image, x, y))
                    QVERIFY2(QRect(10, 10, 20, 10).contains(x, y),
                             qPrintable(QString("%1,%2").arg(x).arg(y)));
        QVERIFY(isPainted(image, 10, 19));
        QVERIFY(!isPainted(image, 10, 10));
    }

    void roundedRectLeavesThePainterAsItWas()
    {
        QImage image = canvas(20, 20);
        QPainter painter(&image);
        const QPen pen(Qt::red, 3);
        const QBrush brush(Qt::green);
        painter.setPen(pen);
        painter.setBrush(brush);
        drawRoundedRect(&painter, QRectF(2, 2, 16, 16), QPen(Qt::blue, 2), QBrush(Qt::yellow),
                        {4, 4, 0, 0});
        QCOMPARE(painter.pen(), pen);
        QCOMPARE(painter.brush(), brush);
        QVERIFY(!painter.testRenderHint(QPainter::Antialiasing));
        painter.setRenderHint(QPainter::Antialiasing);
        drawRoundedRect(&painter, QRectF(2, 2, 16, 16), QPen(Qt::blue, 2), Qt::NoBrush,
                        {4, 4, 4, 4});
        QVERIFY(painter.testRenderHint(QPainter::Antialiasing));
    }

    void invisibleRoundedRectDrawsNothing()
    {
        QImage image = canvas(20, 20);
        QPainter painter(&image);
        drawRoundedRect(&painter, QRectF(2, 2, 16, 16), Qt::NoPen, Qt::NoBrush, {4, 4, 4, 4});
        drawRoundedRect(&painter, QRectF(2, 2, -5, 16), Qt::NoPen, QBrush(Qt::black), {4, 4, 4, 4});
        painter.end();
        QImage blank = canvas(20, 20);
        QCOMPARE(image, blank);
    }

    void connectionReplacement()
    {
        QObject first, second;
        int calls = 0;
        QMetaObject::Connection held =
            QObject::connect(&first, &QObject::objectNameChanged, &first, [&] { ++calls; });
        replaceConnection(held, QObject::connect(&second, &QObject::objectNameChanged, &second,
                                                 [&] { calls += 10; }));
        first.setObjectName("a");
        QCOMPARE(calls, 0);
        second.setObjectName("a");
        QCOMPARE(calls, 10);

        QMetaObject::Connection taken = takeConnection(held);
        QVERIFY(!held);
        QVERIFY(taken);
        QVERIFY(QObject::disconnect(taken));
        // Replacing a connection that is already gone does nothing to it.
        replaceConnection(taken, QMetaObject::Connection());
        QVERIFY(!taken);
        second.setObjectName("b");
        QCOMPARE(calls, 10);
    }
};

QTEST_MAIN(TestPainting)
#include "tst_painting.moc"
