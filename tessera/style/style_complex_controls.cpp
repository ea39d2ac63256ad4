#include "frame_kind.h"
#include "style.h"
#include "style_colours.h"
#include "style_metrics.h"
#include "style_properties.h"
#include "tessera/resources/fonts.h"

#include <QPainter>
#include <QStyleOption>

namespace Tessera {

void Style::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                               QPainter* painter, const QWidget* widget) const
{
    if (!option || !painter)
        return;
    switch (control) {
    case CC_SpinBox:
        return drawSpinBox(option, painter, widget);
    case CC_ScrollBar:
        return drawScrollBar(option, painter, widget);
    case CC_GroupBox:
        return drawGroupBox(option, painter, widget);
    case CC_ComboBox:
        return drawComboBox(option, painter, widget);
    case CC_Slider:
        return drawSlider(option, painter, widget);
    case CC_ToolButton:
        return drawToolButton(option, painter, widget);
    case CC_TitleBar:
    case CC_Dial:
    case CC_MdiControls:
        return QCommonStyle::drawComplexControl(control, option, painter, widget);
    default:
        return;
    }
}

void Style::drawSpinBox(const QStyleOptionComplex* option, QPainter* painter,
                        const QWidget* widget) const
{
    const auto* spin = qstyleoption_cast<const QStyleOptionSpinBox*>(option);
    if (!spin)
        return;
    if (spin->frame) {
        QStyleOptionFrame frame;
        frame.QStyleOption::operator=(*spin);
        frame.rect = proxy()->subControlRect(CC_SpinBox, spin, SC_SpinBoxFrame, widget);
        frame.lineWidth = proxy()->pixelMetric(PM_SpinBoxFrameWidth, spin, widget);
        frame.frameShape = QFrame::StyledPanel;
        proxy()->drawPrimitive(PE_PanelLineEdit, &frame, painter, widget);
    }
    const struct {
        SubControl subControl;
        QAbstractSpinBox::StepEnabledFlag step;
        PrimitiveElement arrow;
    } buttons[] = {{SC_SpinBoxUp, QAbstractSpinBox::StepUpEnabled, PE_IndicatorSpinUp},
                   {SC_SpinBoxDown, QAbstractSpinBox::StepDownEnabled, PE_IndicatorSpinDown}};
    for (const auto& button : buttons) {
        if (!(spin->subControls & button.subControl))
            continue;
        QStyleOptionSpinBox part(*spin);
        part.subControls = button.subControl;
        part.rect = proxy()->subControlRect(CC_SpinBox, spin, button.subControl, widget);
        if (!(spin->stepEnabled & button.step)) {
            part.state &= ~State_Enabled;
            part.palette.setCurrentColorGroup(QPalette::Disabled);
        }
        if (spin->activeSubControls != button.subControl) {
            part.state &= ~(State_MouseOver | State_Sunken);
            part.state |= State_Raised;
        } else if (part.state & State_Sunken) {
            part.state |= State_On;
        }
        proxy()->drawPrimitive(button.arrow, &part, painter, widget);
    }
}

// No arrow buttons: the groove and the slider.
void Style::drawScrollBar(const QStyleOptionComplex* option, QPainter* painter,
                          const QWidget* widget) const
{
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (!bar)
        return;
    if (bar->subControls & SC_ScrollBarGroove)
        drawFrameKind(FrameKind::ScrollCorner, option, painter, widget, *this);
    if (!(bar->subControls & SC_ScrollBarSlider))
        return;
    QStyleOptionSlider slider(*bar);
    slider.rect = proxy()->subControlRect(CC_ScrollBar, bar, SC_ScrollBarSlider, widget);
    if (!slider.rect.isValid())
        return;
    if (bar->activeSubControls != SC_ScrollBarSlider)
        slider.state &= ~(State_MouseOver | State_Sunken);
    proxy()->drawControl(CE_ScrollBarSlider, &slider, painter, widget);
}

void Style::drawGroupBox(const QStyleOptionComplex* option, QPainter* painter,
                         const QWidget* widget) const
{
    const auto* group = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (!group)
        return;
    if (group->subControls & SC_GroupBoxFrame) {
        QStyleOptionFrame frame;
        frame.QStyleOption::operator=(*group);
        frame.rect = proxy()->subControlRect(CC_GroupBox, group, SC_GroupBoxFrame, widget);
        frame.lineWidth = group->lineWidth;
        frame.midLineWidth = group->midLineWidth;
        frame.features = group->features;
        proxy()->drawPrimitive(PE_FrameGroupBox, &frame, painter, widget);
    }
    if ((group->subControls & SC_GroupBoxLabel) && !group->text.isEmpty()) {
        const QFont font = painter->font();
        const QPen pen = painter->pen();
        painter->setFont(roleFont(FontRole::Control));
        if (group->textColor.isValid())
            painter->setPen(
                QPen(group->textColor, pen.widthF(), Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        proxy()->drawItemText(
            painter, proxy()->subControlRect(CC_GroupBox, group, SC_GroupBoxLabel, widget),
            int(group->textAlignment | Qt::AlignVCenter | Qt::TextHideMnemonic), group->palette,
            group->state & State_Enabled, group->text, QPalette::NoRole);
        painter->setFont(font);
        painter->setPen(pen);
    }
    if (group->subControls & SC_GroupBoxCheckBox) {
        QStyleOptionButton box;
        box.QStyleOption::operator=(*group);
        box.rect = proxy()->subControlRect(CC_GroupBox, group, SC_GroupBoxCheckBox, widget);
        proxy()->drawPrimitive(PE_IndicatorCheckBox, &box, painter, widget);
    }
}

// Editable combo boxes look like line edits, others like buttons; both end in a down arrow.
void Style::drawComboBox(const QStyleOptionComplex* option, QPainter* painter,
                         const QWidget* widget) const
{
    const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option);
    if (!combo)
        return;
    if (combo->frame) {
        if (combo->editable) {
            QStyleOptionFrame frame;
            frame.QStyleOption::operator=(*combo);
            frame.lineWidth = pixelMetric(PM_ComboBoxFrameWidth, option, widget);
            proxy()->drawPrimitive(PE_PanelLineEdit, &frame, painter, widget);
        } else {
            QStyleOptionButton button;
            button.QStyleOption::operator=(*combo);
            proxy()->drawPrimitive(PE_PanelButtonTool, &button, painter, widget);
        }
    }
    if (combo->subControls & SC_ComboBoxArrow) {
        QStyleOption arrow(*combo);
        arrow.rect = proxy()->subControlRect(CC_ComboBox, combo, SC_ComboBoxArrow, widget);
        drawArrow(ArrowDirection::Down, 0, &arrow, painter, 1, widget);
    }
}

// A thin rounded groove, the done part in Highlight, a round handle.
void Style::drawSlider(const QStyleOptionComplex* option, QPainter* painter,
                       const QWidget* widget) const
{
    const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (!slider)
        return;
    const UserPalette user = userPaletteFor(option, widget, *this);
    const QRect groove = proxy()->subControlRect(CC_Slider, slider, SC_SliderGroove, widget);
    const QRect handle = proxy()->subControlRect(CC_Slider, slider, SC_SliderHandle, widget);
    const bool horizontal = slider->orientation == Qt::Horizontal;
    if (slider->subControls & SC_SliderGroove) {
        const qreal thickness =
            Metrics::scaledValue(Metrics::SliderGrooveThickness, option, widget);
        QRectF line(groove);
        if (horizontal)
            line = QRectF(line.left(), line.center().y() - thickness / 2, line.width(), thickness);
        else
            line = QRectF(line.center().x() - thickness / 2, line.top(), thickness, line.height());
        drawRoundedRect(painter, line, Qt::NoPen, user.brush(UserPalette::SliderBase),
                        thickness / 2);
        QRectF done = line;
        if (horizontal)
            done.setRight(handle.center().x());
        else
            done.setTop(handle.center().y());
        drawRoundedRect(painter, done, Qt::NoPen, slider->palette.brush(QPalette::Highlight),
                        thickness / 2);
    }
    if (slider->subControls & SC_SliderHandle) {
        const bool active = slider->activeSubControls & SC_SliderHandle;
        const QBrush fill = active && (slider->state & State_MouseOver)
                                ? user.brush(UserPalette::HoverBase)
                                : user.brush(UserPalette::IndicatorBase);
        drawEllipse(painter, QRectF(handle),
                    QPen(slider->palette.brush(QPalette::Highlight),
                         Metrics::scaledValue(Metrics::IndicatorLineWidth, option, widget)),
                    fill);
    }
}

void Style::drawToolButton(const QStyleOptionComplex* option, QPainter* painter,
                           const QWidget* widget) const
{
    const auto* button = qstyleoption_cast<const QStyleOptionToolButton*>(option);
    if (!button)
        return;
    QStyleOptionToolButton panel(*button);
    panel.rect = proxy()->subControlRect(CC_ToolButton, button, SC_ToolButton, widget);
    const bool keyboardFocus =
        (button->state & State_HasFocus) && (button->state & State_KeyboardFocusChange);
    const bool raised = !(button->state & State_AutoRaise) || keyboardFocus ||
                        (button->state & (State_MouseOver | State_On | State_Sunken));
    if ((button->subControls & SC_ToolButton) && raised)
        proxy()->drawPrimitive(PE_PanelButtonTool, &panel, painter, widget);
    QStyleOptionToolButton label(*button);
    label.rect = panel.rect.adjusted(1, 1, -1, -1);
    proxy()->drawControl(CE_ToolButtonLabel, &label, painter, widget);
    const bool indicatorHidden =
        widget && widget->property(Properties::MenuIndicatorHidden).toBool();
    if ((button->features & QStyleOptionToolButton::HasMenu) && !indicatorHidden) {
        QStyleOptionToolButton arrow(*button);
        const int size = pixelMetric(PM_MenuButtonIndicator, option, widget) / 2;
        arrow.rect = QRect(button->rect.right() - size, button->rect.bottom() - size, size, size);
        drawArrow(ArrowDirection::Down, 0, &arrow, painter, 0, widget, UserPalette::MenuIconBase);
    }
}

} // namespace Tessera
