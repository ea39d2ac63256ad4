#pragma once

#include <QFile>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QSize>
#include <QTemporaryDir>
#include <QThread>

#include <memory>

// A private X server with a window manager (Xvfb and openbox), driven with xdotool and read
// from outside, as a user at a desktop meets the windows.
class XSession
{
public:
    // False when the tools are missing (scripts/install-deps.sh installs them) or the window
    // manager never comes up; why is in failure().
    bool start(QSize screen = QSize(1280, 800))
    {
        m_screen = screen;
        const QString size = QString("%1x%2x24").arg(screen.width()).arg(screen.height());
        m_server.start("Xvfb", {"-displayfd", "1", "-screen", "0", size, "-nolisten", "tcp"});
        if (!m_server.waitForStarted() || !m_server.waitForReadyRead(10000))
            return false;
        m_display = ":" + QString::fromUtf8(m_server.readLine()).trimmed();
        // A loaded machine may take a while to bring the window manager up, or lose it.
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (startWindowManager())
                return true;
        }
        return false;
    }

    QByteArray failure() { return m_windowManager.readAllStandardError(); }

    // The X server goes away, as at the end of a session; the window manager with it.
    void stopServer()
    {
        m_server.kill();
        m_server.waitForFinished();
    }

    ~XSession()
    {
        for (QProcess* process : {&m_windowManager, &m_server}) {
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
        }
    }

    // The system environment with this display and a private home.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", m_display);
        environment.insert("HOME", m_home.path());
        environment.insert("XDG_RUNTIME_DIR", m_home.path());
        environment.remove("QT_QPA_PLATFORM");
        return environment;
    }

    QByteArray run(const QString& program, const QStringList& arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(program, arguments);
        process.waitForFinished(20000);
        return process.readAllStandardOutput();
    }

    QByteArray xdotool(const QStringList& arguments) const { return run("xdotool", arguments); }

    // How many windows a process shows: a menu that opens adds one.
    // xdotool words that put the pointer in the screen's far corner, off every window, where
    // no tool tip can open.
    QStringList pointerOffWindows() const
    {
        return {"mousemove", QString::number(m_screen.width() - 1),
                QString::number(m_screen.height() - 1)};
    }

    int shownWindows(qint64 process) const
    {
        return QString::fromUtf8(
                   xdotool({"search", "--onlyvisible", "--pid", QString::number(process)}))
            .split('\n', Qt::SkipEmptyParts)
            .size();
    }

    // The id of the first visible window with that title, waiting for it; empty if none shows.
    QString window(const QString& title) const
    {
        QString id; // a search that meets a window going away fails (BadWindow): ask again
        for (int attempt = 0; id.isEmpty() && attempt < 3; ++attempt)
            id = QString::fromUtf8(xdotool({"search", "--sync", "--onlyvisible", "--name", title}))
                     .section('\n', 0, 0)
                     .trimmed();
        return id;
    }

    QRect geometry(const QString& window) const
    {
        const QString shell = QString::fromUtf8(xdotool({"getwindowgeometry", "--shell", window}));
        const auto value = [&](const char* name) {
            return QRegularExpression(QString("%1=(\\d+)").arg(name))
                .match(shell)
                .captured(1)
                .toInt();
        };
        return QRect(value("X"), value("Y"), value("WIDTH"), value("HEIGHT"));
    }

private:
    bool startWindowManager()
    {
        if (m_windowManager.state() != QProcess::NotRunning) {
            m_windowManager.kill();
            m_windowManager.waitForFinished();
        }
        m_windowManager.setProcessEnvironment(environment());
        m_windowManager.start("openbox", {"--sm-disable", "--config-file", configuration()});
        if (!m_windowManager.waitForStarted())
            return false;
        for (int wait = 0; wait < 200 && m_windowManager.state() == QProcess::Running; ++wait) {
            if (run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id"))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    // The system's configuration, but Alt+Space left to the windows, as many desktops do.
    QString configuration() const
    {
        QFile system("/etc/xdg/openbox/rc.xml");
        system.open(QIODevice::ReadOnly);
        QString text = QString::fromUtf8(system.readAll());
        text.remove(QRegularExpression("<keybind key=\"A-space\">.*?</keybind>",
                                       QRegularExpression::DotMatchesEverythingOption));
        QFile own(m_home.filePath("rc.xml"));
        own.open(QIODevice::WriteOnly);
        own.write(text.toUtf8());
        return own.fileName();
    }

    QTemporaryDir m_home;
    QProcess m_server, m_windowManager;
    QString m_display;
    QSize m_screen;
};
