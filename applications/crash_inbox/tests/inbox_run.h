#pragma once

#include <QJsonDocument>
#include <QProcess>
#include <QStringList>

// What a run of q5-crash-inbox left: its exit status (-1 when it did not end by itself) and
// what it wrote.
struct Run {
    int status = -1;
    QString out;
    QString err;
    QStringList lines() const { return out.split('\n', Qt::SkipEmptyParts); }
    QJsonDocument json() const { return QJsonDocument::fromJson(out.toUtf8()); }
};

// Waits for the started run; one that takes longer than the time is killed.
inline Run finishRun(QProcess& process, int milliseconds = 120000)
{
    if (!process.waitForFinished(milliseconds))
        process.kill();
    process.waitForFinished();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}
