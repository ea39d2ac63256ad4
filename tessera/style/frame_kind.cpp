#include "frame_kind.h"

#include "orrery_gui/painting/colour.h"
#include "orrery_gui/painting/rounded_rect.h"
#include "style.h"
#include "style_colours.h"
#include "style_metrics.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QMainWindow>
#include <QPainter>
#include <QStyleOption>

namespace Tessera {
namespace {

enum class Outline { Frame, PanelFrame, ButtonRule, LineEdit, Window, ScrollBarFrame, Background };
enum class Fill { None, Button, LineEdit, Indicator, Base, ScrollBarBase, Slider, Tab, ToolTip };
enum class Width { OptionFrame, Button, Indicator, Menu, ToolTip, DefaultFrame, None };
enum class Radius { Square, Small, Menu, Slider, ToolTip };

struct FrameRules {
    Outline outline;
    Fill fill;
    Width width;
    Radius radius;
};

// Indexed by FrameKind; kind 0 draws nothing.
constexpr FrameRules Rules[] = {
    {},
    {Outline::Frame, Fill::None, Width::OptionFrame, Radius::Square},
    {Outline::PanelFrame, Fill::None, Width::OptionFrame, Radius::Small},
    {Outline::ButtonRule, Fill::Button, Width::Button, Radius::Small},
    {Outline::LineEdit, Fill::LineEdit, Width::OptionFrame, Radius::Small},
    {Outline::ButtonRule, Fill::Indicator, Width::Indicator, Radius::Small},
    {Outline::Window, Fill::Base, Width::OptionFrame, Radius::Square},
    {Outline::Frame, Fill::Base, Width::Menu, Radius::Menu},
    {Outline::Frame, Fill::ScrollBarBase, Width::None, Radius::Square},
    {Outline::ScrollBarFrame, Fill::Slider, Width::DefaultFrame, Radius::Slider},
    {Outline::Background, Fill::Tab, Width::DefaultFrame, Radius::Small},
    {Outline::Frame, Fill::ToolTip, Width::ToolTip, Radius::ToolTip},
};

bool has(const QStyleOption* option, QStyle::StateFlag flag)
{
    return option->state & flag;
}

const QStyleOptionButton* buttonOption(const QStyleOption* option)
{
    return qstyleoption_cast<const QStyleOptionButton*>(option);
}

bool isFlatButton(const QStyleOption* option)
{
    const auto* button = buttonOption(option);
    return button &&
           (button->features & (QStyleOptionButton::Flat | QStyleOptionButton::CommandLinkButton));
}

bool isDefaultButton(const QStyleOption* option)
{
    const auto* button = buttonOption(option);
    return button && (button->features & QStyleOptionButton::DefaultButton);
}

bool isChecked(const QStyleOption* option)
{
    return option->state & (QStyle::State_On | QStyle::State_NoChange);
}

QBrush buttonOutline(FrameKind kind, const QStyleOption* option, const UserPalette& user)
{
    if (kind == FrameKind::Indicator && has(option, QStyle::State_Sunken))
        return option->palette.brush(QPalette::Highlight);
    const bool marked = isChecked(option) || isDefaultButton(option);
    return marked ? option->palette.brush(QPalette::Highlight)
                  : user.brush(UserPalette::PanelFrame);
}

QBrush outlineOf(FrameKind kind, Outline rule, const QStyleOption* option, const QWidget* widget,
                 const UserPalette& user)
{
    switch (rule) {
    case Outline::Frame:
        return user.brush(UserPalette::Frame);
    case Outline::PanelFrame:
        return user.brush(UserPalette::PanelFrame);
    case Outline::ButtonRule:
        return buttonOutline(kind, option, user);
    case Outline::LineEdit:
        return has(option, QStyle::State_HasFocus) ? option->palette.brush(QPalette::Highlight)
                                                   : user.brush(UserPalette::PanelFrame);
    case Outline::Window:
        return widget && qobject_cast<const QMainWindow*>(widget->window())
                   ? user.brush(UserPalette::Frame)
                   : option->palette.brush(QPalette::AlternateBase);
    case Outline::ScrollBarFrame:
        return user.brush(UserPalette::ScrollBarControlFrame);
    case Outline::Background:
        return backgroundBrush(option, widget);
    }
    return {};
}

QBrush buttonFill(const QStyleOption* option, const UserPalette& user)
{
    if (option->state & (QStyle::State_On | QStyle::State_Sunken))
        return user.brush(UserPalette::ActiveBase);
    if (has(option, QStyle::State_Enabled) && has(option, QStyle::State_MouseOver))
        return user.brush(UserPalette::HoverBase);
    // Disabled text on the hover colour would not be seen.
    if (isDefaultButton(option) && has(option, QStyle::State_Enabled))
        return user.brush(UserPalette::HoverBase);
    if (isFlatButton(option) || has(option, QStyle::State_AutoRaise))
        return {};
    return option->palette.brush(QPalette::Button);
}

QBrush lineEditFill(const QStyleOption* option, const QWidget* widget, const UserPalette& user)
{
    if (has(option, QStyle::State_HasFocus) && !has(option, QStyle::State_ReadOnly))
        return user.brush(UserPalette::ActiveBase);
    const bool hoverable =
        qobject_cast<const QAbstractSpinBox*>(widget) || qobject_cast<const QComboBox*>(widget);
    if (has(option, QStyle::State_Enabled) && has(option, QStyle::State_MouseOver) && hoverable)
        return user.brush(UserPalette::HoverBase);
    return {};
}

// Sliders and tabs: raised they take their base (or the hover colour); pressed or selected
// they take the colour of what they sit on.
QBrush raisedFill(const QStyleOption* option, const QWidget* widget, const UserPalette& user,
                  UserPalette::ColourRole base)
{
    if (option->state & (QStyle::State_Sunken | QStyle::State_Selected))
        return backgroundBrush(option, widget);
    if (has(option, QStyle::State_Enabled) && has(option, QStyle::State_MouseOver))
        return user.brush(UserPalette::HoverBase);
    return user.brush(base);
}

QBrush fillOf(Fill rule, const QStyleOption* option, const QWidget* widget, const UserPalette& user)
{
    switch (rule) {
    case Fill::None:
        return {};
    case Fill::Button:
        return buttonFill(option, user);
    case Fill::LineEdit:
        return lineEditFill(option, widget, user);
    case Fill::Indicator:
        return option->state & (QStyle::State_On | QStyle::State_NoChange | QStyle::State_Sunken)
                   ? option->palette.brush(QPalette::Highlight)
                   : user.brush(UserPalette::IndicatorBase);
    case Fill::Base:
        return option->palette.brush(QPalette::Base);
    case Fill::ScrollBarBase:
        return user.brush(UserPalette::ScrollBarBase);
    case Fill::Slider:
        return raisedFill(option, widget, user, UserPalette::ScrollBarControlBase);
    case Fill::Tab:
        return raisedFill(option, widget, user, UserPalette::TabBase);
    case Fill::ToolTip:
        return option->palette.brush(QPalette::ToolTipBase);
    }
    return {};
}

qreal optionFrameWidth(const QStyleOption* option, const QWidget* widget, const Style& style)
{
    if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option))
        return frame->features & QStyleOptionFrame::Flat ? 0 : frame->lineWidth;
    return style.pixelMetric(QStyle::PM_DefaultFrameWidth, option, widget);
}

qreal widthOf(Width rule, const QStyleOption* option, const QWidget* widget, const Style& style)
{
    switch (rule) {
    case Width::OptionFrame:
        return optionFrameWidth(option, widget, style);
    case Width::Button:
        return isFlatButton(option) || has(option, QStyle::State_AutoRaise)
                   ? 0
                   : style.pixelMetric(QStyle::PM_DefaultFrameWidth, option, widget);
    case Width::Indicator:
        return Metrics::scaledValue(Metrics::IndicatorLineWidth, option, widget);
    case Width::Menu:
        return isLargeMenu(widget)
                   ? Metrics::scaledValue(Metrics::LargeMenuLineWidth, option, widget)
                   : optionFrameWidth(option, widget, style);
    case Width::ToolTip:
        return Metrics::scaledValue(Metrics::ToolTipLineWidth, option, widget);
    case Width::DefaultFrame:
        return style.pixelMetric(QStyle::PM_DefaultFrameWidth, option, widget);
    case Width::None:
        return 0;
    }
    return 0;
}

qreal radiusOf(Radius rule, const QStyleOption* option, const QWidget* widget)
{
    switch (rule) {
    case Radius::Square:
        return 0;
    case Radius::Small:
        return Metrics::scaledValue(Metrics::CornerRadius, option, widget);
    case Radius::Menu:
        return isLargeMenu(widget) ? 0
                                   : Metrics::scaledValue(Metrics::CornerRadius, option, widget);
    case Radius::Slider:
        return Metrics::scaledValue(Metrics::ScrollBarSliderRadius, option, widget);
    case Radius::ToolTip:
        return Metrics::scaledValue(isDetailedToolTip(widget) ? Metrics::DetailedToolTipRadius
                                                              : Metrics::ToolTipRadius,
                                    option, widget);
    }
    return 0;
}

// Tabs round only the two corners on the side they are attached to.
Orrery::CornerRadii cornerRadii(FrameKind kind, const QStyleOption* option, qreal radius)
{
    if (kind != FrameKind::Tab)
        return {radius, radius, radius, radius};
    const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option);
    switch (tab ? tab->shape : QTabBar::RoundedNorth) {
    case QTabBar::RoundedSouth:
    case QTabBar::TriangularSouth:
        return {0, 0, radius, radius};
    case QTabBar::RoundedWest:
    case QTabBar::TriangularWest:
        return {radius, 0, radius, 0};
    case QTabBar::RoundedEast:
    case QTabBar::TriangularEast:
        return {0, radius, 0, radius};
    default:
        return {radius, radius, 0, 0};
    }
}

bool showsKeyboardFocus(FrameKind kind, const QStyleOption* option)
{
    // Check boxes and radio buttons show it around their label (PE_FrameFocusRect).
    const bool focusable = kind == FrameKind::Button || kind == FrameKind::Tab;
    return focusable && has(option, QStyle::State_HasFocus) &&
           has(option, QStyle::State_KeyboardFocusChange) && has(option, QStyle::State_Enabled);
}

QBrush focusRing(const QBrush& fill, const QStyleOption* option, const QWidget* widget)
{
    const QColor under =
        fill.style() == Qt::NoBrush ? backgroundBrush(option, widget).color() : fill.color();
    return focusRingColour(under, option->palette);
}

} // namespace

// Of the theme's text and base colours, whichever stands out more from what the ring is drawn
// on: one of a light and a dark colour always does by far more than 3:1.
QColor focusRingColour(const QColor& under, const QPalette& palette)
{
    const QColor text = palette.color(QPalette::Text);
    const QColor base = palette.color(QPalette::Base);
    return Orrery::contrastRatio(text, under) >= Orrery::contrastRatio(base, under) ? text : base;
}

FrameLook frameLook(FrameKind kind, const QStyleOption* option, const QWidget* widget,
                    const Style& style)
{
    const int index = int(kind);
    if (index <= 0 || index >= int(std::size(Rules)))
        return {};
    const FrameRules& rules = Rules[index];
    const UserPalette user = userPaletteFor(option, widget, style);
    FrameLook look{outlineOf(kind, rules.outline, option, widget, user),
                   fillOf(rules.fill, option, widget, user),
                   widthOf(rules.width, option, widget, style),
                   radiusOf(rules.radius, option, widget)};
    // Keyboard focus shows as a ring that differs from the unfocused look by at least 3:1.
    if (showsKeyboardFocus(kind, option)) {
        look.outline = focusRing(look.fill, option, widget);
        look.lineWidth =
            std::max(look.lineWidth, Metrics::scaledValue(Metrics::FocusRingWidth, option, widget));
    }
    return look;
}

void drawFrameKind(FrameKind kind, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget, const Style& style)
{
    if (int(kind) <= 0 || int(kind) >= int(std::size(Rules)))
        return;
    const FrameLook look = frameLook(kind, option, widget, style);
    QPen pen(Qt::NoPen);
    if (look.outline.style() != Qt::NoBrush && look.lineWidth >= 1e-12)
        pen = QPen(look.outline, look.lineWidth, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    Orrery::drawRoundedRect(painter, QRectF(option->rect), pen, look.fill,
                            cornerRadii(kind, option, look.radius));
}

} // namespace Tessera
