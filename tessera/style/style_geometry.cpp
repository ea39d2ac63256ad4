#include "style.h"
#include "style_metrics.h"
#include "tessera/widgets/card_button.h"
#include "tessera/window/window_title_bar.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QProgressDialog>
#include <QStyleOption>
#include <QTabBar>
#include <QWizard>
#include <QWizardPage>

#include <cmath>

namespace Tessera {
namespace {

QSize grownBy(QSize size, int margin)
{
    return size + QSize(2 * margin, 2 * margin);
}

bool isWizardNavigationButton(const QWidget* widget)
{
    bool inWizard = false;
    for (const QWidget* parent = widget ? widget->parentWidget() : nullptr; parent;
         parent = parent->parentWidget()) {
        if (qobject_cast<const QWizardPage*>(parent) || qobject_cast<const WindowTitleBar*>(parent))
            return false;
        inWizard = inWizard || qobject_cast<const QWizard*>(parent);
    }
    return inWizard;
}

} // namespace

QRect Style::subElementRect(SubElement element, const QStyleOption* option,
                            const QWidget* widget) const
{
    if (!option)
        return {};
    switch (element) {
    case SE_PushButtonContents: {
        const int margin = pixelMetric(PM_DefaultFrameWidth, option, widget) +
                           pixelMetric(PM_ButtonMargin, option, widget);
        return option->rect.adjusted(margin, 0, -margin, 0);
    }
    case SE_LineEditContents: {
        const int frame = pixelMetric(PM_DefaultFrameWidth, option, widget);
        const int margin = Metrics::scaled(Metrics::TextMargins.left(), option, widget);
        return option->rect.adjusted(frame + margin, frame, -frame - margin, -frame);
    }
    case SE_ItemViewItemText: {
        const int padding = Metrics::scaled(Metrics::ItemTextPadding, option, widget);
        const QRect text = QCommonStyle::subElementRect(element, option, widget);
        return text.width() > 2 * padding ? text.adjusted(padding, 0, -padding, 0) : text;
    }
    case SE_ProgressBarGroove:
    case SE_ProgressBarContents:
        return option->rect;
    case SE_ProgressBarLabel:
        return {};
    case SE_TabBarScrollLeftButton:
    case SE_TabBarScrollRightButton:
        // QCommonStyle takes the widget, null or not, for a tab bar.
        if (!qobject_cast<const QTabBar*>(widget))
            return {};
        return QCommonStyle::subElementRect(element, option, widget);
    default:
        return QCommonStyle::subElementRect(element, option, widget);
    }
}

QRect Style::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                            SubControl subControl, const QWidget* widget) const
{
    if (!option)
        return {};
    switch (control) {
    case CC_ScrollBar:
        return scrollBarSubControlRect(option, subControl, widget);
    case CC_SpinBox:
        return spinBoxSubControlRect(option, subControl, widget);
    case CC_ComboBox:
        return comboBoxSubControlRect(option, subControl, widget);
    case CC_Slider:
        return sliderSubControlRect(option, subControl, widget);
    default:
        return QCommonStyle::subControlRect(control, option, subControl, widget);
    }
}

// The whole bar is the groove; the slider's length follows the page step.
QRect Style::scrollBarSubControlRect(const QStyleOptionComplex* option, SubControl subControl,
                                     const QWidget* widget) const
{
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (!bar)
        return {};
    const QRect rect = bar->rect;
    const bool horizontal = bar->orientation == Qt::Horizontal;
    const int length = horizontal ? rect.width() : rect.height();
    const qint64 range = qint64(bar->maximum) - bar->minimum;
    const int minimum = std::min(length, pixelMetric(PM_ScrollBarSliderMin, option, widget));
    const int sliderLength =
        range > 0 ? std::clamp(int(qint64(length) * bar->pageStep / (range + bar->pageStep)),
                               minimum, length)
                  : length;
    const int start = sliderPositionFromValue(bar->minimum, bar->maximum, bar->sliderPosition,
                                              length - sliderLength, bar->upsideDown);
    const auto along = [&](int from, int size) {
        return horizontal ? QRect(rect.x() + from, rect.y(), size, rect.height())
                          : QRect(rect.x(), rect.y() + from, rect.width(), size);
    };
    switch (subControl) {
    case SC_ScrollBarGroove:
        return rect;
    case SC_ScrollBarSlider:
        return visualRect(bar->direction, rect, along(start, sliderLength));
    case SC_ScrollBarSubPage:
        return visualRect(bar->direction, rect, along(0, start));
    case SC_ScrollBarAddPage:
        return visualRect(bar->direction, rect,
                          along(start + sliderLength, length - start - sliderLength));
    default:
        return {};
    }
}

// Up and down buttons stacked at the trailing side, as wide as the bar is high, at most half.
QRect Style::spinBoxSubControlRect(const QStyleOptionComplex* option, SubControl subControl,
                                   const QWidget* widget) const
{
    const auto* spin = qstyleoption_cast<const QStyleOptionSpinBox*>(option);
    if (!spin)
        return {};
    const QRect rect = spin->rect;
    const int frame = spin->frame ? pixelMetric(PM_SpinBoxFrameWidth, option, widget) : 0;
    const int buttonWidth = spin->buttonSymbols == QAbstractSpinBox::NoButtons
                                ? 0
                                : std::min(rect.height(), rect.width() / 2);
    const QRect buttons(rect.right() - frame - buttonWidth + 1, rect.top() + frame, buttonWidth,
                        rect.height() - 2 * frame);
    const int half = buttons.height() / 2;
    switch (subControl) {
    case SC_SpinBoxFrame:
        return rect;
    case SC_SpinBoxUp:
        return visualRect(spin->direction, rect,
                          QRect(buttons.x(), buttons.y(), buttonWidth, half));
    case SC_SpinBoxDown:
        return visualRect(
            spin->direction, rect,
            QRect(buttons.x(), buttons.y() + half, buttonWidth, buttons.height() - half));
    case SC_SpinBoxEditField: {
        const int margin = Metrics::scaled(Metrics::TextMargins.left(), option, widget);
        return visualRect(spin->direction, rect,
                          QRect(rect.x() + frame + margin, rect.y() + frame,
                                rect.width() - 2 * frame - margin - buttonWidth,
                                rect.height() - 2 * frame));
    }
    default:
        return {};
    }
}

QRect Style::comboBoxSubControlRect(const QStyleOptionComplex* option, SubControl subControl,
                                    const QWidget* widget) const
{
    const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option);
    if (!combo)
        return {};
    const QRect rect = combo->rect;
    const int frame = combo->frame ? pixelMetric(PM_ComboBoxFrameWidth, option, widget) : 0;
    const int arrowWidth = std::min(rect.height(), rect.width() / 2);
    switch (subControl) {
    case SC_ComboBoxFrame:
    case SC_ComboBoxListBoxPopup:
        return rect;
    case SC_ComboBoxArrow:
        return visualRect(combo->direction, rect,
                          QRect(rect.right() - frame - arrowWidth + 1, rect.y() + frame, arrowWidth,
                                rect.height() - 2 * frame));
    case SC_ComboBoxEditField: {
        const int margin = Metrics::scaled(Metrics::TextMargins.left(), option, widget);
        return visualRect(combo->direction, rect,
                          QRect(rect.x() + frame + margin, rect.y() + frame,
                                rect.width() - 2 * (frame + margin) - arrowWidth,
                                rect.height() - 2 * frame));
    }
    default:
        return {};
    }
}

// The groove spans the slider; the round handle moves along it.
QRect Style::sliderSubControlRect(const QStyleOptionComplex* option, SubControl subControl,
                                  const QWidget* widget) const
{
    const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (!slider)
        return {};
    const QRect rect = slider->rect;
    const bool horizontal = slider->orientation == Qt::Horizontal;
    const int handle = pixelMetric(PM_SliderLength, option, widget);
    const int space = std::max(0, (horizontal ? rect.width() : rect.height()) - handle);
    const int position = sliderPositionFromValue(slider->minimum, slider->maximum,
                                                 slider->sliderPosition, space, slider->upsideDown);
    switch (subControl) {
    case SC_SliderGroove:
        return horizontal
                   ? QRect(rect.x() + handle / 2, rect.y(), rect.width() - handle, rect.height())
                   : QRect(rect.x(), rect.y() + handle / 2, rect.width(), rect.height() - handle);
    case SC_SliderHandle: {
        const QRect square =
            horizontal ? QRect(rect.x() + position, rect.center().y() - handle / 2, handle, handle)
                       : QRect(rect.center().x() - handle / 2, rect.y() + position, handle, handle);
        return visualRect(slider->direction, rect, square);
    }
    default:
        return QCommonStyle::subControlRect(CC_Slider, option, subControl, widget);
    }
}

QSize Style::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                              const QWidget* widget) const
{
    if (!option)
        return size;
    switch (type) {
    case CT_LineEdit:
        return lineEditSize(option, size, widget);
    case CT_PushButton:
        return pushButtonSize(option, size, widget);
    case CT_ToolButton:
        return toolButtonSize(option, size, widget);
    case CT_SpinBox:
    case CT_ComboBox: {
        const int margin = Metrics::scaled(Metrics::TextMargins.left(), option, widget);
        const int frame = pixelMetric(PM_DefaultFrameWidth, option, widget);
        const int height =
            std::max(size.height() + 2 * frame, option->fontMetrics.height() + 2 * frame + 2);
        return QSize(size.width() + 2 * (margin + frame) + height, height);
    }
    case CT_ItemViewItem: {
        const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(option);
        QSize result = QCommonStyle::sizeFromContents(type, option, size, widget);
        if (item && (item->features & QStyleOptionViewItem::HasDisplay))
            result.rwidth() += 2 * Metrics::scaled(Metrics::ItemTextPadding, option, widget);
        return result;
    }
    case CT_MenuItem: {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        const QMarginsF margins = Metrics::scaledValue(Metrics::MenuMargins, option, widget);
        QSize result = QCommonStyle::sizeFromContents(type, option, size, widget);
        result.rwidth() += int(std::ceil(margins.left() + margins.right()));
        if (item && item->menuItemType == QStyleOptionMenuItem::Separator && item->text.isEmpty())
            result.setHeight(Metrics::scaled(Metrics::MenuVMargin, option, widget) * 2);
        return result;
    }
    default:
        return QCommonStyle::sizeFromContents(type, option, size, widget);
    }
}

QSize Style::lineEditSize(const QStyleOption* option, QSize size, const QWidget* widget) const
{
    QSize result = size.shrunkBy(Metrics::LineEditContentsShrink.toMargins());
    const auto* edit = qobject_cast<const QLineEdit*>(widget);
    const QVariant characters = edit ? edit->property("tsr_style_display_char_count") : QVariant();
    if (characters.canConvert<int>() && characters.toInt() > 0)
        result.setWidth(
            std::max(result.width(),
                     int(std::ceil(characters.toInt() *
                                   option->fontMetrics.horizontalAdvance(QLatin1Char('x'))))));
    const int frame = qstyleoption_cast<const QStyleOptionFrame*>(option)
                          ? int(qstyleoption_cast<const QStyleOptionFrame*>(option)->lineWidth)
                          : 0;
    const QMarginsF margins = Metrics::scaledValue(Metrics::TextMargins, option, widget);
    return result.grownBy(QMargins(int(std::lround(margins.left())) + frame, frame,
                                   int(std::lround(margins.right())) + frame, frame));
}

QSize Style::pushButtonSize(const QStyleOption* option, QSize size, const QWidget* widget) const
{
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (!button)
        return size;
    QSize result = size;
    if (button->features & QStyleOptionButton::HasMenu) {
        result.setHeight(
            std::max(result.height(), pixelMetric(PM_MenuButtonIndicator, option, widget)));
        result.rwidth() += 2 * pixelMetric(PM_ButtonMargin, option, widget);
    }
    if (!button->text.isEmpty()) {
        result.setHeight(
            std::max(result.height(), int(std::ceil(option->fontMetrics.lineSpacing()))));
        const QMarginsF margins = Metrics::scaledValue(Metrics::TextMargins, option, widget);
        result += QSize(int(std::lround(margins.left() + margins.right())), 0);
    }
    const QWidget* parent = widget ? widget->parentWidget() : nullptr;
    const bool boxButton = qobject_cast<const QDialogButtonBox*>(parent) ||
                           qobject_cast<const QProgressDialog*>(parent);
    if (boxButton || isWizardNavigationButton(widget))
        result.setWidth(std::max(
            result.width(), Metrics::scaledCeil(Metrics::PushButtonMinimumWidth, option, widget)));
    return grownBy(result, pixelMetric(PM_DefaultFrameWidth, option, widget));
}

QSize Style::toolButtonSize(const QStyleOption* option, QSize size, const QWidget* widget) const
{
    const auto* button = qstyleoption_cast<const QStyleOptionToolButton*>(option);
    if (!button)
        return size;
    QSize result = size;
    if (button->subControls & SC_ToolButtonMenu) {
        result.setHeight(
            std::max(result.height(), pixelMetric(PM_MenuButtonIndicator, option, widget)));
        result.rwidth() += 2 * pixelMetric(PM_ButtonMargin, option, widget);
    }
    if (button->toolButtonStyle != Qt::ToolButtonIconOnly) {
        qreal textHeight = option->fontMetrics.height();
        const auto* card = qobject_cast<const CardButton*>(widget);
        if (card && button->toolButtonStyle == Qt::ToolButtonTextBesideIcon) {
            const QFontMetricsF description(card->descriptionFont());
            textHeight += description.height();
            // The description line is often the longer one.
            const qreal extra = description.horizontalAdvance(card->description()) -
                                option->fontMetrics.horizontalAdvance(button->text);
            result.rwidth() += std::max(0, int(std::ceil(extra)));
        }
        result.setHeight(std::max(result.height(), int(std::ceil(textHeight))));
        result.rwidth() += 2 * Metrics::scaledCeil(Metrics::TextMargins.left(), option, widget);
    }
    return grownBy(result, pixelMetric(PM_DefaultFrameWidth, option, widget));
}

} // namespace Tessera
