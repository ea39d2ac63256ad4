#include "icons.h"

#include "tessera/style/style_icon_engine.h"

#include <array>
#include <utility>

namespace Tessera {
namespace {

constexpr std::array<const char*, 13> StyleIconFiles = {
    "arrow_down.svg",         "arrow_left.svg",          "arrow_right.svg",
    "arrow_up.svg",           "edit_clear.svg",          "expand_down.svg",
    "expand_left.svg",        "expand_right.svg",        "expand_up.svg",
    "win_window_close.svg",   "win_window_maximise.svg", "win_window_minimise.svg",
    "win_window_restore.svg",
};

template <std::size_t Index>
const QIcon& cachedStyleIcon()
{
    static const QIcon icon = makeIcon(QStringLiteral("tessera:/tessera_style/icons/") +
                                       QString::fromLatin1(StyleIconFiles[Index]));
    return icon;
}

template <std::size_t... Indices>
QIcon styleIconAt(std::size_t index, std::index_sequence<Indices...>)
{
    using Getter = const QIcon& (*)();
    static constexpr std::array<Getter, sizeof...(Indices)> getters = {
        &cachedStyleIcon<Indices>...};
    return getters[index]();
}

} // namespace

QIcon makeIcon(const QString& path)
{
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive))
        return QIcon(new StyleIconEngine(path));
    return QIcon(path);
}

QIcon styleIcon(StyleIcon icon)
{
    const auto index = static_cast<std::size_t>(icon);
    if (index >= StyleIconFiles.size())
        return {};
    return styleIconAt(index, std::make_index_sequence<StyleIconFiles.size()>());
}

} // namespace Tessera
