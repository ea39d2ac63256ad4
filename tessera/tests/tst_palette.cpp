#include "tessera/palette/palette.h"
#include "tessera/style/style.h"

#include <QApplication>
#include <QTest>

using Tessera::Palette;
using Tessera::PaletteRole;
using Tessera::UserPalette;

Q_DECLARE_METATYPE(ThemeMode)

namespace {

constexpr QPalette::ColorGroup Groups[] = {QPalette::Active, QPalette::Disabled,
                                           QPalette::Inactive};

bool between(int value, int a, int b)
{
    return std::min(a, b) <= value && value <= std::max(a, b);
}

} // namespace

class TestPalette : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void themeProperties_data()
    {
        QTest::addColumn<ThemeMode>("mode");
        QTest::newRow("dark") << ThemeMode::Dark;
        QTest::newRow("light") << ThemeMode::Light;
    }

    void themeProperties()
    {
        QFETCH(ThemeMode, mode);
        const Palette palette = Palette::forTheme(mode);
        QVERIFY(palette !=
                Palette::forTheme(mode == ThemeMode::Dark ? ThemeMode::Light : ThemeMode::System));
        QCOMPARE(palette.userPalette().resolveMask(), (1u << UserPalette::NColourRoles) - 1);
        for (QPalette::ColorGroup group : Groups) {
            for (int role = 0; role < QPalette::NColorRoles; ++role)
                QVERIFY(role == QPalette::NoRole ||
                        palette.isBrushSet(group, QPalette::ColorRole(role)));
            for (int role = 0; role < UserPalette::NColourRoles; ++role)
                QVERIFY(palette.brush(group, UserPalette::ColourRole(role)).style() != Qt::NoBrush);
        }
        for (QPalette::ColorRole role :
             {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
            QVERIFY(palette.color(QPalette::Disabled, role) !=
                    palette.color(QPalette::Active, role));
        // Icons at rest fade towards the window, between it and their full colour.
        const QColor window = palette.color(QPalette::Active, QPalette::Window);
        for (UserPalette::ColourRole role :
             {UserPalette::ArrowIconBase, UserPalette::MenuIconBase}) {
            const QColor active = palette.brush(QPalette::Active, role).color();
            const QColor inactive = palette.brush(QPalette::Inactive, role).color();
            QVERIFY(inactive != active);
            QVERIFY(between(inactive.red(), window.red(), active.red()) &&
                    between(inactive.green(), window.green(), active.green()) &&
                    between(inactive.blue(), window.blue(), active.blue()));
        }
    }

    void copiesAndResolution()
    {
        const UserPalette light = Palette::forTheme(ThemeMode::Light).userPalette();
        UserPalette own(nullptr);
        own.setBrush(UserPalette::Frame, QBrush(Qt::red));
        const UserPalette mixed = own.resolve(light);
        QCOMPARE(mixed.resolveMask(), light.resolveMask());
        QCOMPARE(mixed.brush(QPalette::Disabled, UserPalette::Frame).color(), QColor(Qt::red));
        QCOMPARE(mixed.brush(QPalette::Disabled, UserPalette::CellText),
                 light.brush(QPalette::Disabled, UserPalette::CellText));
        QCOMPARE(own.brush(QPalette::Active, UserPalette::CellText).style(), Qt::NoBrush);
        // A copy changes alone; out-of-range groups and roles are ignored.
        UserPalette copy = light;
        copy.setBrush(QPalette::Active, UserPalette::Success, QBrush(Qt::magenta));
        QVERIFY(copy != light && light.colour(UserPalette::Success) != QColor(Qt::magenta));
        own.setBrush(QPalette::ColorGroup(5), UserPalette::Success, QBrush(Qt::red));
        own.setBrush(UserPalette::ColourRole(-1), QBrush(Qt::red));
        QCOMPARE(own.resolveMask(), 1u << UserPalette::Frame);
        copy.setCurrentColourGroup(QPalette::Disabled);
        QCOMPARE(copy.colour(UserPalette::ScrollBarControlBase),
                 light.brush(QPalette::Disabled, UserPalette::ScrollBarControlBase).color());
    }

    void currentFollowsTheApplicationStyle()
    {
        QCOMPARE(UserPalette().brush(QPalette::Active, UserPalette::Success).style(), Qt::NoBrush);
        const QString before = QApplication::style()->name();
        const Palette light = Palette::forTheme(ThemeMode::Light);
        QApplication::setStyle(new Tessera::Style(light));
        QCOMPARE(Palette::currentColour(QPalette::Window), light.color(QPalette::Window));
        QCOMPARE(UserPalette().colour(UserPalette::ActiveBase),
                 light.userPalette().colour(UserPalette::ActiveBase));
        QApplication::setStyle(before);
    }
};

QTEST_MAIN(TestPalette)
#include "tst_palette.moc"
