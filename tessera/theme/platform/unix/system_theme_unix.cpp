#include "tessera/theme/platform/system_theme.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDir>
#include <QFileInfo>
#include <QObject>
#include <QtDebug>

namespace Tessera::Platform {
namespace {

// The freedesktop settings portal: color-scheme 1 asks for dark, 2 for light, 0 says nothing.
constexpr char Service[] = "org.freedesktop.portal.Desktop";
constexpr char Path[] = "/org/freedesktop/portal/desktop";
constexpr char Interface[] = "org.freedesktop.portal.Settings";
constexpr char Namespace[] = "org.freedesktop.appearance";
constexpr char Key[] = "color-scheme";
constexpr int PreferLight = 2;
// Start-up never waits longer for a desktop that does not answer.
constexpr int AnswerTimeoutMs = 250;

// Without an address or the user's bus socket, libdbus would try to launch a bus of its own.
bool hasSessionBus()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

QDBusMessage askPortal(const char* method)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(QLatin1String(Service), QLatin1String(Path),
                                       QLatin1String(Interface), QLatin1String(method));
    call << QLatin1String(Namespace) << QLatin1String(Key);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, AnswerTimeoutMs);
}

// ReadOne answers with the value in a variant; the older Read, which a portal without ReadOne
// offers, with a variant in a variant.
std::optional<uint> colourScheme()
{
    QDBusMessage answer = askPortal("ReadOne");
    if (answer.type() == QDBusMessage::ErrorMessage &&
        answer.errorName() == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod"))
        answer = askPortal("Read");
    if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().isEmpty())
        return std::nullopt;
    QVariant value = answer.arguments().constFirst();
    while (value.metaType() == QMetaType::fromType<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    bool ok = false;
    const uint scheme = value.toUInt(&ok);
    return ok ? std::optional(scheme) : std::nullopt;
}

// Receives the portal's SettingChanged signal.
class PortalListener : public QObject
{
    Q_OBJECT

public:
    PortalListener(QObject* parent, std::function<void()> changed)
        : QObject(parent)
        , m_changed(std::move(changed))
    {}

public Q_SLOTS:
    void settingChanged(const QDBusMessage& message)
    {
        const QVariantList arguments = message.arguments();
        if (arguments.value(0).toString() == QLatin1String(Namespace) &&
            arguments.value(1).toString() == QLatin1String(Key))
            m_changed();
    }

private:
    std::function<void()> m_changed;
};

} // namespace

// Linux desktops publish their light or dark choice through the settings portal.
bool systemUsesLightAppTheme()
{
    if (!hasSessionBus() || !QDBusConnection::sessionBus().isConnected())
        return false;
    return colourScheme() == uint(PreferLight);
}

void watchSystemTheme(QObject* context, std::function<void()> changed)
{
    if (!hasSessionBus() || !QDBusConnection::sessionBus().isConnected())
        return;
    auto* listener = new PortalListener(context, std::move(changed));
    if (!QDBusConnection::sessionBus().connect(
            QLatin1String(Service), QLatin1String(Path), QLatin1String(Interface),
            QStringLiteral("SettingChanged"), listener, SLOT(settingChanged(QDBusMessage))))
        qDebug("The desktop's theme changes cannot be followed: %s",
               qPrintable(QDBusConnection::sessionBus().lastError().message()));
}

} // namespace Tessera::Platform

#include "system_theme_unix.moc"
