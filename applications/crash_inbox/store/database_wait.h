#pragma once

#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Says so when a database call takes long: another program may hold the database, and the call
// waits for it (for at most InboxDatabase::busySeconds()). Held around each call that may wait;
// the notice goes to whoever listens (the command line, on a terminal), once per wait.
class DatabaseWait
{
public:
    explicit DatabaseWait(const QString& what);
    ~DatabaseWait();
    DatabaseWait(const DatabaseWait&) = delete;
    DatabaseWait& operator=(const DatabaseWait&) = delete;

    // Who hears of a long wait; none by default.
    static void setListener(std::function<void(const QString& notice)> listener);

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_watch;
};
