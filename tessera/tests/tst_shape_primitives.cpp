#include "style/shape_primitives.h"

#include <QPainter>
#include <QTest>

using namespace Tessera;

Q_DECLARE_METATYPE(Tessera::ArrowDirection)

namespace {

QImage canvas()
{
    QImage image(40, 40, QImage::Format_ARGB32);
    image.fill(Qt::white);
    return image;
}

} // namespace

class TestShapePrimitives : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void arrowPolygons_data()
    {
        QTest::addColumn<ArrowDirection>("direction");
        QTest::addColumn<QPolygonF>("expected");
        QTest::newRow("up") << ArrowDirection::Up << QPolygonF({{0, 5}, {5, 0}, {10, 5}});
        QTest::newRow("left") << ArrowDirection::Left << QPolygonF({{10, 5}, {0, 2.5}, {10, 0}});
        QTest::newRow("none") << ArrowDirection::None << QPolygonF();
        QTest::newRow("out of range") << ArrowDirection(9) << QPolygonF();
    }

    void arrowPolygons()
    {
        QFETCH(ArrowDirection, direction);
        QFETCH(QPolygonF, expected);
        QCOMPARE(arrowPolygon(direction, QRectF(0, 0, 10, 5)), expected);
        QVERIFY(arrowPolygon(direction, QRectF(0, 0, -1, 5)).isEmpty());
    }

    // Pixels: where each shape must paint and must not.
    void shapesPaintWhereTheyShould()
    {
        QImage image = canvas();
        QPainter painter(&image);
        fillArrow(&painter, ArrowDirection::Up, QRectF(0, 0, 40, 20), Qt::NoPen, QBrush(Qt::black));
        drawLine(&painter, Qt::Horizontal, Qt::AlignBottom, QRectF(0, 20, 40, 10),
                 QPen(Qt::black, 2));
        drawEllipse(&painter, QRectF(10, 30, 10, 10), QPen(Qt::black, 2), Qt::NoBrush);
        painter.end();
        QCOMPARE(image.pixelColor(20, 17), QColor(Qt::black)); // the arrow's base
        QCOMPARE(image.pixelColor(2, 2), QColor(Qt::white));   // beside its tip
        QCOMPARE(image.pixelColor(20, 28), QColor(Qt::black)); // the line, 1 px above the bottom
        QCOMPARE(image.pixelColor(20, 25), QColor(Qt::white));
        QVERIFY(image.pixelColor(15, 30).lightness() < 64); // the outline, inset by half the pen
        QCOMPARE(image.pixelColor(15, 35), QColor(Qt::white));
    }

    void invisibleShapesLeaveEverythingAlone()
    {
        QImage image = canvas();
        QPainter painter(&image);
        fillArrow(&painter, ArrowDirection::Up, QRectF(0, 0, 40, 40), Qt::NoPen, Qt::NoBrush);
        strokeArrow(&painter, ArrowDirection::Up, QRectF(0, 0, 40, 40), Qt::NoPen);
        drawEllipse(&painter, QRectF(0, 0, 40, 40), Qt::NoPen, Qt::NoBrush);
        drawCheckMark(&painter, QRectF(), QPen(Qt::black));
        drawConvexPolygon(&painter, QPolygonF(), QPen(Qt::black), QBrush(Qt::black));
        painter.end();
        QCOMPARE(image, canvas());
    }

    void everyPrimitiveRestoresThePainter()
    {
        QImage image = canvas();
        QPainter painter(&image);
        const QPen pen(Qt::red, 3, Qt::DashLine);
        const QBrush brush(Qt::green, Qt::Dense4Pattern);
        painter.setPen(pen);
        painter.setBrush(brush);
        const QPen drawPen(Qt::blue, 2);
        const QBrush drawBrush(Qt::yellow);
        const QRectF r(2, 2, 30, 20);
        for (bool antialiased : {false, true}) {
            painter.setRenderHint(QPainter::Antialiasing, antialiased);
            fillArrow(&painter, ArrowDirection::Left, r, drawPen, drawBrush);
            strokeArrow(&painter, ArrowDirection::Right, r, drawPen);
            drawCheckMark(&painter, r, drawPen);
            drawEllipse(&painter, r, drawPen, drawBrush);
            drawRoundedRect(&painter, r, drawPen, drawBrush, Orrery::CornerRadii{4, 0, 4, 0});
            drawLine(&painter, Qt::Vertical, r, drawPen);
            QCOMPARE(painter.pen(), pen);
            QCOMPARE(painter.brush(), brush);
            QCOMPARE(painter.testRenderHint(QPainter::Antialiasing), antialiased);
        }
    }
};

QTEST_MAIN(TestShapePrimitives)
#include "tst_shape_primitives.moc"
