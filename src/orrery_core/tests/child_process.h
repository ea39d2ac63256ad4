#pragma once

#include <QByteArray>

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <utility>

// Runs the function in a forked child and returns how the child ended (waitpid status) and what
// it wrote to standard error. For death tests: aborts stay in the child.
inline std::pair<int, QByteArray> runInChild(const std::function<void()>& function)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return {-1, {}};
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[1], STDERR_FILENO);
        ::close(pipeEnds[0]);
        function();
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    QByteArray output;
    char buffer[256];
    ssize_t count;
    while ((count = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, count);
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return {status, output};
}
