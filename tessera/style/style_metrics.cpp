#include "style_metrics.h"

#include "mnemonic_visibility.h"
#include "style.h"
#include "style_colours.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QFrame>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QScreen>
#include <QStyleOption>
#include <QWidget>
#include <QWizard>

#include <cmath>

namespace Tessera {
namespace Metrics {
namespace {

constexpr double DesignDpi = 96.0;

} // namespace

double logicalDpi(const QStyleOption* option, const QWidget* widget)
{
    if (widget)
        return widget->logicalDpiY();
    if (option) {
        if (const auto* device = dynamic_cast<const QPaintDevice*>(option->styleObject))
            return device->logicalDpiY();
        return option->fontMetrics.fontDpi();
    }
    if (!QCoreApplication::testAttribute(Qt::AA_Use96Dpi) && QGuiApplication::primaryScreen())
        return QGuiApplication::primaryScreen()->logicalDotsPerInchY();
    return DesignDpi;
}

double scaledValue(double value, const QStyleOption* option, const QWidget* widget)
{
    return value * logicalDpi(option, widget) / DesignDpi;
}

QSizeF scaledValue(const QSizeF& value, const QStyleOption* option, const QWidget* widget)
{
    return value * (logicalDpi(option, widget) / DesignDpi);
}

QMarginsF scaledValue(const QMarginsF& value, const QStyleOption* option, const QWidget* widget)
{
    return value * (logicalDpi(option, widget) / DesignDpi);
}

int scaled(double value, const QStyleOption* option, const QWidget* widget)
{
    return int(std::lround(scaledValue(value, option, widget)));
}

int scaledCeil(double value, const QStyleOption* option, const QWidget* widget)
{
    return int(std::ceil(scaledValue(value, option, widget) - 1e-9));
}

} // namespace Metrics

namespace {

using namespace Metrics;

// A scroll bar of an item view that draws its own frame is thinner.
bool isInFramedItemView(const QWidget* widget, const Style& style)
{
    for (const QWidget* parent = widget; parent; parent = parent->parentWidget()) {
        if (const auto* view = qobject_cast<const QAbstractItemView*>(parent))
            return view->frameShape() != QFrame::NoFrame &&
                   style.styleHint(QStyle::SH_ScrollView_FrameOnlyAroundContents) == 0;
    }
    return false;
}

int frameOptionWidth(const QStyleOption* option, int fallback)
{
    if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option))
        return frame->features & QStyleOptionFrame::Flat ? 0 : int(std::ceil(frame->lineWidth));
    return fallback;
}

int tabSpace(const QStyleOption* option, const QWidget* widget, bool horizontal)
{
    const QMarginsF margins = scaledValue(TabMargins, option, widget);
    const qreal sides =
        horizontal ? margins.left() + margins.right() : margins.top() + margins.bottom();
    return int(std::ceil(sides + 2 * FrameWidth));
}

bool isFramedScrollArea(const QWidget* widget)
{
    const auto* area = qobject_cast<const QAbstractScrollArea*>(widget);
    return area && area->frameShape() != QFrame::NoFrame;
}

} // namespace

int Style::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    const auto s = [&](double value) {
        return scaled(value, option, widget);
    };
    switch (metric) {
    case PM_ButtonMargin:
    case PM_DockWidgetHandleExtent:
    case PM_HeaderMargin:
    case PM_ToolBarItemMargin:
    case PM_DockWidgetTitleBarButtonMargin:
        return s(ButtonMargin);
    case PM_MenuButtonIndicator:
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight:
    case PM_HeaderMarkSize:
        return s(IndicatorSize);
    case PM_ButtonShiftHorizontal:
    case PM_ButtonShiftVertical:
    case PM_TabBarTabOverlap:
    case PM_TabBarBaseHeight:
    case PM_MenuBarPanelWidth:
    case PM_TabBarTabShiftHorizontal:
    case PM_TabBarTabShiftVertical:
    case PM_FocusFrameVMargin:
    case PM_FocusFrameHMargin:
        return 0;
    case PM_DefaultFrameWidth:
    case PM_SpinBoxFrameWidth:
    case PM_ComboBoxFrameWidth:
    case PM_DockWidgetSeparatorExtent:
    case PM_DockWidgetFrameWidth:
    case PM_TabBarBaseOverlap:
    case PM_MenuPanelWidth:
    case PM_MdiSubWindowFrameWidth:
    case PM_ToolBarFrameWidth:
        return FrameWidth;
    case PM_ScrollBarExtent:
        return s(isInFramedItemView(widget, *this) ? ScrollBarExtentInView : ScrollBarExtent);
    case PM_ScrollBarSliderMin:
        return s(ScrollBarSliderMin);
    case PM_SliderThickness:
    case PM_SliderControlThickness:
        return s(SliderThickness);
    case PM_SliderLength:
        // A round handle: a handle as long as the groove would have no room to move.
        return pixelMetric(PM_SliderControlThickness, option, widget);
    case PM_SliderTickmarkOffset:
        return s(SliderTickmarkOffset);
    case PM_SliderSpaceAvailable:
        return sliderSpaceAvailable(option, widget);
    case PM_TabBarTabHSpace:
        return tabSpace(option, widget, true);
    case PM_TabBarTabVSpace:
        return tabSpace(option, widget, false);
    case PM_SplitterWidth:
        return s(SplitterWidth);
    case PM_TitleBarHeight:
        return pixelMetric(PM_TitleBarButtonSize, option, widget) + s(TitleBarExtraHeight);
    case PM_MenuHMargin:
    case PM_ToolBarItemSpacing:
        return s(MenuHMargin);
    case PM_MenuVMargin:
        return s(isLargeMenu(widget) ? LargeMenuVMargin : MenuVMargin);
    case PM_MenuTearoffHeight:
        return frameOptionWidth(option, FrameWidth) + 2 * s(MenuTearoffMargin);
    case PM_TabBarScrollButtonWidth:
    case PM_ListViewIconSize:
    case PM_ButtonIconSize:
    case PM_TabCloseIndicatorWidth:
    case PM_TabCloseIndicatorHeight:
    case PM_TitleBarButtonIconSize:
        return s(SmallIconSize);
    case PM_ToolBarSeparatorExtent:
        return frameOptionWidth(option, FrameWidth);
    case PM_ToolBarExtensionExtent:
        return pixelMetric(PM_ButtonIconSize, option, widget) + 2 * buttonFrameWidth(option);
    case PM_ToolBarIconSize:
    case PM_LargeIconSize:
        return s(LargeIconSize);
    case PM_SmallIconSize:
        return s(isLargeMenu(widget) ? LargeMenuIconSize : SmallIconSize);
    case PM_ToolTipLabelFrameWidth:
    case PM_CheckBoxLabelSpacing:
    case PM_RadioButtonLabelSpacing:
    case PM_LayoutLeftMargin:
    case PM_LayoutTopMargin:
    case PM_LayoutRightMargin:
    case PM_LayoutBottomMargin:
    case PM_LayoutHorizontalSpacing:
    case PM_LayoutVerticalSpacing:
        return s(LayoutSpacing);
    case PM_ScrollView_ScrollBarSpacing:
        return isFramedScrollArea(widget) ? 0 : s(ScrollViewSpacing);
    case PM_TitleBarButtonSize:
        return s(TitleBarButtonSize);
    default:
        return QCommonStyle::pixelMetric(metric, option, widget);
    }
}

int Style::sliderSpaceAvailable(const QStyleOption* option, const QWidget* widget) const
{
    const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (!slider)
        return 0;
    const int length =
        slider->orientation == Qt::Horizontal ? option->rect.width() : option->rect.height();
    return length - pixelMetric(PM_SliderControlThickness, option, widget);
}

int Style::buttonFrameWidth(const QStyleOption* option) const
{
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    const bool flat =
        button &&
        (button->features & (QStyleOptionButton::Flat | QStyleOptionButton::CommandLinkButton));
    return flat || (option && (option->state & State_AutoRaise)) ? 0 : FrameWidth;
}

int Style::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                     QStyleHintReturn* returnData) const
{
    switch (hint) {
    case SH_EtchDisabledText:
    case SH_ScrollBar_MiddleClickAbsolutePosition:
    case SH_MainWindow_SpaceBelowMenuBar:
    case SH_Menu_AllowActiveAndDisabled:
    case SH_ScrollView_FrameOnlyAroundContents:
    case SH_ToolBox_SelectedPageTitleBold:
    // Opening a row takes a double-click (or Enter) whatever the desktop says.
    case SH_ItemView_ActivateItemOnSingleClick:
    case SH_Menu_FillScreenWithScroll:
    case SH_TitleBar_ModifyNotification:
    case SH_RubberBand_Mask:
    case SH_Slider_PageSetButtons:
    case SH_DialogButtonBox_ButtonsHaveIcons:
    case SH_MessageBox_CenterButtons:
    case SH_Menu_Mask:
    case SH_ToolBar_Movable:
    case SH_TabBar_CloseButtonPosition:
    case SH_Menu_SubMenuUniDirectionFailCount:
        return 0;
    case SH_UnderlineShortcut:
        return m_mnemonics->shown();
    // The one focus frame, over read-only text, is drawn over the text's edge.
    case SH_FocusFrame_AboveWidget:
    case SH_ScrollBar_ScrollWhenPointerLeavesControl:
    case SH_Slider_SnapToValue:
    case SH_PrintDialog_RightAlignButtons:
    case SH_FontDialog_SelectAssociatedText:
    case SH_Menu_SpaceActivatesItem:
    case SH_MenuBar_AltKeyNavigation:
    case SH_ComboBox_ListMouseTracking:
    case SH_Menu_MouseTracking:
    case SH_MenuBar_MouseTracking:
    case SH_ItemView_ChangeHighlightOnFocus:
    case SH_Widget_ShareActivation:
    case SH_TitleBar_NoBorder:
    case SH_Slider_StopMouseOverSlider:
    case SH_Menu_Scrollable:
    case SH_TabBar_PreferNoArrows:
    case SH_ScrollBar_LeftClickAbsolutePosition:
    case SH_DrawMenuBarSeparator:
    case SH_Button_FocusPolicy:
    case SH_TitleBar_AutoRaise:
    case SH_ItemView_ShowDecorationSelected:
    case SH_Menu_KeyboardSearch:
    case SH_Menu_SelectionWrap:
    case SH_TextControl_FocusIndicatorTextCharFormat:
    case SH_Menu_FlashTriggeredItem:
    case SH_ScrollBar_Transient:
    case SH_TabBar_ChangeCurrentDelay:
    case SH_Menu_SubMenuSloppyCloseTimeout:
    case SH_ComboBox_AllowWheelScrolling:
        return 1;
    case SH_TabBar_ElideMode:
        return Qt::ElideRight;
    case SH_WizardStyle:
        return QWizard::ModernStyle;
    case SH_ProgressDialog_TextLabelAlignment:
        return Qt::AlignLeft | Qt::AlignVCenter;
    case SH_Slider_AbsoluteSetButtons:
        return Qt::LeftButton | Qt::MiddleButton;
    case SH_MessageBox_TextInteractionFlags:
        return Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse;
    case SH_ComboBox_Popup: {
        const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option);
        return combo && !combo->editable ? 1 : 0;
    }
    case SH_GroupBox_TextLabelColor:
        return int(groupBoxTextColour(option, widget).rgba());
    case SH_Table_GridLineColor: {
        QStyleOption fallback;
        fallback.state = State_Enabled | State_Active;
        return int(userPaletteFor(option ? option : &fallback, widget, *this)
                       .colour(UserPalette::TableGrid)
                       .rgba());
    }
    case SH_LineEdit_PasswordCharacter:
        return 0x2022;
    default:
        return QCommonStyle::styleHint(hint, option, widget, returnData);
    }
}

QColor Style::groupBoxTextColour(const QStyleOption* option, const QWidget* widget) const
{
    if (widget)
        return widget->palette().color(widget->foregroundRole());
    if (option)
        return option->palette.color(QPalette::Text);
    return m_palette.color(QPalette::Text);
}

} // namespace Tessera
