#include "fonts.h"

#include <QDirIterator>
#include <QFontDatabase>
#include <QtDebug>

#include <array>

namespace Tessera {
namespace {

// Sizes are designed in pixels at 96 DPI; Qt fonts take points.
constexpr double PointsPerInch = 72.0;
constexpr double DesignDpi = 96.0;

// Through the "tessera" search path, which the theme sets: until then nothing is found, and
// loading is tried again on the next request.
void loadBundledFonts()
{
    static bool loaded = false;
    static bool reported = false;
    if (loaded)
        return;
    QDirIterator files(QStringLiteral("tessera:/tessera_style/fonts/"),
                       {QStringLiteral("titillium_web_*.ttf")},
                       QDir::Files | QDir::NoSymLinks | QDir::Readable | QDir::CaseSensitive);
    while (files.hasNext())
        loaded = QFontDatabase::addApplicationFont(files.next()) >= 0 || loaded;
    if (!loaded && !reported) {
        reported = true;
        qDebug("The Titillium Web fonts are not found through the \"tessera\" search path yet");
    }
}

int weightValue(FontWeight weight)
{
    switch (weight) {
    case FontWeight::ExtraLight:
        return 200;
    case FontWeight::Light:
        // Qt asks the fallback font of a script that Titillium lacks for the same weight. At 300
        // DejaVu Sans, the usual system font, gives its ExtraLight face, which has no Hebrew;
        // a little heavier, Titillium still gives its Light face and DejaVu Sans its regular one.
        return 340;
    case FontWeight::Regular:
        return 400;
    default:
        return 600;
    }
}

int designPixels(FontSize size)
{
    switch (size) {
    case FontSize::Px9:
        return 9;
    case FontSize::Px11:
        return 11;
    case FontSize::Px12:
        return 12;
    case FontSize::Px13:
        return 13;
    default:
        return 16;
    }
}

struct RoleFontSpec {
    FontWeight weight;
    FontSize size;
    bool upperCase;
};

constexpr std::array<RoleFontSpec, FontRoleCount> RoleFonts = {{
    {FontWeight::Light, FontSize::Px11, false},
    {FontWeight::Regular, FontSize::Px11, false},
    {FontWeight::Light, FontSize::Px13, false},
    {FontWeight::SemiBold, FontSize::Px13, true},
    {FontWeight::Regular, FontSize::Px13, false},
    {FontWeight::Regular, FontSize::Px13, true},
    {FontWeight::ExtraLight, FontSize::Px9, false},
    {FontWeight::SemiBold, FontSize::Px13, false},
}};

template <std::size_t Role>
const QFont& builtRoleFont()
{
    static const QFont roleFont = [] {
        const RoleFontSpec spec = RoleFonts[Role];
        QFont result = font(spec.weight, spec.size);
        if (spec.upperCase)
            result.setCapitalization(QFont::AllUppercase);
        return result;
    }();
    return roleFont;
}

template <std::size_t... Roles>
const QFont& roleFontOf(int role, std::index_sequence<Roles...>)
{
    using Builder = const QFont& (*)();
    static constexpr std::array<Builder, sizeof...(Roles)> builders = {&builtRoleFont<Roles>...};
    return builders[std::size_t(role)]();
}

} // namespace

QFont font(FontWeight weight, FontSize size)
{
    loadBundledFonts();
    QFont result(QStringLiteral("Titillium Web"));
    result.setWeight(QFont::Weight(weightValue(weight)));
    result.setPointSizeF(designPixels(size) * PointsPerInch / DesignDpi);
    result.setHintingPreference(QFont::PreferNoHinting);
    return result;
}

const QFont& roleFont(FontRole role)
{
    const int index = int(role);
    return roleFontOf(index >= 0 && index < FontRoleCount ? index : int(FontRole::Application),
                      std::make_index_sequence<FontRoleCount>());
}

} // namespace Tessera
