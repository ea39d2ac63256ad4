#include "frame_kind.h"
#include "orrery_gui/painting/colour.h"
#include "style.h"
#include "style_colours.h"
#include "style_metrics.h"
#include "tessera/window/platform/frameless_windows.h"
#include "tessera/window/window.h"

#include <QAbstractItemView>
#include <QFocusFrame>
#include <QPainter>
#include <QStyleOption>

namespace Tessera {
namespace {

QPen indicatorPen(const QBrush& brush, qreal width)
{
    return QPen(brush, width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

ArrowDirection arrowOf(QStyle::PrimitiveElement element)
{
    switch (element) {
    case QStyle::PE_IndicatorArrowUp:
    case QStyle::PE_IndicatorSpinUp:
    case QStyle::PE_IndicatorSpinPlus:
        return ArrowDirection::Up;
    case QStyle::PE_IndicatorArrowDown:
    case QStyle::PE_IndicatorSpinDown:
    case QStyle::PE_IndicatorSpinMinus:
        return ArrowDirection::Down;
    case QStyle::PE_IndicatorArrowLeft:
        return ArrowDirection::Left;
    case QStyle::PE_IndicatorArrowRight:
        return ArrowDirection::Right;
    default:
        return ArrowDirection::None;
    }
}

// The item view being painted: the widget, or the one whose viewport the painter paints.
const QAbstractItemView* paintedView(const QWidget* widget, const QPainter* painter)
{
    if (const auto* view = qobject_cast<const QAbstractItemView*>(widget))
        return view;
    const auto* device = painter ? dynamic_cast<const QWidget*>(painter->device()) : nullptr;
    return device ? qobject_cast<const QAbstractItemView*>(device->parentWidget()) : nullptr;
}

// Whether the item is in the current row of a view that has the keyboard focus.
bool hasRowFocus(const QStyleOptionViewItem& item, const QWidget* widget, const QPainter* painter)
{
    const QAbstractItemView* view = paintedView(widget, painter);
    if (!view || !view->hasFocus() || !item.index.isValid())
        return false;
    const QModelIndex current = view->currentIndex();
    return current.row() == item.index.row() && current.parent() == item.index.parent();
}

} // namespace

void Style::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                          const QWidget* widget) const
{
    if (!option || !painter)
        return;
    switch (element) {
    case PE_Frame:
        return drawFrameKind(FrameKind::Plain, option, painter, widget, *this);
    case PE_FrameDockWidget:
    case PE_FrameWindow:
        return drawFrameKind(FrameKind::Window, option, painter, widget, *this);
    case PE_FrameFocusRect:
        return drawFocusFrame(option, painter, widget);
    case PE_FrameStatusBarItem:
    case PE_FrameTabWidget:
    case PE_FrameTabBarBase:
    case PE_PanelItemViewRow:
        return; // no extra frames
    case PE_FrameGroupBox:
    case PE_PanelMenuBar:
    case PE_PanelToolBar:
        return drawFrameKind(FrameKind::Panel, option, painter, widget, *this);
    case PE_FrameLineEdit:
    case PE_PanelLineEdit:
        return drawFrameKind(FrameKind::LineEdit, option, painter, widget, *this);
    case PE_FrameMenu:
    case PE_PanelMenu:
        return drawFrameKind(FrameKind::Menu, option, painter, widget, *this);
    case PE_FrameButtonBevel:
    case PE_FrameButtonTool:
    case PE_PanelButtonCommand:
    case PE_PanelButtonBevel:
    case PE_PanelButtonTool:
        return drawFrameKind(FrameKind::Button, option, painter, widget, *this);
    case PE_IndicatorArrowUp:
    case PE_IndicatorArrowDown:
    case PE_IndicatorArrowLeft:
    case PE_IndicatorArrowRight:
    case PE_IndicatorSpinUp:
    case PE_IndicatorSpinPlus:
    case PE_IndicatorSpinDown:
    case PE_IndicatorSpinMinus:
        return drawArrow(arrowOf(element), 0, option, painter, 1, widget);
    case PE_IndicatorHeaderArrow:
        return drawHeaderArrow(option, painter, widget);
    case PE_IndicatorBranch:
        return drawBranch(option, painter, widget);
    case PE_IndicatorCheckBox:
    case PE_IndicatorItemViewItemCheck:
    case PE_IndicatorMenuCheckMark:
        return drawCheckBox(option, painter, widget);
    case PE_IndicatorRadioButton:
        return drawRadioButton(option, painter, widget);
    case PE_IndicatorToolBarSeparator:
        return drawToolBarSeparator(option, painter, widget);
    case PE_IndicatorButtonDropDown:
        return drawButtonDropDown(option, painter, widget);
    case PE_PanelItemViewItem:
        return drawItemViewItemPanel(option, painter, widget);
    case PE_PanelTipLabel:
        return drawFrameKind(FrameKind::ToolTip, option, painter, widget, *this);
    case PE_IndicatorTabTear:
    case PE_IndicatorTabTearRight:
        return painter->fillRect(option->rect, backgroundBrush(option, widget));
    case PE_PanelScrollAreaCorner:
        return painter->fillRect(option->rect,
                                 frameLook(FrameKind::ScrollCorner, option, widget, *this).fill);
    case PE_Widget:
        return drawWindowBackground(option, painter, widget);
    default:
        return QCommonStyle::drawPrimitive(element, option, painter, widget);
    }
}

// The box; a bar when partly checked, a tick when checked, nothing more when unchecked.
void Style::drawCheckBox(const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    drawFrameKind(FrameKind::Indicator, option, painter, widget, *this);
    if (!(option->state & (State_On | State_NoChange)))
        return;
    const qreal unit = Metrics::scaledValue(1, option, widget);
    const QPen pen(userPaletteFor(option, widget, *this).brush(UserPalette::IndicatorBase),
                   Metrics::CheckMarkPenWidth * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    const QRectF rect(option->rect);
    if (option->state & State_NoChange) {
        const qreal inset = Metrics::PartialMarkInset * unit;
        drawLine(painter, Qt::Horizontal, rect.adjusted(inset, inset, -inset, -inset), pen);
        return;
    }
    drawCheckMark(painter, rect - Metrics::CheckMarkMargins * unit, pen);
}

void Style::drawRadioButton(const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const
{
    const FrameLook look = frameLook(FrameKind::Indicator, option, widget, *this);
    const UserPalette user = userPaletteFor(option, widget, *this);
    const QRectF rect(option->rect);
    drawEllipse(painter, rect, indicatorPen(look.outline, look.lineWidth),
                user.brush(UserPalette::IndicatorBase));
    if (!(option->state & State_On))
        return;
    const qreal inset = Metrics::scaledValue(Metrics::RadioDotInset, option, widget);
    drawEllipse(painter, rect.adjusted(inset, inset, -inset, -inset), Qt::NoPen,
                option->palette.brush(QPalette::Highlight));
}

void Style::drawToolBarSeparator(const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const
{
    qreal width = pixelMetric(PM_DefaultFrameWidth, option, widget);
    if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option))
        width = frame->features & QStyleOptionFrame::Flat ? 0 : frame->lineWidth;
    const Qt::Orientation orientation =
        option->state & State_Horizontal ? Qt::Vertical : Qt::Horizontal;
    drawLine(painter, orientation, QRectF(option->rect),
             indicatorPen(userPaletteFor(option, widget, *this).brush(UserPalette::Frame), width));
}

void Style::drawButtonDropDown(const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const
{
    proxy()->drawPrimitive(PE_PanelButtonTool, option, painter, widget);
    drawArrow(ArrowDirection::Down, 0, option, painter, 0, widget, UserPalette::MenuIconBase);
}

void Style::drawHeaderArrow(const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const
{
    const auto* header = qstyleoption_cast<const QStyleOptionHeader*>(option);
    if (!header || header->sortIndicator == QStyleOptionHeader::None)
        return;
    drawArrow(header->sortIndicator == QStyleOptionHeader::SortUp ? ArrowDirection::Up
                                                                  : ArrowDirection::Down,
              0, option, painter, 1, widget);
}

// No branch lines: only the arrow of an item with children.
void Style::drawBranch(const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    if (!(option->state & State_Children))
        return;
    QStyleOption arrow(*option);
    arrow.state &= ~State_MouseOver;
    ArrowDirection direction =
        option->direction == Qt::RightToLeft ? ArrowDirection::Left : ArrowDirection::Right;
    if (option->state & State_Open)
        direction = ArrowDirection::Down;
    drawArrow(direction, 0, &arrow, painter, 2, widget);
}

// Selected rows take the active base, hovered ones the hover colour, others the model's brush.
void Style::drawItemViewItemPanel(const QStyleOption* option, QPainter* painter,
                                  const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(option);
    if (!item)
        return;
    const UserPalette user = userPaletteFor(option, widget, *this);
    QBrush fill = item->backgroundBrush;
    if (option->state & State_Selected)
        fill = user.brush(UserPalette::ViewItemActiveBase);
    else if ((option->state & State_MouseOver) && (option->state & State_Enabled))
        fill = user.brush(UserPalette::HoverBase);
    if (fill.style() != Qt::NoBrush)
        painter->fillRect(option->rect, fill);
    if (hasRowFocus(*item, widget, painter))
        drawRowFocus(*item,
                     fill.style() != Qt::NoBrush ? fill.color()
                                                 : backgroundBrush(option, widget).color(),
                     painter, widget);
}

// The focused view's current row is ringed, cell by cell: each cell draws its part of the ring
// (the ends only at the row's ends), so that the ring runs unbroken across the columns.
void Style::drawRowFocus(const QStyleOptionViewItem& item, const QColor& under, QPainter* painter,
                         const QWidget* widget) const
{
    const qreal width = Metrics::scaledValue(Metrics::FocusRingWidth, &item, widget);
    const QRectF cell = QRectF(item.rect).adjusted(0, width / 2, 0, -width / 2);
    const auto position = item.viewItemPosition;
    const bool first = position == QStyleOptionViewItem::Beginning ||
                       position == QStyleOptionViewItem::OnlyOne ||
                       position == QStyleOptionViewItem::Invalid;
    const bool last = position == QStyleOptionViewItem::End ||
                      position == QStyleOptionViewItem::OnlyOne ||
                      position == QStyleOptionViewItem::Invalid;
    const qreal left = cell.left() + (first ? width / 2 : 0);
    const qreal right = cell.right() + 1 - (last ? width / 2 : 0);
    painter->save();
    // The highlight where it stands out (3:1, as for any focus indicator), else text or base.
    const QColor highlight = item.palette.color(QPalette::Highlight);
    const QColor ring = Orrery::contrastRatio(highlight, under) >= 3
                            ? highlight
                            : focusRingColour(under, item.palette);
    painter->setPen(QPen(ring, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter->drawLine(QLineF(left, cell.top(), right, cell.top()));
    painter->drawLine(QLineF(left, cell.bottom() + 1, right, cell.bottom() + 1));
    if (first)
        painter->drawLine(QLineF(left, cell.top(), left, cell.bottom() + 1));
    if (last)
        painter->drawLine(QLineF(right, cell.top(), right, cell.bottom() + 1));
    painter->restore();
}

// A toolkit window's rectangle is filled with Base, square and without an outline.
// Keyboard focus on what has no frame of its own (the label of a check box or radio button, an
// item of a view): a ring that stands out from what it is drawn on. Focus given by the mouse
// shows nothing.
void Style::drawFocusFrame(const QStyleOption* option, QPainter* painter,
                           const QWidget* widget) const
{
    if (!(option->state & State_KeyboardFocusChange) || !(option->state & State_HasFocus))
        return;
    // A view's current row has its own ring, drawn with the row's panels.
    if ((option->state & State_Item) && paintedView(widget, painter))
        return;
    const auto* focus = qstyleoption_cast<const QStyleOptionFocusRect*>(option);
    const QColor under = focus && focus->backgroundColor.isValid()
                             ? focus->backgroundColor
                             : backgroundBrush(option, widget).color();

    const QColor colour = focusRingColour(under, option->palette);
    drawRoundedRect(painter, QRectF(option->rect),
                    QPen(colour, Metrics::scaledValue(Metrics::FocusRingWidth, option, widget),
                         Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin),
                    Qt::NoBrush, Metrics::scaledValue(Metrics::CornerRadius, option, widget));
}

// Only the style's own focus frame, on read-only text: drawn over the text's edge.
void Style::drawReadingFocus(const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const
{
    if (!widget || widget != m_readingFocus.data())
        return;
    const QColor colour = focusRingColour(option->palette.color(QPalette::Base), option->palette);
    drawRoundedRect(painter, QRectF(option->rect),
                    QPen(colour, Metrics::scaledValue(Metrics::FocusRingWidth, option, widget),
                         Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin),
                    Qt::NoBrush, 0);
}

void Style::drawWindowBackground(const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const
{
    const Window* window = widget ? Window::findFor(widget) : nullptr;
    if (!window) {
        QCommonStyle::drawPrimitive(PE_Widget, option, painter, widget);
        return;
    }
    QStyleOptionFrame frame;
    frame.state = option->state;
    frame.direction = option->direction;
    frame.rect = option->rect;
    frame.palette = option->palette;
    frame.lineWidth = window->borderWidth();
    frame.features = QStyleOptionFrame::Flat;
    drawFrameKind(FrameKind::Window, &frame, painter, widget, *this);
    // Without a shadow from the system the window would melt into what lies behind it.
    if (!Platform::systemShowsWindowEdge() && !(widget->windowState() & Qt::WindowFullScreen))
        drawRoundedRect(painter, QRectF(option->rect),
                        QPen(userPaletteFor(option, widget, *this).brush(UserPalette::Frame),
                             frame.lineWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin),
                        Qt::NoBrush, 0);
}

} // namespace Tessera
