#include "style_installation.h"

#include "tessera/palette/palette.h"
#include "tessera/resources/fonts.h"
#include "tessera/style/style.h"
#include "tessera/style/style_icon_engine.h"
#include "theme_change_event.h"
#include "theme_resolution.h"

#include <QApplication>
#include <QDir>
#include <QPixmapCache>
#include <QPointer>
#include <QToolTip>

namespace Tessera {

void installStyle(ThemeMode resolvedMode)
{
    // Pixmaps painted for the old theme would keep its fading.
    QPixmapCache::clear();
    StyleIconEngine::clearRenderers();
    QDir::setSearchPaths(QStringLiteral("tessera"), themeSearchPaths(resolvedMode));
    auto* style = new Style(Palette::forTheme(resolvedMode));
    QApplication::setStyle(style);
    QApplication::setFont(roleFont(FontRole::Application));
    QToolTip::setPalette(style->standardPalette());
    QToolTip::setFont(roleFont(FontRole::ToolTip));
}

void broadcastThemeChange(ThemeMode resolvedMode)
{
    // A receiver may delete other widgets: the list is held through guarded pointers.
    const QWidgetList widgets = QApplication::allWidgets();
    std::vector<QPointer<QWidget>> receivers(widgets.begin(), widgets.end());
    for (const QPointer<QWidget>& widget : receivers) {
        if (!widget)
            continue;
        ThemeChangeEvent event(resolvedMode);
        QCoreApplication::sendEvent(widget, &event);
    }
}

void refreshToolTipPalette()
{
    QToolTip::setPalette(QApplication::style()->standardPalette());
}

} // namespace Tessera
