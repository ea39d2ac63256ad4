#include "palette/palette.h"
#include "style/style.h"

#include <QApplication>
#include <QMetaEnum>
#include <QTest>

using Tessera::Palette;
using Tessera::PaletteRole;
using Tessera::UserPalette;

namespace {

// Typed in from the palette tables: role, dark, light. "blend:colour:alpha" is colour laid over
// the theme's Window colour; "transparent" is black with alpha 0.
struct Row {
    const char* role;
    const char* dark;
    const char* light;
};

const Row AllGroups[] = {
    {"WindowText", "#ffffff", "#3c4147"},
    {"Button", "#212831", "#e5e7e9"},
    {"Light", "#c8cdd3", "#fbfbfb"},
    {"Midlight", "#42484e", "#f6f7f8"},
    {"Dark", "#191a1a", "#3c4147"},
    {"Mid", "#181c21", "#eeeff0"},
    {"Text", "#ffffff", "#3c4147"},
    {"BrightText", "#ffffff", "#ffffff"},
    {"ButtonText", "#ffffff", "#3c4147"},
    {"Base", "#181c21", "#eeeff0"},
    {"Window", "#181c21", "#eeeff0"},
    {"Shadow", "#000000", "#000000"},
    {"Highlight", "#227cc2", "#227cc2"},
    {"HighlightedText", "#ffffff", "#ffffff"},
    {"Link", "#5ca3da", "#5ca3da"},
    {"LinkVisited", "#c8cdd3", "#77808a"},
    {"AlternateBase", "#212831", "#fbfbfb"},
    {"ToolTipBase", "#181c21", "#f6f7f8"},
    {"ToolTipText", "#ffffff", "#3c4147"},
    {"PlaceholderText", "#c8cdd3", "#77808a"},
    {"ActiveBase", "#ffffff", "#141618"},
    {"ActiveText", "#181c21", "#ffffff"},
    {"HoverBase", "#42484e", "#a9afb6"},
    {"Frame", "#42484e", "#a9afb6"},
    {"PanelFrame", "#c8cdd3", "#3c4147"},
    {"CellBase", "#77808a", "#eeeff0"},
    {"CellAltBase", "#a0abbb", "#e7eaee"},
    {"CellText", "#ffffff", "#3c4147"},
    {"TableGrid", "#181c21", "#3c4147"},
    {"ViewItemBase", "#212831", "#e5e7e9"},
    {"ViewItemAltBase", "#323a46", "#d0d5dd"},
    {"ViewItemText", "#ffffff", "#3c4147"},
    {"ViewItemActiveBase", "#ffffff", "#a9afb6"},
    {"ViewItemActiveText", "#181c21", "#3c4147"},
    {"HeaderBase", "#212831", "#e5e7e9"},
    {"HeaderText", "#ffffff", "#3c4147"},
    {"SliderBase", "#c8cdd3", "#a9afb6"},
    {"ScrollBarBase", "transparent", "transparent"},
    {"ScrollBarControlBase", "#212831", "#a9afb6"},
    {"ScrollBarControlFrame", "#77808a", "#9199a2"},
    {"TabBase", "#212831", "#fbfbfb"},
    {"IndicatorBase", "#ffffff", "#f6f7f8"},
    {"ArrowIconBase", "#0072fd", "#0072fd"},
    {"MenuIconBase", "#77808a", "#77808a"},
    {"AlternateHighlight", "#5ca3da", "#5ca3da"},
    {"Success", "#10b981", "#10b981"},
    {"Warning", "#f59e0b", "#f59e0b"},
    {"Error", "#ef4444", "#ef4444"},
};

const Row DisabledOverrides[] = {
    {"Text", "#77808a", "#a9afb6"},
    {"WindowText", "#77808a", "#a9afb6"},
    {"PlaceholderText", "#77808a", "#a9afb6"},
    {"ButtonText", "#77808a", "#a9afb6"},
    {"Light", "#42484e", "#a9afb6"},
    {"Highlight", "blend:#227cc2:0.3", "blend:#227cc2:0.3"},
    {"AlternateHighlight", "#c8cdd3", "#fbfbfb"},
    {"ActiveText", "#77808a", "#a9afb6"},
    {"PanelFrame", "#42484e", "#a9afb6"},
    {"CellText", "#292c33", "#9199a2"},
    {"ViewItemText", "#77808a", "#9199a2"},
    {"ViewItemActiveText", "#77808a", "#9199a2"},
    {"HeaderText", "#77808a", "#9199a2"},
    {"SliderBase", "#42484e", "#c8cdd3"},
    {"ScrollBarControlBase", nullptr, "#c8cdd3"},
    {"ScrollBarControlFrame", "#42484e", "#c8cdd3"},
    {"IndicatorBase", "blend:#ffffff:0.3", "blend:#f6f7f8:0.3"},
    {"ArrowIconBase", "blend:#0072fd:0.3", "blend:#0072fd:0.3"},
    {"MenuIconBase", "blend:#77808a:0.3", "blend:#77808a:0.3"},
};

const Row InactiveOverrides[] = {
    {"ArrowIconBase", "blend:#0072fd:0.8", "blend:#0072fd:0.8"},
    {"MenuIconBase", "blend:#77808a:0.8", "blend:#77808a:0.8"},
};

// Computed here, independently of the library's blend, for opaque colours:
// each component is over * a + window * (1 - a).
QColor expectedColour(const char* text, const QColor& window)
{
    const QString value = QString::fromLatin1(text);
    if (value == "transparent")
        return QColor(0, 0, 0, 0);
    if (!value.startsWith("blend:"))
        return QColor(value);
    const QStringList parts = value.split(':');
    const QColor over(parts[1]);
    const double a = parts[2].toDouble();
    const auto mix = [&](double o, double u) {
        return o * a + u * (1 - a);
    };
    return QColor::fromRgbF(float(mix(over.redF(), window.redF())),
                            float(mix(over.greenF(), window.greenF())),
                            float(mix(over.blueF(), window.blueF())));
}

PaletteRole roleNamed(const char* name)
{
    const QMetaEnum qtRoles = QMetaEnum::fromType<QPalette::ColorRole>();
    bool ok = false;
    const int qtRole = qtRoles.keyToValue(name, &ok);
    if (ok)
        return QPalette::ColorRole(qtRole);
    const QMetaEnum userRoles = QMetaEnum::fromType<UserPalette::ColourRole>();
    return UserPalette::ColourRole(userRoles.keyToValue(name));
}

const Row* findRow(const Row* begin, const Row* end, const char* role)
{
    const Row* found =
        std::find_if(begin, end, [&](const Row& row) { return qstrcmp(row.role, role) == 0; });
    return found == end ? nullptr : found;
}

bool sameColour(const QColor& a, const QColor& b)
{
    // Blends go through floating point; one step of 8 bits is the tolerance.
    return std::abs(a.red() - b.red()) <= 1 && std::abs(a.green() - b.green()) <= 1 &&
           std::abs(a.blue() - b.blue()) <= 1 && a.alpha() == b.alpha();
}

} // namespace

class TestPalette : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void themeColours_data()
    {
        QTest::addColumn<bool>("light");
        QTest::newRow("dark") << false;
        QTest::newRow("light") << true;
    }

    void themeColours()
    {
        QFETCH(bool, light);
        const Palette palette = Palette::forTheme(light ? ThemeMode::Light : ThemeMode::Dark);
        const QColor window(light ? "#eeeff0" : "#181c21");
        const QPalette::ColorGroup groups[] = {QPalette::Active, QPalette::Disabled,
                                               QPalette::Inactive};
        int checked = 0;
        for (const Row& row : AllGroups) {
            for (QPalette::ColorGroup group : groups) {
                const char* value = light ? row.light : row.dark;
                const Row* override = nullptr;
                if (group == QPalette::Disabled)
                    override = findRow(std::begin(DisabledOverrides), std::end(DisabledOverrides),
                                       row.role);
                if (group == QPalette::Inactive)
                    override = findRow(std::begin(InactiveOverrides), std::end(InactiveOverrides),
                                       row.role);
                if (override && (light ? override->light : override->dark))
                    value = light ? override->light : override->dark;
                const QColor actual = palette.brush(group, roleNamed(row.role)).color();
                const QColor expected = expectedColour(value, window);
                QVERIFY2(sameColour(actual, expected),
                         qPrintable(QString("%1 group %2: %3, expected %4")
                                        .arg(row.role)
                                        .arg(group)
                                        .arg(actual.name(QColor::HexArgb),
                                             expected.name(QColor::HexArgb))));
                ++checked;
            }
        }
        QCOMPARE(checked, (20 + 28) * 3);
    }

    void everyUserRoleIsSet()
    {
        for (ThemeMode mode : {ThemeMode::Dark, ThemeMode::Light})
            QCOMPARE(Palette::forTheme(mode).userPalette().resolveMask(), (1u << 28) - 1);
    }

    void systemModeIsDarkHere()
    {
        QCOMPARE(Palette::forTheme(ThemeMode::System), Palette::forTheme(ThemeMode::Dark));
        QVERIFY(Palette::forTheme(ThemeMode::Light) != Palette::forTheme(ThemeMode::Dark));
    }

    void outOfRangeGroupsAndRoles()
    {
        UserPalette palette(nullptr);
        QCOMPARE(palette.brush(QPalette::Disabled, UserPalette::NColourRoles).style(), Qt::NoBrush);
        QCOMPARE(palette.brush(QPalette::ColorGroup(3), UserPalette::Success).style(), Qt::NoBrush);
        palette.setBrush(QPalette::Inactive, UserPalette::NColourRoles, QBrush(Qt::red));
        palette.setBrush(QPalette::ColorGroup(5), UserPalette::Success, QBrush(Qt::red));
        palette.setBrush(UserPalette::ColourRole(-1), QBrush(Qt::red));
        QCOMPARE(palette.resolveMask(), 0u);
        QCOMPARE(palette, UserPalette(nullptr));
    }

    void copyOnWrite()
    {
        const Palette dark = Palette::forTheme(ThemeMode::Dark);
        UserPalette copy = dark.userPalette();
        QCOMPARE(copy, dark.userPalette());
        copy.setBrush(QPalette::Active, UserPalette::Success, QBrush(Qt::magenta));
        QCOMPARE(copy.brush(QPalette::Active, UserPalette::Success).color(), QColor(Qt::magenta));
        QCOMPARE(dark.userPalette().brush(QPalette::Active, UserPalette::Success).color(),
                 QColor("#10b981"));
        QVERIFY(copy != dark.userPalette());
    }

    void currentGroupSelectsColours()
    {
        UserPalette palette = Palette::forTheme(ThemeMode::Light).userPalette();
        QCOMPARE(palette.colour(UserPalette::ScrollBarControlBase), QColor("#a9afb6"));
        palette.setCurrentColourGroup(QPalette::Disabled);
        QCOMPARE(palette.colour(UserPalette::ScrollBarControlBase), QColor("#c8cdd3"));
        UserPalette dark = Palette::forTheme(ThemeMode::Dark).userPalette();
        dark.setCurrentColourGroup(QPalette::Disabled);
        QCOMPARE(dark.colour(UserPalette::ScrollBarControlBase), QColor("#212831"));
    }

    void resolveRules()
    {
        const UserPalette other = Palette::forTheme(ThemeMode::Light).userPalette();

        const UserPalette empty(nullptr);
        const UserPalette fromEmpty = empty.resolve(other);
        QCOMPARE(fromEmpty.resolveMask(), 0u);
        QCOMPARE(fromEmpty.brush(QPalette::Active, UserPalette::Frame).color(), QColor("#a9afb6"));

        UserPalette own(nullptr);
        own.setBrush(UserPalette::Frame, QBrush(Qt::red));
        const UserPalette mixed = own.resolve(other);
        QCOMPARE(mixed.resolveMask(), other.resolveMask());
        QCOMPARE(mixed.brush(QPalette::Disabled, UserPalette::Frame).color(), QColor(Qt::red));
        QCOMPARE(mixed.brush(QPalette::Disabled, UserPalette::CellText).color(), QColor("#9199a2"));
        QCOMPARE(own.brush(QPalette::Active, UserPalette::CellText).style(), Qt::NoBrush);
    }

    void paletteRolesReachBothParts()
    {
        Palette palette = Palette::forTheme(ThemeMode::Dark);
        palette.setColour(PaletteRole(QPalette::Base), QColor("#010203"));
        palette.setColour(QPalette::Disabled, PaletteRole(UserPalette::Error), QColor("#040506"));
        QCOMPARE(palette.colour(QPalette::Base), QColor("#010203"));
        QCOMPARE(palette.brush(QPalette::Disabled, UserPalette::Error).color(), QColor("#040506"));
        QCOMPARE(palette.brush(QPalette::Active, UserPalette::Error).color(), QColor("#ef4444"));
    }

    void currentFollowsTheApplicationStyle()
    {
        QCOMPARE(UserPalette().brush(QPalette::Active, UserPalette::Success).style(), Qt::NoBrush);
        QCOMPARE(Palette::current().userPalette().resolveMask(), 0u);

        QApplication::setStyle(new Tessera::Style(Palette::forTheme(ThemeMode::Light)));
        QCOMPARE(Palette::currentColour(UserPalette::Success), QColor("#10b981"));
        QCOMPARE(Palette::currentColour(QPalette::Window), QColor("#eeeff0"));
        QCOMPARE(UserPalette().colour(UserPalette::ActiveBase), QColor("#141618"));
    }

    void metaTypes()
    {
        QCOMPARE(QMetaType::fromType<UserPalette>().name(), "Tessera::UserPalette");
        QCOMPARE(QMetaType::fromType<Palette>().name(), "Tessera::Palette");
        const QVariant travelling =
            QVariant::fromValue(Palette::forTheme(ThemeMode::Dark).userPalette());
        QCOMPARE(travelling.value<UserPalette>(), Palette::forTheme(ThemeMode::Dark).userPalette());
        QCOMPARE(QMetaEnum::fromType<UserPalette::ColourRole>().keyCount(), 29);
    }
};

QTEST_MAIN(TestPalette)
#include "tst_palette.moc"
