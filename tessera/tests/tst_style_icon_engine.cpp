#include "tessera/palette/palette.h"
#include "tessera/style/style.h"
#include "tessera/style/style_icon_engine.h"

#include <QApplication>
#include <QPainter>
#include <QPixmapCache>
#include <QTemporaryDir>
#include <QTest>

using Tessera::IconAppearance;
using Tessera::StyleIconEngine;

Q_DECLARE_METATYPE(QIcon::Mode)
Q_DECLARE_METATYPE(QIcon::State)

namespace {

QTemporaryDir* files = nullptr;

QString squareSvg(const QString& name, const char* colour)
{
    const QString path = files->filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='24' height='24' "
                          "viewBox='0 0 24 24'><rect width='24' height='24' fill='") +
               colour + "'/></svg>");
    return path;
}

// The colour laid over the base with the given opacity, computed here.
QColor faded(const QColor& colour, const QColor& base, double factor)
{
    const auto mix = [&](int c, int b) {
        return qRound(c * factor + b * (1 - factor));
    };
    return QColor(mix(colour.red(), base.red()), mix(colour.green(), base.green()),
                  mix(colour.blue(), base.blue()));
}

bool near(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
           std::abs(a.blue() - b.blue()) <= 2 && std::abs(a.alpha() - b.alpha()) <= 2;
}

// Records the pixel sizes that paint() asks for.
class RecordingEngine : public StyleIconEngine
{
public:
    using StyleIconEngine::StyleIconEngine;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        requested.append(size);
        return StyleIconEngine::pixmap(size, mode, state);
    }
    QList<QSize> requested;
};

} // namespace

class TestStyleIconEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QPixmapCache::clear(); }

    void appearances_data()
    {
        QTest::addColumn<QIcon::Mode>("mode");
        QTest::addColumn<QIcon::State>("state");
        QTest::addColumn<double>("factor");
        QTest::newRow("normal off: at rest") << QIcon::Normal << QIcon::Off << 0.8;
        QTest::newRow("normal on: full") << QIcon::Normal << QIcon::On << 1.0;
        QTest::newRow("disabled") << QIcon::Disabled << QIcon::On << 0.3;
    }

    void appearances()
    {
        QFETCH(QIcon::Mode, mode);
        QFETCH(QIcon::State, state);
        QFETCH(double, factor);
        StyleIconEngine engine(squareSvg("red.svg", "#ff0000"));
        const QImage image = engine.pixmap(QSize(24, 24), mode, state).toImage();
        QCOMPARE(image.size(), QSize(24, 24));
        const QColor base = Tessera::Palette::currentColour(QPalette::Base);
        const QColor pixel = image.pixelColor(12, 12);
        QVERIFY2(near(pixel, faded(Qt::red, base, factor)), qPrintable(pixel.name()));
        QCOMPARE(pixel.alpha(), 255);
    }

    void unloadablePathIsANullIcon()
    {
        QVERIFY(QIcon(new StyleIconEngine(files->filePath("nothing-here.svg"))).isNull());
    }

    void paintAsksForDevicePixels()
    {
        RecordingEngine engine(squareSvg("ratio.svg", "#ff00ff"));
        QImage target(48, 48, QImage::Format_ARGB32_Premultiplied);
        target.setDevicePixelRatio(1.5);
        target.fill(Qt::transparent);
        QPainter painter(&target);
        engine.paint(&painter, QRect(0, 0, 16, 16), QIcon::Active, QIcon::On);
        painter.end();
        QCOMPARE(engine.requested, QList<QSize>{QSize(24, 24)});
        QCOMPARE(target.pixelColor(20, 20), QColor(Qt::magenta));
        QCOMPARE(target.pixelColor(30, 30).alpha(), 0);
    }
};

int main(int argc, char* argv[])
{
    QTemporaryDir folder;
    files = &folder;
    QApplication application(argc, argv);
    QApplication::setStyle(new Tessera::Style(Tessera::Palette::forTheme(ThemeMode::Dark)));
    TestStyleIconEngine test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_style_icon_engine.moc"
