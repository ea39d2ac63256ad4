#pragma once

#include "crash_inbox/intake/filing_outcome.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <shared_mutex>

class InboxDatabase;

// The collector's side that holds the database: files the packages that arrive, in batches
// on the thread that runs it, and knows the tokens. The network threads ask it through the
// calls marked as safe from any thread.
class CollectorDesk
{
public:
    // How often the tokens are read again: a revoked token is refused within this time.
    static constexpr int TokenRefreshMilliseconds = 2000;

    // The outcome, or none when the database failed (the reason is logged).
    using Filed = std::function<void(const std::optional<FilingOutcome>&)>;
    struct Upload {
        QString path;
        QString sender;      // the token's name
        qint64 replaces = 0; // the package this one brings up to date, when sent so
        Filed done;
    };

    explicit CollectorDesk(InboxDatabase& database);

    // Any thread: the name of the token, none when it is no token of this desk.
    std::optional<QString> tokenName(QByteArrayView token) const;
    // Any thread: whether the database answered when it was last asked.
    bool isHealthy() const { return m_healthy; }
    // Any thread: files the package; `done` is called on the desk's thread.
    void submit(Upload upload);
    // Any thread, a signal handler too: only sets a flag, which run() looks at often.
    void requestStop() noexcept { m_stopRequested = true; }

    // Files what arrives until requestStop(). False, with the reason, when the tokens cannot be
    // read at the start.
    bool run(QString& error);

private:
    bool refreshTokens(QString& error);
    void file(std::deque<Upload> uploads);

    InboxDatabase& m_database;
    mutable std::shared_mutex m_tokensLock;
    QHash<QByteArray, QString> m_tokens; // hash -> name
    std::atomic<bool> m_healthy = false;
    std::mutex m_queueLock;
    std::condition_variable m_queueChanged;
    std::deque<Upload> m_queue;
    std::atomic<bool> m_stopRequested = false;
};
