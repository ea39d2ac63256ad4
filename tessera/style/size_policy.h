#pragma once

#include <QMetaType>

namespace Tessera {

// How large a menu is drawn: Large is the touch-friendly size for menus opened from tool bars.
enum class SizePolicy { Unspecified = 0, Regular = 1, Large = 2 };

} // namespace Tessera

Q_DECLARE_METATYPE(Tessera::SizePolicy)
