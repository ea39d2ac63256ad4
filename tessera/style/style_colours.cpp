#include "style_colours.h"

#include "frame_kind.h"
#include "orrery_gui/painting/colour.h"
#include "size_policy.h"
#include "style.h"
#include "style_properties.h"
#include "tessera/palette/widget_user_palette.h"

#include <QLabel>
#include <QMenu>
#include <QStyleOption>

namespace Tessera {

QPalette::ColorGroup colourGroup(const QStyleOption* option)
{
    if (!(option->state & QStyle::State_Enabled))
        return QPalette::Disabled;
    return option->state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
}

UserPalette userPaletteFor(const QStyleOption* option, const QWidget* widget, const Style& style)
{
    UserPalette palette = userPaletteFor(widget, &style);
    palette.setCurrentColourGroup(colourGroup(option));
    return palette;
}

QBrush backgroundBrush(const QStyleOption* option, const QWidget* widget)
{
    if (widget)
        return option->palette.brush(widget->backgroundRole());
    return option->palette.brush(QPalette::Base);
}

QPalette::ColorGroup arrowColourGroup(const QStyleOption* option)
{
    if (!(option->state & QStyle::State_Enabled))
        return QPalette::Disabled;
    const QStyle::State active =
        QStyle::State_MouseOver | QStyle::State_On | QStyle::State_Selected | QStyle::State_Sunken;
    return option->state & active ? QPalette::Active : QPalette::Inactive;
}

QColor buttonTextColour(const QColor& fill, const QColor& preferred, const QPalette& palette,
                        const UserPalette& user)
{
    constexpr double Legible = 7.0;
    if (Orrery::contrastRatio(preferred, fill) >= Legible)
        return preferred;
    QColor best = preferred;
    for (const QColor& candidate :
         {user.colour(UserPalette::ActiveBase), user.colour(UserPalette::ActiveText),
          palette.color(QPalette::Text), palette.color(QPalette::Base)})
        if (Orrery::contrastRatio(candidate, fill) > Orrery::contrastRatio(best, fill))
            best = candidate;
    return best;
}

QColor buttonFillColour(const QStyleOption* option, const QWidget* widget, const Style& style)
{
    const QBrush fill = frameLook(FrameKind::Button, option, widget, style).fill;
    return fill.style() == Qt::NoBrush ? backgroundBrush(option, widget).color() : fill.color();
}

bool isLargeMenu(const QWidget* widget)
{
    const auto* menu = qobject_cast<const QMenu*>(widget);
    if (!menu)
        return false;
    const QVariant value = menu->property(Properties::MenuResolvedSizePolicy);
    return value.metaType() == QMetaType::fromType<SizePolicy>() &&
           value.value<SizePolicy>() == SizePolicy::Large;
}

bool isDetailedToolTip(const QWidget* widget)
{
    const auto* label = qobject_cast<const QLabel*>(widget);
    return label && label->text().contains(QLatin1String("ts-detailed-tooltip"));
}

} // namespace Tessera
