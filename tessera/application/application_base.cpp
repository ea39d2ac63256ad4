#include "application_base.h"

#include "tessera/palette/palette.h"
#include "tessera/resources/icons.h"
#include "tessera/theme/platform/system_theme.h"
#include "tessera/theme/style_installation.h"
#include "tessera/theme/theme_change_event.h"
#include "tessera/theme/theme_resolution.h"
#include "tessera/window/window_control.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerToolkitResources()
{
    Q_INIT_RESOURCE(tessera_images);
    Q_INIT_RESOURCE(tessera_style_icons);
    Q_INIT_RESOURCE(tessera_fonts);
}

namespace Tessera {
namespace {

constexpr char ScreenChangeHandlerProperty[] = "tsr_screen_change_handler";

const ApplicationBase* runningApplication = nullptr;

// Process-wide set-up that must happen before the Qt application object exists.
struct StaticInitialiser {
    StaticInitialiser()
    {
        QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
            Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
        registerToolkitResources();
        QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings, true);
        qRegisterMetaType<UserPalette>();
        qRegisterMetaType<UserPalette::ColourRole>();
        qRegisterMetaType<Palette>();
        qRegisterMetaType<WindowControl>();
        qRegisterMetaType<WindowOperation>();
        ThemeChangeEvent::eventType();
    }
};
const StaticInitialiser staticInitialiser;

void announceScreen(QWindow* window, QScreen* screen)
{
    Q_EMIT window->screenChanged(screen);
    for (QObject* child : window->children()) {
        if (auto* childWindow = qobject_cast<QWindow*>(child))
            announceScreen(childWindow, screen);
    }
}

// A DPI change makes every window on that screen lay itself out again, as after a move.
void announceDpiChange(QScreen* screen)
{
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (window->screen() == screen)
            announceScreen(window, screen);
    }
}

} // namespace

ApplicationBase::ApplicationBase(QCoreApplication* application,
                                 Orrery::ApplicationDescription description)
    : m_application(application)
    , m_description(std::move(description))
{
    QCoreApplication::setOrganizationName(m_description.organisationName);
    QCoreApplication::setOrganizationDomain(m_description.organisationDomain);
    QCoreApplication::setApplicationVersion(
        Orrery::versionString<QString>(m_description.version, true));
    QCoreApplication::setApplicationName(m_description.applicationName);
    installScreenHandlers();
    runningApplication = this;
}

ApplicationBase::~ApplicationBase()
{
    if (runningApplication == this)
        runningApplication = nullptr;
}

const ApplicationBase* ApplicationBase::instance()
{
    return runningApplication;
}

void ApplicationBase::renameApplication(const QString& name)
{
    if (name == m_description.applicationName)
        return;
    m_description.applicationName = name;
    QCoreApplication::setApplicationName(name);
}

void ApplicationBase::setThemeMode(ThemeMode mode)
{
    m_requestedThemeMode = mode;
    if (m_launched)
        applyTheme();
}

void ApplicationBase::prepareLaunch()
{
    m_launched = true;
    if (!qobject_cast<QApplication*>(m_application))
        return;
    m_resolvedThemeMode = resolveThemeMode(m_requestedThemeMode);
    installStyle(m_resolvedThemeMode);
    QApplication::setWindowIcon(makeIcon(QStringLiteral("tessera:/icons/varnel_glyph.svg")));
    Platform::watchSystemTheme(m_application, [this] { followSystemTheme(); });
}

void ApplicationBase::applyTheme()
{
    const ThemeMode resolved = resolveThemeMode(m_requestedThemeMode);
    if (resolved == m_resolvedThemeMode || !qobject_cast<QApplication*>(m_application))
        return;
    m_resolvedThemeMode = resolved;
    installStyle(resolved);
    broadcastThemeChange(resolved);
}

void ApplicationBase::followSystemTheme()
{
    if (m_requestedThemeMode == ThemeMode::System)
        applyTheme();
    // The tool tips follow the style in force, whatever happened above.
    QTimer::singleShot(0, m_application, [] { refreshToolTipPalette(); });
}

void ApplicationBase::handleApplicationEvent(QObject* receiver, QEvent* event)
{
    if (event->type() == QEvent::ThemeChange && receiver && receiver->isWindowType() && m_launched)
        scheduleSystemThemeCheck();
}

void ApplicationBase::scheduleSystemThemeCheck()
{
    if (std::exchange(m_systemThemeCheckPending, true))
        return;
    QTimer::singleShot(0, m_application, [this] {
        m_systemThemeCheckPending = false;
        followSystemTheme();
    });
}

void ApplicationBase::installScreenHandlers()
{
    auto* guiApplication = qobject_cast<QGuiApplication*>(m_application);
    if (guiApplication == nullptr)
        return;
    for (QScreen* screen : QGuiApplication::screens())
        watchScreen(screen);
    QObject::connect(guiApplication, &QGuiApplication::screenAdded, guiApplication,
                     [this](QScreen* screen) { watchScreen(screen); });
}

void ApplicationBase::watchScreen(QScreen* screen)
{
    const QVariant installed = screen->property(ScreenChangeHandlerProperty);
    if (installed.typeId() == QMetaType::Bool && installed.toBool())
        return;
    screen->setProperty(ScreenChangeHandlerProperty, true);
    QObject::connect(
        screen, &QScreen::logicalDotsPerInchChanged, screen,
        [screen] { announceDpiChange(screen); }, Qt::QueuedConnection);
}

} // namespace Tessera
