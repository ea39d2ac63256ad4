#pragma once

#include <QHash>
#include <QString>

#include <chrono>
#include <mutex>

// Uploads per minute allowed to each token: a bucket of a minute's uploads that fills again
// steadily, so that a console sending its waiting packages at once is served, and one that
// sends without end is refused. Safe from any thread.
class UploadRate
{
public:
    using Clock = std::chrono::steady_clock;

    explicit UploadRate(int perMinute)
        : m_perMinute(perMinute)
    {}

    // Whether the token's sender may upload now; takes one upload from its bucket if so.
    bool allow(const QString& sender, Clock::time_point now = Clock::now());

private:
    struct Bucket {
        double uploads = 0;
        Clock::time_point filled;
    };

    const int m_perMinute;
    std::mutex m_lock;
    QHash<QString, Bucket> m_buckets;
};
