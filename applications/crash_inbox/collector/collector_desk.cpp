#include "collector_desk.h"

#include "crash_inbox/intake/package_filer.h"
#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/store/package_store.h"
#include "crash_inbox/store/upload_tokens.h"
#include "crash_inbox/text/printable.h"

#include <chrono>
#include <cstdio>

namespace {

// Hears the outcomes of one batch, in the order its packages were added.
class BatchListener : public FilingListener
{
public:
    explicit BatchListener(std::deque<CollectorDesk::Upload>& uploads)
        : m_uploads(uploads)
    {}

    void filed(const FilingOutcome& outcome) override
    {
        if (m_next >= m_uploads.size())
            return;
        CollectorDesk::Upload& upload = m_uploads[m_next++];
        logOutcome(outcome, upload.sender);
        upload.done(outcome);
    }
    std::size_t answered() const { return m_next; }

private:
    static void logOutcome(const FilingOutcome& outcome, const QString& sender)
    {
        const QByteArray from = printable(sender).toUtf8();
        const QByteArray path = printable(outcome.path).toUtf8();
        if (outcome.kind == FilingOutcome::Kind::Rejected)
            std::printf("rejected a package from %s: %s\n", from.constData(),
                        printable(outcome.reason).toUtf8().constData());
        else
            std::printf("%s %lld %s from %s\n", outcome.word(), outcome.id, path.constData(),
                        from.constData());
        std::fflush(stdout);
    }

    std::deque<CollectorDesk::Upload>& m_uploads;
    std::size_t m_next = 0;
};

} // namespace

CollectorDesk::CollectorDesk(InboxDatabase& database)
    : m_database(database)
{}

std::optional<QString> CollectorDesk::tokenName(QByteArrayView token) const
{
    if (token.isEmpty())
        return std::nullopt;
    const QByteArray hash = UploadTokens::hashOf(token);
    const std::shared_lock lock(m_tokensLock);
    const auto found = m_tokens.constFind(hash);
    if (found == m_tokens.constEnd())
        return std::nullopt;
    return *found;
}

void CollectorDesk::submit(Upload upload)
{
    {
        const std::lock_guard lock(m_queueLock);
        m_queue.push_back(std::move(upload));
    }
    m_queueChanged.notify_one();
}

bool CollectorDesk::refreshTokens(QString& error)
{
    auto tokens = UploadTokens::hashes(m_database.connection(), error);
    m_healthy = tokens.has_value();
    if (!tokens)
        return false;
    const std::unique_lock lock(m_tokensLock);
    m_tokens = std::move(*tokens);
    return true;
}

bool CollectorDesk::run(QString& error)
{
    if (!refreshTokens(error))
        return false;
    using Clock = std::chrono::steady_clock;
    auto nextRefresh = Clock::now() + std::chrono::milliseconds(TokenRefreshMilliseconds);
    std::unique_lock lock(m_queueLock);
    // A stop asked for by a signal is seen within this time.
    constexpr auto SignalCheck = std::chrono::milliseconds(200);
    while (!m_stopRequested) {
        m_queueChanged.wait_until(lock, std::min(nextRefresh, Clock::now() + SignalCheck),
                                  [this] { return !m_queue.empty(); });
        if (m_stopRequested)
            break;
        std::deque<Upload> batch;
        batch.swap(m_queue);
        lock.unlock();
        if (Clock::now() >= nextRefresh) {
            QString refreshError;
            if (!refreshTokens(refreshError))
                logLine(refreshError);
            nextRefresh = Clock::now() + std::chrono::milliseconds(TokenRefreshMilliseconds);
        }
        if (!batch.empty())
            file(std::move(batch));
        lock.lock();
    }
    // Uploads not filed yet are refused, and their files go; their senders send them again.
    std::deque<Upload> dropped;
    dropped.swap(m_queue);
    lock.unlock();
    for (Upload& upload : dropped)
        upload.done(std::nullopt);
    return true;
}

void CollectorDesk::file(std::deque<Upload> uploads)
{
    PackageStore store(m_database);
    BatchListener listener(uploads);
    {
        PackageFiler filer(store, listener, qsizetype(uploads.size()));
        for (const Upload& upload : uploads)
            filer.addFile(upload.path, upload.replaces);
        filer.flush();
        if (filer.failed()) {
            m_healthy = false;
            logLine(filer.error());
        } else {
            m_healthy = true;
        }
    }
    for (std::size_t index = listener.answered(); index < uploads.size(); ++index)
        uploads[index].done(std::nullopt);
}
