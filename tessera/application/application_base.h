#pragma once

#include "orrery_core/diagnostics/application_description.h"
#include "tessera/theme/theme_mode.h"

class QCoreApplication;
class QEvent;
class QObject;
class QScreen;

namespace Tessera {

// What every application of the toolkit shares, whatever Qt application class it is built on:
// its description, which names it, and its requested and resolved theme modes.
class ApplicationBase
{
public:
    ApplicationBase(QCoreApplication* application, Orrery::ApplicationDescription description);
    virtual ~ApplicationBase();
    ApplicationBase(const ApplicationBase&) = delete;
    ApplicationBase& operator=(const ApplicationBase&) = delete;

    // Renames the application when the name changes.
    void renameApplication(const QString& name);
    // Applies the theme the mode resolves to, once the application has launched.
    void setThemeMode(ThemeMode mode);

    const Orrery::ApplicationDescription& description() const { return m_description; }
    ThemeMode requestedThemeMode() const { return m_requestedThemeMode; }
    ThemeMode resolvedThemeMode() const { return m_resolvedThemeMode; }

    // The application of this process; null before it is made and after it has gone.
    static const ApplicationBase* instance();

protected:
    // The style and the window icon are installed before the launch hook runs.
    void prepareLaunch();
    // The operating system's theme changes reach here before the event is delivered.
    void handleApplicationEvent(QObject* receiver, QEvent* event);

private:
    void installScreenHandlers();
    void watchScreen(QScreen* screen);
    // Installs the style of the requested mode and tells every widget, unless the resolved
    // theme stays the same.
    void applyTheme();
    void followSystemTheme();
    // Every window hears of a desktop theme change; the desktop is asked once per change.
    void scheduleSystemThemeCheck();

    QCoreApplication* m_application;
    Orrery::ApplicationDescription m_description;
    ThemeMode m_requestedThemeMode = ThemeMode::Dark;
    ThemeMode m_resolvedThemeMode = ThemeMode::Dark;
    bool m_launched = false;
    bool m_systemThemeCheckPending = false;
};

} // namespace Tessera
