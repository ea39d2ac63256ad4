#pragma once

#include <QByteArray>
#include <QTemporaryFile>

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <utility>

// Runs the function in a forked child, for death tests, and returns how the child ended
// (waitpid status) and what it wrote to standard error.
inline std::pair<int, QByteArray> runInChild(const std::function<void()>& function)
{
    QTemporaryFile output;
    output.open();
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(output.handle(), STDERR_FILENO);
        function();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    output.seek(0); // the child's writes moved the shared file offset
    return {status, output.readAll()};
}

// What this process writes to standard error while the function runs.
inline QByteArray captureStandardError(const std::function<void()>& function)
{
    QTemporaryFile output;
    output.open();
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(output.handle(), STDERR_FILENO);
    function();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    output.seek(0);
    return output.readAll();
}
