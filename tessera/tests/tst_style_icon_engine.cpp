#include "palette/palette.h"
#include "style/style.h"
#include "style/style_icon_engine.h"

#include <QApplication>
#include <QPainter>
#include <QPixmapCache>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using Tessera::IconAppearance;
using Tessera::StyleIconEngine;

Q_DECLARE_METATYPE(QIcon::Mode)
Q_DECLARE_METATYPE(QIcon::State)

namespace {

QTemporaryDir* files = nullptr;
const QColor DarkBase("#181c21");

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

// Expected colour after tinting towards the base by (1 - factor), computed here.
QColor faded(const QColor& colour, double factor)
{
    const auto mix = [&](int c, int b) {
        return c * factor + b * (1 - factor);
    };
    return QColor(qRound(mix(colour.red(), DarkBase.red())),
                  qRound(mix(colour.green(), DarkBase.green())),
                  qRound(mix(colour.blue(), DarkBase.blue())));
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

QString hex(const QByteArray& littleEndianBytes)
{
    return QString::fromLatin1(littleEndianBytes.toHex());
}

} // namespace

class TestStyleIconEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QApplication::setStyle(new Tessera::Style(Tessera::Palette::forTheme(ThemeMode::Dark)));
    }

    void init() { QPixmapCache::clear(); }

    void appearances_data()
    {
        QTest::addColumn<QIcon::Mode>("mode");
        QTest::addColumn<QIcon::State>("state");
        QTest::addColumn<double>("factor");
        QTest::newRow("normal off") << QIcon::Normal << QIcon::Off << 0.8;
        QTest::newRow("normal on") << QIcon::Normal << QIcon::On << 1.0;
        QTest::newRow("disabled off") << QIcon::Disabled << QIcon::Off << 0.3;
        QTest::newRow("disabled on") << QIcon::Disabled << QIcon::On << 0.3;
        QTest::newRow("active") << QIcon::Active << QIcon::Off << 1.0;
        QTest::newRow("selected") << QIcon::Selected << QIcon::Off << 1.0;
    }

    void appearances()
    {
        QFETCH(QIcon::Mode, mode);
        QFETCH(QIcon::State, state);
        QFETCH(double, factor);
        StyleIconEngine engine(squareSvg("red.svg", "#ff0000"));
        const QImage image = engine.pixmap(QSize(24, 24), mode, state).toImage();
        QCOMPARE(image.size(), QSize(24, 24));
        const QColor pixel = image.pixelColor(12, 12);
        QVERIFY2(near(pixel, faded(QColor(Qt::red), factor)), qPrintable(pixel.name()));
        QCOMPARE(pixel.alpha(), 255);
    }

    void fadingTouchesOnlyTheIconsPixels()
    {
        QImage image(4, 1, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        image.setPixelColor(0, 0, Qt::white);
        const QImage result =
            Tessera::fadeIcon(image, IconAppearance::Disabled, Qt::black).toImage();
        QCOMPARE(result.pixelColor(3, 0).alpha(), 0);
        QVERIFY(near(result.pixelColor(0, 0), QColor(77, 77, 77)));
        const QPixmap untouched = Tessera::fadeIcon(image, IconAppearance::Full, Qt::black);
        QCOMPARE(untouched.toImage().convertToFormat(image.format()), image);
    }

    void cacheKeys()
    {
        StyleIconEngine engine(squareSvg("key.svg", "#00ff00"));
        const quint64 id = engine.data()->identifier();
        QByteArray idBytes(8, '\0');
        qToLittleEndian(id, idBytes.data());
        const QString expected = "ts_style_icon" + hex(idBytes) + "02" + "18000000" + "10000000";
        QCOMPARE(StyleIconEngine::cacheKey(*engine.data(), IconAppearance::Full, QSize(24, 16)),
                 expected);

        engine.pixmap(QSize(24, 24), QIcon::Normal, QIcon::Off);
        QPixmap cached;
        QVERIFY(QPixmapCache::find(
            StyleIconEngine::cacheKey(*engine.data(), IconAppearance::AtRest, QSize(24, 24)),
            &cached));
        QCOMPARE(cached.size(), QSize(24, 24));
        QCOMPARE(engine.key(), QString("TesseraStyleIconEngine"));
    }

    void clonesShareSeparateEnginesDoNot()
    {
        const QString path = squareSvg("shared.svg", "#0000ff");
        StyleIconEngine first(path);
        std::unique_ptr<QIconEngine> clone(first.clone());
        auto* cloned = static_cast<StyleIconEngine*>(clone.get());
        QCOMPARE(cloned->data().get(), first.data().get());
        QCOMPARE(cloned->key(), first.key());

        StyleIconEngine separate(path);
        QVERIFY(separate.data() != first.data());
        QVERIFY(separate.data()->identifier() != first.data()->identifier());

        first.pixmap(QSize(20, 20), QIcon::Active, QIcon::Off);
        QPixmap found;
        QVERIFY(QPixmapCache::find(
            StyleIconEngine::cacheKey(*cloned->data(), IconAppearance::Full, QSize(20, 20)),
            &found));
        QVERIFY(!QPixmapCache::find(
            StyleIconEngine::cacheKey(*separate.data(), IconAppearance::Full, QSize(20, 20)),
            &found));
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

    void theFileIsReadAgainAfterClearing()
    {
        const QString path = squareSvg("changing.svg", "#ff0000");
        StyleIconEngine engine(path);
        QCOMPARE(engine.pixmap(QSize(8, 8), QIcon::Active, QIcon::Off).toImage().pixelColor(4, 4),
                 QColor(Qt::red));
        squareSvg("changing.svg", "#00ff00");
        QPixmapCache::clear();
        QCOMPARE(engine.pixmap(QSize(8, 8), QIcon::Active, QIcon::Off).toImage().pixelColor(4, 4),
                 QColor(Qt::red));
        StyleIconEngine::clearRenderers();
        QPixmapCache::clear();
        QCOMPARE(engine.pixmap(QSize(8, 8), QIcon::Active, QIcon::Off).toImage().pixelColor(4, 4),
                 QColor(Qt::green));
    }

    void aspectRatioIsKept()
    {
        StyleIconEngine engine(squareSvg("square.svg", "#ff0000"));
        QCOMPARE(engine.actualSize(QSize(32, 16), QIcon::Normal, QIcon::Off), QSize(16, 16));
    }

    void unloadablePathIsANullIcon()
    {
        const QIcon broken(new StyleIconEngine(files->filePath("nothing-here.svg")));
        QVERIFY(broken.isNull());
        const QIcon fine(new StyleIconEngine(squareSvg("fine.svg", "#ff0000")));
        QVERIFY(!fine.isNull());
        StyleIconEngine engine(files->filePath("nothing-here.svg"));
        QVERIFY(engine.pixmap(QSize(16, 16), QIcon::Normal, QIcon::Off).isNull());
    }
};

int main(int argc, char* argv[])
{
    QTemporaryDir folder;
    files = &folder;
    QApplication application(argc, argv);
    TestStyleIconEngine test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_style_icon_engine.moc"
