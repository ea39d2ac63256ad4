// A stand-in for the desktop's settings portal on a private session bus: answers the colour
// scheme given on the command line ("never" holds every answer back), and on a line "set N"
// from standard input switches to N and announces it with SettingChanged.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QSocketNotifier>
#include <QTextStream>

#include <cstdio>

class Settings : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    explicit Settings(QString answer)
        : m_answer(std::move(answer))
    {}

    void set(uint scheme)
    {
        m_answer = QString::number(scheme);
        Q_EMIT SettingChanged("org.freedesktop.appearance", "color-scheme",
                              QDBusVariant(QVariant::fromValue(scheme)));
    }

public Q_SLOTS:
    // Each question is reported on standard output, so that a test can count them.
    QDBusVariant ReadOne(const QString&, const QString&, const QDBusMessage& message)
    {
        std::printf("asked\n");
        std::fflush(stdout);
        if (m_answer == "never")
            message.setDelayedReply(true);
        return QDBusVariant(QVariant::fromValue(m_answer.toUInt()));
    }

Q_SIGNALS:
    void SettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);

private:
    QString m_answer;
};

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    Settings settings(application.arguments().value(1));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject("/org/freedesktop/portal/desktop", &settings,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) ||
        !bus.registerService("org.freedesktop.portal.Desktop"))
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char line[64] = {};
        if (!std::fgets(line, sizeof line, stdin))
            QCoreApplication::quit();
        else if (QByteArray(line).startsWith("set "))
            settings.set(QByteArray(line).mid(4).trimmed().toUInt());
    });
    return QCoreApplication::exec();
}

#include "stand_in_portal.moc"
