#include "database_wait.h"

#include "inbox_database.h"

#include <chrono>

namespace {

constexpr std::chrono::seconds NoticeAfter{2};

std::mutex listenerMutex;
std::function<void(const QString&)> listener;

} // namespace

DatabaseWait::DatabaseWait(const QString& what)
{
    {
        const std::lock_guard lock(listenerMutex);
        if (!listener)
            return;
    }
    m_watch = std::thread([this, what] {
        std::unique_lock lock(m_mutex);
        if (m_done.wait_for(lock, NoticeAfter, [this] { return m_finished; }))
            return;
        const std::lock_guard listening(listenerMutex);
        if (listener)
            listener(QStringLiteral("waiting for %1: another program holds the database; "
                                    "giving up after %2 s")
                         .arg(what)
                         .arg(InboxDatabase::busySeconds()));
    });
}

DatabaseWait::~DatabaseWait()
{
    if (!m_watch.joinable())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_done.notify_all();
    m_watch.join();
}

void DatabaseWait::setListener(std::function<void(const QString&)> newListener)
{
    const std::lock_guard lock(listenerMutex);
    listener = std::move(newListener);
}
