#include "frame_kind.h"
#include "style.h"
#include "style_colours.h"
#include "style_metrics.h"
#include "tessera/resources/fonts.h"
#include "tessera/widgets/card_button.h"

#include <QApplication>
#include <QComboBox>
#include <QPainter>
#include <QStyleOption>

#include <cmath>

namespace Tessera {
namespace {

// The painter's font, restored when the scope ends.
class FontGuard
{
public:
    explicit FontGuard(QPainter* painter)
        : m_painter(painter)
        , m_font(painter->font())
    {}
    ~FontGuard() { m_painter->setFont(m_font); }
    FontGuard(const FontGuard&) = delete;
    FontGuard& operator=(const FontGuard&) = delete;

private:
    QPainter* m_painter;
    QFont m_font;
};

QIcon::Mode toolButtonIconMode(const QStyleOption* option)
{
    if (!(option->state & QStyle::State_Enabled))
        return QIcon::Disabled;
    if (option->state & QStyle::State_Selected)
        return QIcon::Selected;
    if (option->state & (QStyle::State_MouseOver | QStyle::State_HasFocus | QStyle::State_Sunken))
        return QIcon::Active;
    return QIcon::Normal;
}

ArrowDirection arrowOf(Qt::ArrowType type)
{
    switch (type) {
    case Qt::UpArrow:
        return ArrowDirection::Up;
    case Qt::DownArrow:
        return ArrowDirection::Down;
    case Qt::LeftArrow:
        return ArrowDirection::Left;
    case Qt::RightArrow:
        return ArrowDirection::Right;
    default:
        return ArrowDirection::None;
    }
}

} // namespace

// Mnemonics are underlined only where the style says so.
int Style::mnemonicFlag(const QStyleOption* option, const QWidget* widget) const
{
    return proxy()->styleHint(SH_UnderlineShortcut, option, widget) ? Qt::TextShowMnemonic
                                                                    : Qt::TextHideMnemonic;
}

void Style::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                        const QWidget* widget) const
{
    if (!option || !painter)
        return;
    switch (element) {
    case CE_PushButton:
        if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option)) {
            proxy()->drawControl(CE_PushButtonBevel, button, painter, widget);
            QStyleOptionButton label(*button);
            label.rect = proxy()->subElementRect(SE_PushButtonContents, button, widget);
            proxy()->drawControl(CE_PushButtonLabel, &label, painter, widget);
        }
        return;
    case CE_PushButtonBevel:
        return drawPushButtonBevel(option, painter, widget);
    case CE_PushButtonLabel:
        return drawPushButtonLabel(option, painter, widget);
    case CE_TabBarTabShape:
        return drawFrameKind(FrameKind::Tab, option, painter, widget, *this);
    case CE_TabBarTabLabel:
        return drawTabLabel(option, painter, widget);
    case CE_ProgressBar:
        return drawProgressBar(option, painter, widget);
    case CE_ProgressBarGroove:
        return drawFrameKind(FrameKind::Panel, option, painter, widget, *this);
    case CE_ProgressBarContents:
        return drawProgressBarContents(option, painter, widget);
    case CE_ProgressBarLabel:
    case CE_MenuVMargin:
    case CE_MenuHMargin:
    case CE_MenuBarEmptyArea:
    case CE_ScrollBarFirst:
    case CE_ScrollBarLast:
    case CE_ScrollBarAddLine:
    case CE_ScrollBarSubLine:
    case CE_ScrollBarAddPage:
    case CE_ScrollBarSubPage:
        return;
    case CE_FocusFrame:
        return drawReadingFocus(option, painter, widget);
    case CE_MenuItem:
        return drawMenuItem(option, painter, widget);
    case CE_MenuBarItem:
        return drawMenuBarItem(option, painter, widget);
    case CE_ScrollBarSlider:
        return drawScrollBarSlider(option, painter, widget);
    case CE_HeaderEmptyArea:
        return painter->fillRect(option->rect, option->palette.brush(QPalette::Base));
    case CE_Splitter:
        return drawSplitterHandle(option, painter, widget);
    case CE_HeaderSection:
        return drawHeaderSection(option, painter, widget);
    case CE_HeaderLabel:
        return drawHeaderLabel(option, painter, widget);
    case CE_ToolButtonLabel:
        return drawToolButtonLabel(option, painter, widget);
    default:
        return QCommonStyle::drawControl(element, option, painter, widget);
    }
}

void Style::drawPushButtonBevel(const QStyleOption* option, QPainter* painter,
                                const QWidget* widget) const
{
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (!button)
        return;
    proxy()->drawPrimitive(PE_PanelButtonTool, option, painter, widget);
    if (!(button->features & QStyleOptionButton::HasMenu))
        return;
    const int margin = proxy()->pixelMetric(PM_ButtonMargin, option, widget);
    const int size = proxy()->pixelMetric(PM_MenuButtonIndicator, option, widget);
    QStyleOptionButton indicator(*button);
    indicator.state |= State_AutoRaise;
    indicator.rect =
        visualRect(option->direction, option->rect,
                   alignedRect(Qt::LeftToRight, Qt::AlignRight | Qt::AlignVCenter,
                               QSize(size, size), option->rect.adjusted(margin, 0, -margin, 0)));
    proxy()->drawPrimitive(PE_IndicatorButtonDropDown, &indicator, painter, widget);
}

// A line between the panes; the highlight while it is under the pointer or dragged.
void Style::drawSplitterHandle(const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const
{
    const bool active = option->state & (State_MouseOver | State_Sunken);
    painter->fillRect(option->rect,
                      active ? option->palette.brush(QPalette::Highlight)
                             : userPaletteFor(option, widget, *this).brush(UserPalette::Frame));
}

// Checked or pressed buttons fill with ActiveBase, so their text takes ActiveText.
void Style::drawPushButtonLabel(const QStyleOption* option, QPainter* painter,
                                const QWidget* widget) const
{
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (!button)
        return;
    QRect rect = button->rect;
    int flags = Qt::AlignVCenter | mnemonicFlag(option, widget);
    if (button->features & QStyleOptionButton::HasMenu) {
        const int indicator = proxy()->pixelMetric(PM_MenuButtonIndicator, option, widget);
        rect = visualRect(option->direction, rect, rect.adjusted(0, 0, -indicator, 0));
    }
    if (!button->icon.isNull()) {
        const QIcon::Mode mode = toolButtonIconMode(option);
        const QPixmap pixmap =
            button->icon.pixmap(button->iconSize, painter->device()->devicePixelRatio(), mode,
                                button->state & State_On ? QIcon::On : QIcon::Off);
        const QSize pixmapSize = (pixmap.deviceIndependentSize()).toSize();
        const QRect iconRect =
            visualRect(option->direction, rect,
                       QRect(rect.x(), rect.y() + (rect.height() - pixmapSize.height()) / 2,
                             pixmapSize.width(), pixmapSize.height()));
        painter->drawPixmap(iconRect, pixmap);
        rect = visualRect(option->direction, rect,
                          rect.adjusted(pixmapSize.width() + Metrics::PushButtonIconGap, 0, 0, 0));
        flags |= Qt::AlignLeading;
    } else {
        flags |= Qt::AlignHCenter;
    }
    const bool active = button->state & (State_On | State_Sunken);
    const UserPalette user = userPaletteFor(option, widget, *this);
    const QColor preferred =
        active ? user.colour(UserPalette::ActiveText) : button->palette.color(QPalette::ButtonText);
    const QPen previous = painter->pen();
    painter->setPen(button->state & State_Enabled
                        ? buttonTextColour(buttonFillColour(option, widget, *this), preferred,
                                           button->palette, user)
                        : preferred);
    painter->drawText(rect, flags, button->text);
    painter->setPen(previous);
}

// Tabs that are neither selected nor hovered show a quieter text.
void Style::drawTabLabel(const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option);
    if (!tab)
        return;
    QStyleOptionTab label(*tab);
    const bool hovered = (tab->state & State_Enabled) && (tab->state & State_MouseOver);
    if (!(tab->state & State_Selected) && !hovered)
        label.palette.setBrush(QPalette::WindowText, tab->palette.brush(QPalette::PlaceholderText));
    QCommonStyle::drawControl(CE_TabBarTabLabel, &label, painter, widget);
}

void Style::drawProgressBar(const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const
{
    const auto* bar = qstyleoption_cast<const QStyleOptionProgressBar*>(option);
    if (!bar)
        return;
    QStyleOptionProgressBar part(*bar);
    part.rect = proxy()->subElementRect(SE_ProgressBarGroove, bar, widget);
    proxy()->drawControl(CE_ProgressBarGroove, &part, painter, widget);
    part.rect = proxy()->subElementRect(SE_ProgressBarContents, bar, widget);
    proxy()->drawControl(CE_ProgressBarContents, &part, painter, widget);
}

// The done part in Highlight, rounded; a busy bar (no range) shows a third of the groove.
void Style::drawProgressBarContents(const QStyleOption* option, QPainter* painter,
                                    const QWidget* widget) const
{
    const auto* bar = qstyleoption_cast<const QStyleOptionProgressBar*>(option);
    if (!bar)
        return;
    const bool horizontal = bar->state & State_Horizontal;
    const qint64 range = qint64(bar->maximum) - bar->minimum;
    const qreal done = range > 0 ? qreal(qint64(bar->progress) - bar->minimum) / range : 1.0 / 3;
    QRectF rect(bar->rect);
    if (horizontal)
        rect.setWidth(rect.width() * std::clamp(done, 0.0, 1.0));
    else
        rect.setTop(rect.bottom() - rect.height() * std::clamp(done, 0.0, 1.0));
    if (horizontal && (bar->invertedAppearance != (bar->direction == Qt::RightToLeft)))
        rect.moveRight(QRectF(bar->rect).right());
    drawRoundedRect(painter, rect, Qt::NoPen, bar->palette.brush(QPalette::Highlight),
                    Metrics::scaledValue(Metrics::CornerRadius, option, widget));
}

void Style::drawMenuSeparator(const QStyleOptionMenuItem* item, const QRectF& rect,
                              QPainter* painter, const QWidget* widget) const
{
    if (item->text.isEmpty()) {
        const qreal width = pixelMetric(PM_DefaultFrameWidth, item, widget);
        drawLine(painter, Qt::Horizontal, rect,
                 QPen(userPaletteFor(item, widget, *this).brush(UserPalette::Frame), width,
                      Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        return;
    }
    const FontGuard fontGuard(painter);
    painter->setFont(roleFont(FontRole::Control));
    const QPen previous = painter->pen();
    painter->setPen(item->palette.color(QPalette::PlaceholderText));
    painter->drawText(visualRect(item->direction, item->rect, rect.toRect()),
                      Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextHideMnemonic |
                          Qt::TextDontClip,
                      item->text);
    painter->setPen(previous);
}

void Style::drawMenuItem(const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (!item)
        return;
    const QMarginsF margins = Metrics::scaledValue(Metrics::MenuMargins, option, widget);
    const qreal frame = pixelMetric(PM_DefaultFrameWidth, option, widget);
    const QRectF itemRect(item->rect);
    if (item->menuItemType == QStyleOptionMenuItem::Separator)
        return drawMenuSeparator(item, itemRect - margins, painter, widget);
    if (item->menuItemType != QStyleOptionMenuItem::Normal &&
        item->menuItemType != QStyleOptionMenuItem::DefaultItem &&
        item->menuItemType != QStyleOptionMenuItem::SubMenu)
        return;

    const UserPalette user = userPaletteFor(option, widget, *this);
    const bool highlighted = (item->state & State_Enabled) && (item->state & State_Selected);
    if (highlighted)
        drawRoundedRect(painter, itemRect.adjusted(frame, frame, -frame, -frame), Qt::NoPen,
                        user.brush(UserPalette::ActiveBase),
                        Metrics::scaledValue(Metrics::CornerRadius, option, widget));

    const qreal dpiUnit = Metrics::scaledValue(1.0, option, widget);
    QRectF content = itemRect - margins;
    content.adjust(frame, frame, -frame, -frame);
    // Combo-box popups draw through the combo box itself (QComboMenuDelegate) or their view.
    const bool inCombo =
        widget && (widget->inherits("QComboBoxListView") || qobject_cast<const QComboBox*>(widget));
    int column = inCombo && item->icon.isNull()
                     ? 0
                     : std::max(0, item->maxIconWidth - Metrics::QtMenuIconPadding);
    if (QCoreApplication::testAttribute(Qt::AA_DontShowIconsInMenus) && !inCombo)
        column = 0;
    if (item->menuHasCheckableItems)
        column = std::max(column, int(std::ceil(Metrics::MenuCheckColumn * dpiUnit)));

    const QColor textColour =
        highlighted ? user.colour(UserPalette::ActiveText) : item->palette.color(QPalette::Text);
    QRectF textRect = content;
    if (column > 0) {
        const QRect columnRect =
            visualRect(item->direction, item->rect,
                       QRectF(content.left(), content.top(), column, content.height()).toRect());
        if (item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked) {
            QStyleOptionMenuItem check(*item);
            const int size = pixelMetric(PM_IndicatorWidth, option, widget);
            check.rect =
                alignedRect(item->direction, Qt::AlignCenter, QSize(size, size), columnRect);
            check.state |= State_On;
            proxy()->drawPrimitive(PE_IndicatorMenuCheckMark, &check, painter, widget);
        } else if (!item->icon.isNull()) {
            const int iconSize = pixelMetric(PM_SmallIconSize, option, widget);
            const QPixmap pixmap =
                item->icon.pixmap(QSize(iconSize, iconSize), painter->device()->devicePixelRatio(),
                                  toolButtonIconMode(option));
            proxy()->drawItemPixmap(painter, columnRect, Qt::AlignCenter, pixmap);
        }
        textRect.setLeft(textRect.left() + column + std::ceil(Metrics::MenuIconGap * dpiUnit));
    }
    if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
        const qreal arrowSize = std::ceil(Metrics::MenuCheckColumn * dpiUnit);
        QStyleOptionMenuItem arrow(*item);
        arrow.rect = visualRect(item->direction, item->rect,
                                QRectF(content.right() - arrowSize,
                                       content.center().y() - arrowSize / 2, arrowSize, arrowSize)
                                    .toRect());
        const QPen pen(textColour,
                       Metrics::ChevronPenUnits *
                           Metrics::scaledValue(Metrics::ArrowUnitSmall, option, widget),
                       Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
        QRectF box(QPointF(), QSizeF(Metrics::ArrowBoxHeightUnits, Metrics::ArrowBoxWidthUnits) *
                                  Metrics::scaledValue(Metrics::ArrowUnitSmall, option, widget));
        box.moveCenter(QRectF(arrow.rect).center());
        strokeArrow(painter,
                    item->direction == Qt::RightToLeft ? ArrowDirection::Left
                                                       : ArrowDirection::Right,
                    box, pen);
        textRect.setRight(textRect.right() - arrowSize -
                          pixelMetric(PM_ButtonMargin, option, widget));
    }

    const QRect visualText = visualRect(item->direction, item->rect, textRect.toRect());
    const QPen previous = painter->pen();
    painter->setPen(textColour);
    const FontGuard fontGuard(painter);
    painter->setFont(item->font);
    QString text = item->text;
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    const int flags = Qt::AlignVCenter | mnemonicFlag(option, widget) | Qt::TextSingleLine;
    if (tab >= 0) {
        painter->drawText(visualText, flags | Qt::AlignRight, text.mid(tab + 1));
        text.truncate(tab);
    }
    painter->drawText(visualText, flags | Qt::AlignLeft, text);
    painter->setPen(previous);
}

void Style::drawMenuBarItem(const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (!item)
        return;
    const UserPalette user = userPaletteFor(option, widget, *this);
    const bool active = (item->state & State_Selected) && (item->state & State_Enabled);
    if (active)
        drawRoundedRect(painter, QRectF(item->rect), Qt::NoPen, user.brush(UserPalette::ActiveBase),
                        Metrics::scaledValue(Metrics::CornerRadius, option, widget));
    const QPen previous = painter->pen();
    painter->setPen(active ? user.colour(UserPalette::ActiveText)
                           : item->palette.color(QPalette::ButtonText));
    painter->drawText(item->rect, Qt::AlignCenter | mnemonicFlag(option, widget), item->text);
    painter->setPen(previous);
}

void Style::drawScrollBarSlider(const QStyleOption* option, QPainter* painter,
                                const QWidget* widget) const
{
    const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (!slider)
        return;
    QStyleOptionSlider raised(*slider);
    if (slider->activeSubControls != SC_ScrollBarSlider) {
        raised.state &= ~(State_MouseOver | State_Sunken);
        raised.state |= State_Raised;
    }
    drawFrameKind(FrameKind::ScrollSlider, &raised, painter, widget, *this);
}

// Header sections take the header colours (set in polish) and a line between them.
// QFileSystemModel gives every header paint a new blank image, one pixel high, only to keep the
// first title in line with the icons below. Drawn through QIcon, each would leave a key in
// QPixmapCache for good; its room is kept without drawing it.
void Style::drawHeaderLabel(const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const
{
    const auto* header = qstyleoption_cast<const QStyleOptionHeader*>(option);
    const QList<QSize> sizes = header ? header->icon.availableSizes() : QList<QSize>();
    const bool blank =
        !sizes.isEmpty() &&
        std::all_of(sizes.cbegin(), sizes.cend(), [](QSize size) { return size.height() <= 1; });
    if (!blank)
        return QCommonStyle::drawControl(CE_HeaderLabel, option, painter, widget);
    QStyleOptionHeader label(*header);
    label.icon = QIcon();
    const int extent = proxy()->pixelMetric(PM_SmallIconSize, option, widget);
    const int room = header->icon.actualSize(QSize(extent, extent)).width() +
                     proxy()->pixelMetric(PM_HeaderMargin, option, widget);
    label.rect = visualRect(header->direction, header->rect, header->rect.adjusted(room, 0, 0, 0));
    QCommonStyle::drawControl(CE_HeaderLabel, &label, painter, widget);
}

void Style::drawHeaderSection(const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const
{
    painter->fillRect(option->rect, option->palette.brush(QPalette::Button));
    const QRectF rect(option->rect);
    const qreal width = pixelMetric(PM_DefaultFrameWidth, option, widget);
    const QPen pen(userPaletteFor(option, widget, *this).brush(UserPalette::Frame), width,
                   Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    drawLine(painter, Qt::Horizontal, Qt::AlignBottom, rect, pen);
    drawLine(painter, Qt::Vertical, Qt::AlignRight, rect, pen);
}

void Style::drawToolButtonText(const QStyleOption* option, QPainter* painter, const QRect& rect,
                               const QString& text, Qt::Alignment alignment,
                               const QWidget* widget) const
{
    if (text.isEmpty())
        return;
    const int margin = Metrics::scaledCeil(Metrics::TextMargins.left(), option, widget);
    const QRect area = rect.adjusted(margin, 0, -margin, 0);
    const bool active = option->state & (State_On | State_Sunken);
    const UserPalette user = userPaletteFor(option, widget, *this);
    const QColor preferred =
        active ? user.colour(UserPalette::ActiveText) : option->palette.color(QPalette::ButtonText);
    const QColor colour = option->state & State_Enabled
                              ? buttonTextColour(buttonFillColour(option, widget, *this), preferred,
                                                 option->palette, user)
                              : preferred;
    const QPen previous = painter->pen();
    painter->setPen(QPen(colour, previous.widthF(), Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    const QString elided = painter->fontMetrics().elidedText(text, Qt::ElideMiddle, area.width());
    painter->drawText(area, int(alignment) | Qt::TextHideMnemonic, elided);
    painter->setPen(previous);
}

void Style::drawToolButtonLabel(const QStyleOption* option, QPainter* painter,
                                const QWidget* widget) const
{
    const auto* button = qstyleoption_cast<const QStyleOptionToolButton*>(option);
    if (!button)
        return;
    const bool hasArrow = button->features & QStyleOptionToolButton::Arrow;
    const QRect rect = button->rect;
    if (button->toolButtonStyle == Qt::ToolButtonTextOnly ||
        (!hasArrow && button->icon.isNull() && !button->text.isEmpty())) {
        drawToolButtonText(option, painter, rect, button->text, Qt::AlignCenter, widget);
        return;
    }
    const QSize iconSize = button->iconSize.boundedTo(rect.size());
    const QPixmap pixmap = button->icon.pixmap(iconSize, painter->device()->devicePixelRatio(),
                                               toolButtonIconMode(option),
                                               button->state & State_On ? QIcon::On : QIcon::Off);
    const QSize pixmapSize = pixmap.isNull() ? QSize() : pixmap.deviceIndependentSize().toSize();
    const auto drawIcon = [&](const QRect& area) {
        if (hasArrow) {
            QStyleOptionToolButton arrow(*button);
            arrow.rect = area;
            drawArrow(arrowOf(button->arrowType), 0, &arrow, painter, 0, widget);
        } else {
            proxy()->drawItemPixmap(painter, area, Qt::AlignCenter, pixmap);
        }
    };
    if (button->toolButtonStyle == Qt::ToolButtonIconOnly) {
        drawIcon(rect);
        return;
    }
    QRect iconArea, textArea;
    Qt::Alignment alignment = Qt::AlignVCenter;
    const auto* card = qobject_cast<const CardButton*>(widget);
    if (button->toolButtonStyle == Qt::ToolButtonTextUnderIcon) {
        iconArea = QRect(rect.x(), rect.y(), rect.width(),
                         pixmapSize.height() + Metrics::ToolButtonIconGap);
        textArea = rect.adjusted(0, iconArea.height(), 0, 0);
        alignment = Qt::AlignCenter;
    } else {
        iconArea =
            visualRect(option->direction, rect,
                       QRect(rect.x(), rect.y(), pixmapSize.width() + Metrics::ToolButtonIconGap,
                             rect.height()));
        textArea =
            visualRect(option->direction, rect,
                       rect.adjusted(pixmapSize.width() + Metrics::ToolButtonIconGap, 0, 0, 0));
        alignment |= card ? Qt::AlignRight : Qt::AlignLeft;
        alignment = QStyle::visualAlignment(option->direction, alignment);
    }
    drawIcon(iconArea);
    const Qt::Alignment horizontal = alignment & Qt::AlignHorizontal_Mask;
    QRect titleArea = textArea;
    QRect descriptionArea;
    if (card && !card->description().isEmpty()) {
        titleArea.setBottom(textArea.center().y());
        descriptionArea = textArea.adjusted(0, titleArea.height(), 0, 0);
    }
    const FontGuard fontGuard(painter);
    painter->setFont(button->font);
    drawToolButtonText(option, painter, titleArea, button->text,
                       descriptionArea.isNull() ? alignment : horizontal | Qt::AlignBottom, widget);
    if (!descriptionArea.isNull()) {
        painter->setFont(card->descriptionFont());
        drawToolButtonText(option, painter, descriptionArea, card->description(),
                           horizontal | Qt::AlignTop, widget);
    }
}

} // namespace Tessera
