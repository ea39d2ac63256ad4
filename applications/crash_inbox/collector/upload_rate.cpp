#include "upload_rate.h"

#include <algorithm>

bool UploadRate::allow(const QString& sender, Clock::time_point now)
{
    const std::lock_guard lock(m_lock);
    const auto found = m_buckets.find(sender);
    Bucket& bucket =
        found != m_buckets.end() ? *found : *m_buckets.insert(sender, {double(m_perMinute), now});
    const std::chrono::duration<double> elapsed = now - bucket.filled;
    bucket.uploads =
        std::min(double(m_perMinute), bucket.uploads + elapsed.count() * m_perMinute / 60.0);
    bucket.filled = now;
    if (bucket.uploads < 1.0)
        return false;
    bucket.uploads -= 1.0;
    return true;
}
