#pragma once

#include <functional>

class QObject;

namespace Tessera::Platform {

// Whether the operating system asks applications for a light theme.
bool systemUsesLightAppTheme();

// Calls changed (as long as context lives) whenever the desktop's light or dark choice may
// have changed by a way that QEvent::ThemeChange does not report.
void watchSystemTheme(QObject* context, std::function<void()> changed);

} // namespace Tessera::Platform
