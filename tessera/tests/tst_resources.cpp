#include "resources/fonts.h"
#include "resources/icons.h"
#include "resources/translatable_widget.h"
#include "theme/theme_resolution.h"

#include <QApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Tessera;

Q_DECLARE_METATYPE(Tessera::FontWeight)
Q_DECLARE_METATYPE(Tessera::FontSize)

namespace {

// The engine behind an icon, as QIcon's stream format names it first.
QString engineKey(const QIcon& icon)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << icon;
    QDataStream in(bytes);
    QString key;
    in >> key;
    return key;
}

QByteArray resource(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A real SVG file whose extension is in capitals.
QString upperCaseSvg()
{
    static QTemporaryDir folder;
    const QString path = folder.filePath("GLYPH.SVG");
    QFile::copy(":/icons/varnel_glyph.svg", path);
    return path;
}

class Caption : public TranslatableWidget<QWidget>
{
    Q_OBJECT

public:
    using TranslatableWidget::TranslatableWidget;
    int translations = 0;
    bool signalsBlockedWhileTranslating = false;

    void retranslateUi() override
    {
        ++translations;
        signalsBlockedWhileTranslating = signalsBlocked();
        setWindowTitle(tr("Crash report"));
        Q_EMIT translated();
    }

Q_SIGNALS:
    void translated();
};

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QDir::setSearchPaths("tessera", themeSearchPaths(ThemeMode::Dark)); }

    void fonts_data()
    {
        QTest::addColumn<FontWeight>("weight");
        QTest::addColumn<FontSize>("size");
        QTest::addColumn<int>("expectedWeight");
        QTest::addColumn<qreal>("points");
        QTest::newRow("regular 13") << FontWeight::Regular << FontSize::Px13 << 400 << 9.75;
        QTest::newRow("extra light 9") << FontWeight::ExtraLight << FontSize::Px9 << 200 << 6.75;
        QTest::newRow("light 11") << FontWeight::Light << FontSize::Px11 << 300 << 8.25;
        QTest::newRow("semibold 12") << FontWeight::SemiBold << FontSize::Px12 << 600 << 9.0;
        QTest::newRow("16") << FontWeight::Regular << FontSize::Px16 << 400 << 12.0;
        QTest::newRow("weight out of range") << FontWeight(9) << FontSize::Px13 << 600 << 9.75;
        QTest::newRow("size out of range") << FontWeight::Regular << FontSize(-1) << 400 << 12.0;
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
        QCOMPARE(result.hintingPreference(), QFont::PreferNoHinting);
        // The bundled files are what the family resolves to.
        QCOMPARE(QFontInfo(result).family(), QString("Titillium Web"));
    }

    void roleFonts_data()
    {
        QTest::addColumn<int>("role");
        QTest::addColumn<int>("weight");
        QTest::addColumn<qreal>("points");
        QTest::addColumn<bool>("upperCase");
        QTest::newRow("0") << 0 << 300 << 8.25 << false;
        QTest::newRow("1") << 1 << 400 << 8.25 << false;
        QTest::newRow("2") << 2 << 300 << 9.75 << false;
        QTest::newRow("3") << 3 << 600 << 9.75 << true;
        QTest::newRow("4") << 4 << 400 << 9.75 << false;
        QTest::newRow("5") << 5 << 400 << 9.75 << true;
        QTest::newRow("6") << 6 << 200 << 6.75 << false;
        QTest::newRow("7") << 7 << 600 << 9.75 << false;
        QTest::newRow("8 acts as 0") << 8 << 300 << 8.25 << false;
        QTest::newRow("-1 acts as 0") << -1 << 300 << 8.25 << false;
    }

    void roleFonts()
    {
        QFETCH(int, role);
        QFETCH(int, weight);
        QFETCH(qreal, points);
        QFETCH(bool, upperCase);
        const QFont& result = roleFont(role);
        QCOMPARE(int(result.weight()), weight);
        QCOMPARE(result.pointSizeF(), points);
        QCOMPARE(result.capitalization() == QFont::AllUppercase, upperCase);
        QCOMPARE(&roleFont(role), &result);
    }

    void iconEngineByExtension_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("engine");
        QTest::newRow("svg") << "tessera:/icons/varnel_glyph.svg"
                             << "TesseraStyleIconEngine";
        QTest::newRow("upper-case SVG") << upperCaseSvg() << "TesseraStyleIconEngine";
        QTest::newRow("ttf is no svg") << "tessera:/tessera_style/fonts/titillium_web_bold.ttf"
                                       << "QPixmapIconEngine";
    }

    void iconEngineByExtension()
    {
        QFETCH(QString, path);
        QFETCH(QString, engine);
        QCOMPARE(engineKey(makeIcon(path)), engine);
    }

    void styleIcons()
    {
        for (int value = 0; value <= 12; ++value) {
            const QIcon icon = styleIcon(StyleIcon(value));
            QVERIFY2(!icon.isNull(), qPrintable(QString::number(value)));
            QCOMPARE(engineKey(icon), QString("TesseraStyleIconEngine"));
        }
        QVERIFY(styleIcon(StyleIcon(13)).isNull());
        QVERIFY(styleIcon(StyleIcon(-1)).isNull());
    }

    void searchPathFindsThemeFolderFirst()
    {
        QCOMPARE(themeSearchPaths(ThemeMode::Dark), QStringList({":/dark", ":/"}));
        QCOMPARE(themeSearchPaths(ThemeMode::Light), QStringList({":/light", ":/"}));
        QCOMPARE(themeSearchPaths(ThemeMode::System), QStringList({":/dark", ":/"}));
        QCOMPARE(resolveThemeMode(ThemeMode::System), ThemeMode::Dark);
        QCOMPARE(resolveThemeMode(ThemeMode::Light), ThemeMode::Light);

        QVERIFY(resource("tessera:/images/q5_logo.svg").contains("fill=\"#fff\""));
        QDir::setSearchPaths("tessera", themeSearchPaths(ThemeMode::Light));
        QVERIFY(resource("tessera:/images/q5_logo.svg").contains("fill=\"#3c4147\""));
        QVERIFY(resource("tessera:/tessera_style/icons/win_window_close.svg").contains("#3c4147"));
        QVERIFY(!resource("tessera:/tessera_style/icons/arrow_down.svg").isEmpty());
        QVERIFY(!resource("tessera:/icons/varnel_glyph.svg").isEmpty());
        QDir::setSearchPaths("tessera", themeSearchPaths(ThemeMode::Dark));
    }

    void bundlesHoldEveryFile()
    {
        const QStringList themed = {"images/q5_logo.svg",
                                    "images/varnel_logo.svg",
                                    "tessera_style/icons/win_window_close.svg",
                                    "tessera_style/icons/win_window_maximise.svg",
                                    "tessera_style/icons/win_window_minimise.svg",
                                    "tessera_style/icons/win_window_restore.svg",
                                    "tessera_style/icons/window_close.svg",
                                    "tessera_style/icons/window_maximise.svg",
                                    "tessera_style/icons/window_minimise.svg",
                                    "tessera_style/icons/window_restore.svg"};
        for (const QString theme : {":/dark/", ":/light/"})
            for (const QString& file : themed)
                QVERIFY2(QFile::exists(theme + file), qPrintable(theme + file));
        QCOMPARE(QDir(":/tessera_style/icons").entryList().size(), 9);
        QCOMPARE(QDir(":/tessera_style/fonts").entryList({"titillium_web_*.ttf"}).size(), 5);
    }

    void translatableWidgetTranslatesOnPolishAndLanguageChange()
    {
        Caption caption;
        QSignalSpy translated(&caption, &Caption::translated);
        QCOMPARE(caption.translations, 0);
        caption.ensurePolished();
        QCOMPARE(caption.translations, 1);
        QCOMPARE(caption.windowTitle(), QString("Crash report"));
        QVERIFY(caption.signalsBlockedWhileTranslating);
        QCOMPARE(translated.count(), 0);
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
