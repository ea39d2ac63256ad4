#include "orrery_core/tests/process_capture.h"
#include "orrery_gui/painting/colour.h"
#include "orrery_gui/painting/rounded_rect.h"

#include <QImage>
#include <QPainter>
#include <QTest>

using namespace Orrery;

Q_DECLARE_METATYPE(Orrery::CornerRadii)

class TestPainting : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void blends_data()
    {
        QTest::addColumn<QColor>("over");
        QTest::addColumn<QColor>("under");
        QTest::addColumn<double>("alpha");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("white on black 0.3")
            << QColor("#ffffff") << QColor("#000000") << 0.3 << QColor::fromRgbF(0.3f, 0.3f, 0.3f);
        QTest::newRow("alpha 1.5 clamps to over")
            << QColor("#ff0000") << QColor("#0000ff") << 1.5 << QColor("#ff0000");
        QTest::newRow("alpha -1 clamps to under")
            << QColor("#ff0000") << QColor("#0000ff") << -1.0 << QColor("#0000ff");
        // Only the opaque colour carries weight: the result keeps its hue at half alpha.
        QTest::newRow("over transparent") << QColor(255, 0, 0, 255) << QColor(0, 255, 0, 0) << 0.5
                                          << QColor::fromRgbF(1.0f, 0.0f, 0.0f, 0.5f);
    }

    void blends()
    {
        QFETCH(QColor, over);
        QFETCH(QColor, under);
        QFETCH(double, alpha);
        QFETCH(QColor, expected);
        QColor result;
        const QByteArray printed =
            captureStandardError([&] { result = blend(over, under, alpha); });
        QCOMPARE(result.rgba(), expected.rgba());
        QCOMPARE(printed.contains("Logic error: 'Orrery::inRange(0.0, alpha, 1.0)' is FALSE"),
                 alpha < 0 || alpha > 1);
    }

    // WCAG 2's ratio, values from its definition: black on white 21, mid-grey #777 on white
    // 4.48, a colour with itself 1.
    void contrastRatios()
    {
        QCOMPARE(contrastRatio(Qt::black, Qt::white), 21.0);
        QCOMPARE(qRound(contrastRatio(QColor("#777777"), Qt::white) * 100), 448);
        QCOMPARE(contrastRatio(QColor("#3c4147"), QColor("#3c4147")), 1.0);
    }

    void roundedRectCorners_data()
    {
        QTest::addColumn<CornerRadii>("radii");
        QTest::addColumn<bool>("topRound");
        QTest::addColumn<bool>("bottomRound");
        QTest::newRow("all round") << CornerRadii{4, 4, 4, 4} << true << true;
        QTest::newRow("top only") << CornerRadii{4, 4, 0, 0} << true << false;
        QTest::newRow("bottom only") << CornerRadii{0, 0, 4, 4} << false << true;
        // Each arc is bounded by the rectangle itself.
        QTest::newRow("radius beyond the size") << CornerRadii{30, 30, 0, 0} << true << false;
    }

    void roundedRectCorners()
    {
        QFETCH(CornerRadii, radii);
        QFETCH(bool, topRound);
        QFETCH(bool, bottomRound);
        QImage image(40, 30, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        drawRoundedRect(&painter, QRectF(10, 10, 20, 10), Qt::NoPen, QBrush(Qt::black), radii);
        painter.end();
        const auto painted = [&](int x, int y) {
            return image.pixelColor(x, y) != QColor(Qt::white);
        };
        // A rounded corner leaves its outermost pixel unpainted; a square one paints it.
        QCOMPARE(!painted(10, 10) && !painted(29, 10), topRound);
        QCOMPARE(!painted(10, 19) && !painted(29, 19), bottomRound);
        QVERIFY(painted(20, 15));
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                QVERIFY(!painted(x, y) || QRect(10, 10, 20, 10).contains(x, y));
    }
};

QTEST_MAIN(TestPainting)
#include "tst_painting.moc"
