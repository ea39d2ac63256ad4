#include "style/shape_primitives.h"

#include <QPaintEngine>
#include <QPainter>
#include <QTest>

using namespace Tessera;

Q_DECLARE_METATYPE(Tessera::ArrowDirection)

namespace {

// Records the points of polylines and lines handed to the paint engine.
class RecordingEngine : public QPaintEngine
{
public:
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    Type type() const override { return User; }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        calls.append({mode == PolylineMode ? "polyline" : "polygon",
                      QPolygonF(QList<QPointF>(points, points + count))});
    }
    void drawLines(const QLineF* lines, int count) override
    {
        for (int i = 0; i < count; ++i)
            calls.append({"line", QPolygonF({lines[i].p1(), lines[i].p2()})});
    }
    struct Call {
        QString kind;
        QPolygonF points;
    };
    QList<Call> calls;
};

class RecordingDevice : public QPaintDevice
{
public:
    QPaintEngine* paintEngine() const override { return &engine; }
    mutable RecordingEngine engine;

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
        case PdmHeight:
            return 100;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        default:
            return 32;
        }
    }
};

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
        QTest::newRow("down") << ArrowDirection::Down << QPolygonF({{10, 0}, {5, 5}, {0, 0}});
        QTest::newRow("left") << ArrowDirection::Left << QPolygonF({{10, 5}, {0, 2.5}, {10, 0}});
        QTest::newRow("right") << ArrowDirection::Right << QPolygonF({{0, 0}, {10, 2.5}, {0, 5}});
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

    void strokedArrowIsAnOpenChevron()
    {
        RecordingDevice device;
        QPainter painter(&device);
        strokeArrow(&painter, ArrowDirection::Down, QRectF(0, 0, 10, 5), QPen(Qt::black, 2));
        painter.end();
        QCOMPARE(device.engine.calls.size(), 1);
        QCOMPARE(device.engine.calls[0].kind, QString("polyline"));
        QCOMPARE(device.engine.calls[0].points, QPolygonF({{10, 0}, {5, 5}, {0, 0}}));
    }

    void linesRunAlongTheBoxMiddle_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<QPolygonF>("expected");
        QTest::newRow("horizontal centre")
            << int(Qt::Horizontal) << int(Qt::AlignCenter) << QPolygonF({{0, 5}, {20, 5}});
        QTest::newRow("horizontal top")
            << int(Qt::Horizontal) << int(Qt::AlignTop) << QPolygonF({{0, 1}, {20, 1}});
        QTest::newRow("horizontal bottom")
            << int(Qt::Horizontal) << int(Qt::AlignBottom) << QPolygonF({{0, 9}, {20, 9}});
        QTest::newRow("vertical left")
            << int(Qt::Vertical) << int(Qt::AlignLeft) << QPolygonF({{1, 0}, {1, 10}});
        QTest::newRow("vertical centre")
            << int(Qt::Vertical) << int(Qt::AlignCenter) << QPolygonF({{10, 0}, {10, 10}});
    }

    void linesRunAlongTheBoxMiddle()
    {
        QFETCH(int, orientation);
        QFETCH(int, alignment);
        QFETCH(QPolygonF, expected);
        RecordingDevice device;
        QPainter painter(&device);
        drawLine(&painter, Qt::Orientation(orientation), Qt::Alignment(alignment),
                 QRectF(0, 0, 20, 10), QPen(Qt::black, 2));
        painter.end();
        QCOMPARE(device.engine.calls.size(), 1);
        QCOMPARE(device.engine.calls[0].points, expected);
    }

    void checkMarkPoints()
    {
        RecordingDevice device;
        QPainter painter(&device);
        drawCheckMark(&painter, QRectF(0, 0, 12, 12), QPen(Qt::black, 2));
        painter.end();
        const qreal d = 2 * 0.5 / std::sqrt(2.0);
        QCOMPARE(device.engine.calls.size(), 1);
        QCOMPARE(device.engine.calls[0].points, QPolygonF({{d, 6 + d}, {4, 11}, {12 - d, d}}));
    }

    void filledArrowPixels()
    {
        QImage image = canvas();
        QPainter painter(&image);
        fillArrow(&painter, ArrowDirection::Up, QRectF(0, 0, 40, 40), Qt::NoPen, QBrush(Qt::black));
        painter.end();
        QCOMPARE(image.pixelColor(20, 35), QColor(Qt::black));
        QCOMPARE(image.pixelColor(2, 2), QColor(Qt::white));
        QCOMPARE(image.pixelColor(37, 2), QColor(Qt::white));
    }

    void ellipseInsetByHalfThePen()
    {
        QImage image = canvas();
        QPainter painter(&image);
        drawEllipse(&painter, QRectF(0, 0, 40, 40), QPen(Qt::black, 4), Qt::NoBrush);
        painter.end();
        // The outline lies between radius 16 and 20 from the centre, all inside the rectangle.
        QCOMPARE(image.pixelColor(20, 1), QColor(Qt::black));
        QCOMPARE(image.pixelColor(20, 20), QColor(Qt::white));
        QCOMPARE(image.pixelColor(0, 0), QColor(Qt::white));
    }

    void invisibleShapesLeaveEverythingAlone()
    {
        QImage image = canvas();
        QPainter painter(&image);
        fillArrow(&painter, ArrowDirection::Up, QRectF(0, 0, 40, 40), Qt::NoPen, Qt::NoBrush);
        strokeArrow(&painter, ArrowDirection::Up, QRectF(0, 0, 40, 40), Qt::NoPen);
        drawEllipse(&painter, QRectF(0, 0, 40, 40), Qt::NoPen, Qt::NoBrush);
        drawLine(&painter, Qt::Horizontal, QRectF(0, 0, 40, 40), Qt::NoPen);
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
            drawConvexPolygon(&painter, arrowPolygon(ArrowDirection::Up, r), drawPen, drawBrush);
            drawEllipse(&painter, r, drawPen, drawBrush);
            drawRoundedRect(&painter, r, drawPen, drawBrush, 4.0);
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
