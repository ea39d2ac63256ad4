#pragma once

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

// Bytes typed in from the wire tables, written as hex with blanks and '|' for readability.
inline QByteArray wire(const char* hex)
{
    return QByteArray::fromHex(QByteArray(hex).replace(' ', "").replace('|', ""));
}

inline QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, 0);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

inline bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Packages read back with GNU tar, independently of the archive class that wrote them.
inline QByteArray runTar(const QStringList& arguments)
{
    QProcess tar;
    tar.start("tar", arguments);
    tar.waitForFinished(60000);
    return tar.exitCode() == 0 ? tar.readAllStandardOutput() : QByteArray("TAR FAILED");
}

inline QStringList entryNames(const QString& package)
{
    return QString::fromUtf8(runTar({"-tzf", package})).split('\n', Qt::SkipEmptyParts);
}

inline QByteArray entryData(const QString& package, const QString& entry)
{
    return runTar({"-xzOf", package, entry});
}

// The permission bits of a file or folder; 0 when there is none.
inline uint modeOf(const QString& path)
{
    struct stat status {};
    return ::stat(qPrintable(path), &status) == 0 ? status.st_mode & 0777 : 0;
}

// A process that leads a process group of its own, so that what it starts (the simulator's
// reporter) ends with it, also when a test fails midway.
class ProcessGroup : public QProcess
{
public:
    ProcessGroup()
    {
        setChildProcessModifier([] { ::setpgid(0, 0); });
    }

    void startGroup(const QString& program, const QStringList& arguments)
    {
        start(program, arguments);
        m_leader = waitForStarted() ? processId() : 0;
    }

    void end()
    {
        if (m_leader > 0)
            ::kill(-pid_t(m_leader), SIGKILL);
        m_leader = 0;
        waitForFinished();
    }

private:
    qint64 m_leader = 0;
};
