#include "style.h"

#include "bitmap_icon_engine.h"
#include "mnemonic_visibility.h"
#include "style_colours.h"
#include "style_icon_engine.h"
#include "style_input_focus_helper.h"
#include "style_metrics.h"
#include "tessera/resources/icons.h"

#include <QFocusFrame>
#include <QGuiApplication>
#include <QPainter>
#include <QStyleOption>

namespace Tessera {
namespace {

const Style* installedStyle = nullptr;

} // namespace

Style::Style()
    : Style(Palette())
{}

Style::Style(const Palette& palette)
    : m_palette(palette)
    , m_focusHelper(new StyleInputFocusHelper(palette, this))
    , m_mnemonics(new MnemonicVisibility(this))
{}

Style::~Style()
{
    delete m_readingFocus;
    if (installedStyle == this)
        installedStyle = nullptr;
}

const Style* Style::applicationStyle()
{
    return installedStyle;
}

void Style::polish(QApplication* application)
{
    QCommonStyle::polish(application);
    installedStyle = this;
}

void Style::unpolish(QApplication* application)
{
    QCommonStyle::unpolish(application);
    if (installedStyle == this)
        installedStyle = nullptr;
}

QPalette Style::standardPalette() const
{
    return m_palette;
}

void Style::polish(QPalette& palette)
{
    palette = proxy()->standardPalette();
}

void Style::drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette,
                         bool, const QString& text, QPalette::ColorRole textRole) const
{
    if (text.isEmpty())
        return;
    if (textRole == QPalette::NoRole) {
        painter->drawText(rect, flags, text);
        return;
    }
    const QPen previous = painter->pen();
    painter->setPen(QPen(palette.brush(textRole), previous.widthF(), Qt::SolidLine, Qt::SquareCap,
                         Qt::BevelJoin));
    painter->drawText(rect, flags, text);
    painter->setPen(previous);
}

QIcon Style::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                          const QWidget* widget) const
{
    switch (standardIcon) {
    case SP_TitleBarMinButton:
        return styleIcon(StyleIcon::WinWindowMinimise);
    case SP_TitleBarMaxButton:
        return styleIcon(StyleIcon::WinWindowMaximise);
    case SP_TitleBarCloseButton:
        return styleIcon(StyleIcon::WinWindowClose);
    case SP_TitleBarNormalButton:
        return styleIcon(StyleIcon::WinWindowRestore);
    case SP_ToolBarHorizontalExtensionButton:
        return styleIcon(option && option->direction == Qt::RightToLeft ? StyleIcon::ExpandLeft
                                                                        : StyleIcon::ExpandRight);
    case SP_ToolBarVerticalExtensionButton:
        return styleIcon(StyleIcon::ExpandDown);
    case SP_ArrowUp:
        return styleIcon(StyleIcon::ArrowUp);
    case SP_ArrowDown:
        return styleIcon(StyleIcon::ArrowDown);
    case SP_ArrowLeft:
        return styleIcon(StyleIcon::ArrowLeft);
    case SP_ArrowRight:
        return styleIcon(StyleIcon::ArrowRight);
    case SP_LineEditClearButton:
        return styleIcon(StyleIcon::EditClear);
    case SP_MessageBoxInformation:
    case SP_MessageBoxWarning:
    case SP_MessageBoxCritical:
    case SP_MessageBoxQuestion:
        // Message boxes show no icon.
        return {};
    default: {
        const Qt::LayoutDirection direction =
            option ? option->direction : QGuiApplication::layoutDirection();
        return BitmapIconEngine::standardIcon(standardIcon, direction, [&] {
            return QCommonStyle::standardIcon(standardIcon, option, widget);
        });
    }
    }
}

QPixmap Style::generatedIconPixmap(QIcon::Mode mode, const QPixmap& pixmap,
                                   const QStyleOption*) const
{
    const IconAppearance appearance = mode == QIcon::Disabled ? IconAppearance::Disabled
                                      : mode == QIcon::Normal ? IconAppearance::AtRest
                                                              : IconAppearance::Full;
    QPixmap result = fadeIcon(pixmap.toImage(), appearance, m_palette.color(QPalette::Base));
    result.setDevicePixelRatio(pixmap.devicePixelRatio());
    return result;
}

void Style::drawArrow(ArrowDirection direction, int strokeStyle, const QStyleOption* option,
                      QPainter* painter, int sizeMode, const QWidget* widget,
                      UserPalette::ColourRole colour) const
{
    if (direction == ArrowDirection::None)
        return;
    const QRectF rect(option->rect);
    qreal unit = std::min(rect.width(), rect.height()) / 32;
    if (sizeMode == 1)
        unit = Metrics::scaledValue(Metrics::ArrowUnitSmall, option, widget);
    else if (sizeMode == 2)
        unit = Metrics::scaledValue(Metrics::ArrowUnitLarge, option, widget);
    QSizeF box(Metrics::ArrowBoxWidthUnits * unit, Metrics::ArrowBoxHeightUnits * unit);
    if (direction == ArrowDirection::Left || direction == ArrowDirection::Right)
        box.transpose();
    QRectF arrowRect(QPointF(), box);
    arrowRect.moveCenter(rect.center());
    UserPalette user = userPaletteFor(option, widget, *this);
    user.setCurrentColourGroup(arrowColourGroup(option));
    const QColor arrowColour = user.colour(colour);
    if (strokeStyle == 0) {
        fillArrow(painter, direction, arrowRect,
                  QPen(arrowColour, Metrics::FilledArrowPenUnits * unit, Qt::SolidLine,
                       Qt::SquareCap, Qt::RoundJoin),
                  arrowColour);
    } else {
        strokeArrow(painter, direction, arrowRect,
                    QPen(arrowColour, Metrics::ChevronPenUnits * unit, Qt::SolidLine, Qt::RoundCap,
                         Qt::MiterJoin));
    }
}

} // namespace Tessera
