#include "tessera/resources/fonts.h"
#include "tessera/resources/translatable_widget.h"
#include "tessera/theme/theme_resolution.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QSignalSpy>
#include <QTest>

using namespace Tessera;

Q_DECLARE_METATYPE(Tessera::FontWeight)
Q_DECLARE_METATYPE(Tessera::FontSize)

namespace {

QByteArray resource(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class Caption : public TranslatableWidget<QWidget>
{
    Q_OBJECT

public:
    int translations = 0;
    bool signalsBlockedWhileTranslating = false;

    void retranslateUi() override
    {
        ++translations;
        signalsBlockedWhileTranslating = signalsBlocked();
        setWindowTitle(tr("Crash report"));
    }
};

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QDir::setSearchPaths("tessera", themeSearchPaths(ThemeMode::Dark)); }
    void cleanupTestCase() { QDir::setSearchPaths("tessera", {}); }

    void fonts_data()
    {
        QTest::addColumn<FontWeight>("weight");
        QTest::addColumn<FontSize>("size");
        QTest::addColumn<int>("expectedWeight");
        QTest::addColumn<qreal>("points");
        QTest::newRow("extra light 9") << FontWeight::ExtraLight << FontSize::Px9 << 200 << 6.75;
        QTest::newRow("semi-bold 16") << FontWeight::SemiBold << FontSize::Px16 << 600 << 12.0;
    }

    void fonts()
    {
        QFETCH(FontWeight, weight);
        QFETCH(FontSize, size);
        QFETCH(int, expectedWeight);
        QFETCH(qreal, points);
        const QFont result = font(weight, size);
        QCOMPARE(int(result.weight()), expectedWeight);
        QCOMPARE(result.pointSizeF(), points);
        // The bundled files are what the family resolves to.
        QCOMPARE(QFontInfo(result).family(), QString("Titillium Web"));
    }

    void searchPathFindsThemeFolderFirst()
    {
        QVERIFY(resource("tessera:/images/q5_logo.svg").contains("fill=\"#fff\""));
        QDir::setSearchPaths("tessera", themeSearchPaths(ThemeMode::Light));
        QVERIFY(resource("tessera:/images/q5_logo.svg").contains("fill=\"#3c4147\""));
        QDir::setSearchPaths("tessera", themeSearchPaths(ThemeMode::Dark));
    }

    void translatableWidgetTranslatesOnPolishAndLanguageChange()
    {
        Caption caption;
        QCOMPARE(caption.translations, 0);
        caption.ensurePolished();
        QCOMPARE(caption.translations, 1);
        QCOMPARE(caption.windowTitle(), QString("Crash report"));
        QVERIFY(caption.signalsBlockedWhileTranslating);
        QVERIFY(!caption.signalsBlocked());
        caption.blockSignals(true);
        QEvent change(QEvent::LanguageChange);
        QApplication::sendEvent(&caption, &change);
        QCOMPARE(caption.translations, 2);
        QVERIFY(caption.signalsBlocked());
    }
};

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
