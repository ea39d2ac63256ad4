#include "tessera/resources/fonts.h"
#include "tessera/resources/translatable_widget.h"
#include "tessera/theme/theme_resolution.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGlyphRun>
#include <QRawFont>
#include <QSignalSpy>
#include <QTest>
#include <QTextLayout>

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

    // Text in a script that Titillium lacks is drawn from the system's fonts, also in a fixed
    // font that takes its weight from the application's, as the output logs do.
    void scriptsFallBackToSystemFonts_data()
    {
        QTest::addColumn<QFont>("font");
        QTest::addColumn<QFontDatabase::WritingSystem>("system");
        QTest::addColumn<QString>("text");
        const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont)
                                .resolve(roleFont(FontRole::Application));
        const std::pair<QFontDatabase::WritingSystem, QString> samples[] = {
            {QFontDatabase::Hebrew, "שלום עולם"},
            {QFontDatabase::Arabic, "مرحبا"},
            {QFontDatabase::Cyrillic, "Привет"},
            {QFontDatabase::Greek, "Γειά σου"}};
        for (const auto& [system, text] : samples) {
            const QString name = QFontDatabase::writingSystemName(system);
            for (const FontRole role : {FontRole::Application, FontRole::Control,
                                        FontRole::LargeLight, FontRole::ToolTip})
                QTest::addRow("%s role %d", qPrintable(name), int(role))
                    << roleFont(role) << system << text;
            QTest::addRow("%s fixed", qPrintable(name)) << fixed << system << text;
        }
    }

    void scriptsFallBackToSystemFonts()
    {
        QFETCH(QFont, font);
        QFETCH(QFontDatabase::WritingSystem, system);
        QFETCH(QString, text);
        if (QFontDatabase::families(system).isEmpty())
            QSKIP("no font on this system has the script");
        QTextLayout layout(text, font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        int glyphs = 0;
        for (const QGlyphRun& run : layout.glyphRuns()) {
            QVERIFY2(!run.glyphIndexes().contains(0), qPrintable(run.rawFont().familyName()));
            glyphs += run.glyphIndexes().size();
        }
        QVERIFY(glyphs > 0);
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
