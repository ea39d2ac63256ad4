#include "widget_user_palette.h"

#include "tessera/style/style.h"
#include "tessera/style/style_properties.h"

#include <QWidget>

namespace Tessera {

UserPalette ownUserPalette(const QWidget* widget)
{
    const QVariant value = widget ? widget->property(Properties::UserPalette) : QVariant();
    if (value.metaType() != QMetaType::fromType<UserPalette>())
        return UserPalette(nullptr);
    return value.value<UserPalette>();
}

UserPalette userPaletteFor(const QWidget* widget, const Style* style)
{
    const UserPalette stylePalette(style);
    const UserPalette own = ownUserPalette(widget);
    return own.resolveMask() == 0 ? stylePalette : own.resolve(stylePalette);
}

} // namespace Tessera
