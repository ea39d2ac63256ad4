#include "theme_palettes.h"

#include "orrery_gui/painting/colour.h"

#include <initializer_list>
#include <utility>

namespace Tessera {
namespace {

using Role = UserPalette::ColourRole;

struct RoleColour {
    PaletteRole role;
    QColor colour;
};

// The nine brushes of QPalette's constructor, in its order.
struct NineBrushes {
    QColor windowText, button, light, dark, mid, text, brightText, base, window;
};

struct ThemeColours {
    NineBrushes nine;
    std::initializer_list<RoleColour> allGroups;
    std::initializer_list<RoleColour> disabled;
    std::initializer_list<RoleColour> inactive;
};

QColor hex(const char* name)
{
    return QColor(QString::fromLatin1(name));
}

QColor blendOnWindow(const char* colour, const char* window, double alpha)
{
    return Orrery::blend(hex(colour), hex(window), alpha);
}

Palette buildPalette(const ThemeColours& colours)
{
    const NineBrushes& n = colours.nine;
    Palette palette(QPalette(n.windowText, n.button, n.light, n.dark, n.mid, n.text, n.brightText,
                             n.base, n.window),
                    UserPalette(nullptr));
    for (const RoleColour& entry : colours.allGroups)
        palette.setColour(entry.role, entry.colour);
    for (const RoleColour& entry : colours.disabled)
        palette.setColour(QPalette::Disabled, entry.role, entry.colour);
    for (const RoleColour& entry : colours.inactive)
        palette.setColour(QPalette::Inactive, entry.role, entry.colour);
    return palette;
}

const QColor Transparent(0, 0, 0, 0);

} // namespace

Palette darkThemePalette()
{
    const char* window = "#181c21";
    return buildPalette({
        {hex("#ffffff"), hex("#212831"), hex("#c8cdd3"), hex("#191a1a"), hex("#181c21"),
         hex("#ffffff"), hex("#ffffff"), hex("#181c21"), hex("#181c21")},
        {
            {QPalette::WindowText, hex("#ffffff")},
            {QPalette::Button, hex("#212831")},
            {QPalette::Light, hex("#c8cdd3")},
            {QPalette::Midlight, hex("#42484e")},
            {QPalette::Dark, hex("#191a1a")},
            {QPalette::Mid, hex("#181c21")},
            {QPalette::Text, hex("#ffffff")},
            {QPalette::BrightText, hex("#ffffff")},
            {QPalette::ButtonText, hex("#ffffff")},
            {QPalette::Base, hex("#181c21")},
            {QPalette::Window, hex("#181c21")},
            {QPalette::Shadow, hex("#000000")},
            {QPalette::Highlight, hex("#227cc2")},
            {QPalette::HighlightedText, hex("#ffffff")},
            {QPalette::Link, hex("#5ca3da")},
            {QPalette::LinkVisited, hex("#c8cdd3")},
            {QPalette::AlternateBase, hex("#212831")},
            {QPalette::ToolTipBase, hex("#181c21")},
            {QPalette::ToolTipText, hex("#ffffff")},
            {QPalette::PlaceholderText, hex("#c8cdd3")},
            {Role::ActiveBase, hex("#ffffff")},
            {Role::ActiveText, hex("#181c21")},
            {Role::HoverBase, hex("#42484e")},
            {Role::Frame, hex("#42484e")},
            {Role::PanelFrame, hex("#c8cdd3")},
            {Role::CellBase, hex("#77808a")},
            {Role::CellAltBase, hex("#a0abbb")},
            {Role::CellText, hex("#ffffff")},
            {Role::TableGrid, hex("#181c21")},
            {Role::ViewItemBase, hex("#212831")},
            {Role::ViewItemAltBase, hex("#323a46")},
            {Role::ViewItemText, hex("#ffffff")},
            {Role::ViewItemActiveBase, hex("#ffffff")},
            {Role::ViewItemActiveText, hex("#181c21")},
            {Role::HeaderBase, hex("#212831")},
            {Role::HeaderText, hex("#ffffff")},
            {Role::SliderBase, hex("#c8cdd3")},
            {Role::ScrollBarBase, Transparent},
            {Role::ScrollBarControlBase, hex("#212831")},
            {Role::ScrollBarControlFrame, hex("#77808a")},
            {Role::TabBase, hex("#212831")},
            {Role::IndicatorBase, hex("#ffffff")},
            {Role::ArrowIconBase, hex("#0072fd")},
            {Role::MenuIconBase, hex("#77808a")},
            {Role::AlternateHighlight, hex("#5ca3da")},
            {Role::Success, hex("#10b981")},
            {Role::Warning, hex("#f59e0b")},
            {Role::Error, hex("#ef4444")},
        },
        {
            {QPalette::Text, hex("#77808a")},
            {QPalette::WindowText, hex("#77808a")},
            {QPalette::PlaceholderText, hex("#77808a")},
            {QPalette::ButtonText, hex("#77808a")},
            {QPalette::Light, hex("#42484e")},
            {QPalette::Highlight, blendOnWindow("#227cc2", window, 0.3)},
            {Role::AlternateHighlight, hex("#c8cdd3")},
            {Role::ActiveText, hex("#77808a")},
            {Role::PanelFrame, hex("#42484e")},
            {Role::CellText, hex("#292c33")},
            {Role::ViewItemText, hex("#77808a")},
            {Role::ViewItemActiveText, hex("#77808a")},
            {Role::HeaderText, hex("#77808a")},
            {Role::SliderBase, hex("#42484e")},
            {Role::ScrollBarControlFrame, hex("#42484e")},
            {Role::IndicatorBase, blendOnWindow("#ffffff", window, 0.3)},
            {Role::ArrowIconBase, blendOnWindow("#0072fd", window, 0.3)},
            {Role::MenuIconBase, blendOnWindow("#77808a", window, 0.3)},
        },
        {
            {Role::ArrowIconBase, blendOnWindow("#0072fd", window, 0.8)},
            {Role::MenuIconBase, blendOnWindow("#77808a", window, 0.8)},
        },
    });
}

Palette lightThemePalette()
{
    const char* window = "#eeeff0";
    return buildPalette({
        {hex("#3c4147"), hex("#e5e7e9"), hex("#fbfbfb"), hex("#3c4147"), hex("#eeeff0"),
         hex("#3c4147"), hex("#ffffff"), hex("#eeeff0"), hex("#eeeff0")},
        {
            {QPalette::WindowText, hex("#3c4147")},
            {QPalette::Button, hex("#e5e7e9")},
            {QPalette::Light, hex("#fbfbfb")},
            {QPalette::Midlight, hex("#f6f7f8")},
            {QPalette::Dark, hex("#3c4147")},
            {QPalette::Mid, hex("#eeeff0")},
            {QPalette::Text, hex("#3c4147")},
            {QPalette::BrightText, hex("#ffffff")},
            {QPalette::ButtonText, hex("#3c4147")},
            {QPalette::Base, hex("#eeeff0")},
            {QPalette::Window, hex("#eeeff0")},
            {QPalette::Shadow, hex("#000000")},
            {QPalette::Highlight, hex("#227cc2")},
            {QPalette::HighlightedText, hex("#ffffff")},
            {QPalette::Link, hex("#5ca3da")},
            {QPalette::LinkVisited, hex("#77808a")},
            {QPalette::AlternateBase, hex("#fbfbfb")},
            {QPalette::ToolTipBase, hex("#f6f7f8")},
            {QPalette::ToolTipText, hex("#3c4147")},
            {QPalette::PlaceholderText, hex("#77808a")},
            {Role::ActiveBase, hex("#141618")},
            {Role::ActiveText, hex("#ffffff")},
            {Role::HoverBase, hex("#a9afb6")},
            {Role::Frame, hex("#a9afb6")},
            {Role::PanelFrame, hex("#3c4147")},
            {Role::CellBase, hex("#eeeff0")},
            {Role::CellAltBase, hex("#e7eaee")},
            {Role::CellText, hex("#3c4147")},
            {Role::TableGrid, hex("#3c4147")},
            {Role::ViewItemBase, hex("#e5e7e9")},
            {Role::ViewItemAltBase, hex("#d0d5dd")},
            {Role::ViewItemText, hex("#3c4147")},
            {Role::ViewItemActiveBase, hex("#a9afb6")},
            {Role::ViewItemActiveText, hex("#3c4147")},
            {Role::HeaderBase, hex("#e5e7e9")},
            {Role::HeaderText, hex("#3c4147")},
            {Role::SliderBase, hex("#a9afb6")},
            {Role::ScrollBarBase, Transparent},
            {Role::ScrollBarControlBase, hex("#a9afb6")},
            {Role::ScrollBarControlFrame, hex("#9199a2")},
            {Role::TabBase, hex("#fbfbfb")},
            {Role::IndicatorBase, hex("#f6f7f8")},
            {Role::ArrowIconBase, hex("#0072fd")},
            {Role::MenuIconBase, hex("#77808a")},
            {Role::AlternateHighlight, hex("#5ca3da")},
            {Role::Success, hex("#10b981")},
            {Role::Warning, hex("#f59e0b")},
            {Role::Error, hex("#ef4444")},
        },
        {
            {QPalette::Text, hex("#a9afb6")},
            {QPalette::WindowText, hex("#a9afb6")},
            {QPalette::PlaceholderText, hex("#a9afb6")},
            {QPalette::ButtonText, hex("#a9afb6")},
            {QPalette::Light, hex("#a9afb6")},
            {QPalette::Highlight, blendOnWindow("#227cc2", window, 0.3)},
            {Role::AlternateHighlight, hex("#fbfbfb")},
            {Role::ActiveText, hex("#a9afb6")},
            {Role::PanelFrame, hex("#a9afb6")},
            {Role::CellText, hex("#9199a2")},
            {Role::ViewItemText, hex("#9199a2")},
            {Role::ViewItemActiveText, hex("#9199a2")},
            {Role::HeaderText, hex("#9199a2")},
            {Role::SliderBase, hex("#c8cdd3")},
            {Role::ScrollBarControlBase, hex("#c8cdd3")},
            {Role::ScrollBarControlFrame, hex("#c8cdd3")},
            {Role::IndicatorBase, blendOnWindow("#f6f7f8", window, 0.3)},
            {Role::ArrowIconBase, blendOnWindow("#0072fd", window, 0.3)},
            {Role::MenuIconBase, blendOnWindow("#77808a", window, 0.3)},
        },
        {
            {Role::ArrowIconBase, blendOnWindow("#0072fd", window, 0.8)},
            {Role::MenuIconBase, blendOnWindow("#77808a", window, 0.8)},
        },
    });
}

} // namespace Tessera
