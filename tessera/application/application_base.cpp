#include "application_base.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include "palette/palette.h"

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

ApplicationBase::ApplicationBase(QCoreApplication* application, ApplicationIdentity identity)
    : m_application(application)
    , m_identity(identity)
{
    QCoreApplication::setOrganizationName(QString::fromLatin1(Suite::OrganisationName));
    QCoreApplication::setOrganizationDomain(QString::fromLatin1(Suite::OrganisationDomain));
    QCoreApplication::setApplicationVersion(
        Orrery::versionString<QString>(Suite::ProgramVersion, true));
    QCoreApplication::setApplicationName(applicationName(m_identity));
    installScreenHandlers();
}

ApplicationBase::~ApplicationBase() = default;

void ApplicationBase::setProductModel(std::optional<std::uint8_t> productModel)
{
    if (productModel == m_identity.productModel)
        return;
    m_identity.productModel = productModel;
    QCoreApplication::setApplicationName(applicationName(m_identity));
}

void ApplicationBase::setThemeMode(ThemeMode mode)
{
    if (mode == m_requestedThemeMode)
        return;
    m_requestedThemeMode = mode;
}

void ApplicationBase::prepareLaunch() {}

void ApplicationBase::handleApplicationEvent(QObject*, QEvent*) {}

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
