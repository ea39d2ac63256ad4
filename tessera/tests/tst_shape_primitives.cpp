#include "tessera/style/shape_primitives.h"

#include <QPainter>
#include <QTest>

using namespace Tessera;

class TestShapePrimitives : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void arrowPolygons()
    {
        const QRectF box(0, 0, 10, 5);
        QCOMPARE(arrowPolygon(ArrowDirection::Up, box), QPolygonF({{0, 5}, {5, 0}, {10, 5}}));
        QCOMPARE(arrowPolygon(ArrowDirection::Left, box), QPolygonF({{10, 5}, {0, 2.5}, {10, 0}}));
        QVERIFY(arrowPolygon(ArrowDirection(9), box).isEmpty());
        QVERIFY(arrowPolygon(ArrowDirection::Up, QRectF(0, 0, -1, 5)).isEmpty());
    }

    // Each primitive leaves the painter as it found it; without pen and brush it paints nothing.
    void primitivesRestoreThePainter()
    {
        QImage image(40, 40, QImage::Format_ARGB32);
        image.fill(Qt::white);
        const QImage blank = image;
        QPainter painter(&image);
        const QPen pen(Qt::red, 3, Qt::DashLine);
        painter.setPen(pen);
        const QRectF r(2, 2, 30, 20);
        for (const QPen& drawPen : {QPen(Qt::NoPen), QPen(Qt::blue, 2)}) {
            const QBrush drawBrush = drawPen.style() == Qt::NoPen ? QBrush() : QBrush(Qt::yellow);
            for (bool antialiased : {false, true}) {
                painter.setRenderHint(QPainter::Antialiasing, antialiased);
                fillArrow(&painter, ArrowDirection::Left, r, drawPen, drawBrush);
                strokeArrow(&painter, ArrowDirection::Right, r, drawPen);
                drawCheckMark(&painter, r, drawPen);
                drawEllipse(&painter, r, drawPen, drawBrush);
                drawRoundedRect(&painter, r, drawPen, drawBrush, Orrery::CornerRadii{4, 0, 4, 0});
                drawLine(&painter, Qt::Vertical, r, drawPen);
                QCOMPARE(painter.pen(), pen);
                QCOMPARE(painter.testRenderHint(QPainter::Antialiasing), antialiased);
            }
            QCOMPARE(image == blank, drawPen.style() == Qt::NoPen);
        }
    }
};

QTEST_MAIN(TestShapePrimitives)
#include "tst_shape_primitives.moc"
