#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <chrono>
#include <optional>

// A package that waits to be sent.
struct QueuedPackage {
    QString path;
    qint64 size = 0; // as queued: a package written again is queued again
    QDateTime queued;
    int attempts = 0;
    QDateTime nextAttempt; // invalid: at once
    // The desk's package that this one brings up to date: the same crash, sent before without
    // what the operator typed since. 0: none.
    qint64 replaces = 0;

    bool operator==(const QueuedPackage&) const = default;
};

// The index file, as written and as read back. Reading takes at most `cap` packages and
// leaves out anything that is not a queued package; none when the text is no index at all.
QByteArray uploadQueueText(const QList<QueuedPackage>& packages);
std::optional<QList<QueuedPackage>> parseUploadQueue(const QByteArray& text, int cap);

// The packages waiting to be sent: a small index in the user's state folder, replaced whole
// on every change, and locked meanwhile against another episode. Packages themselves are
// never moved or deleted for it. At most `cap` wait, the newest; a package whose file is gone
// or changed is forgotten.
class UploadQueue
{
public:
    // An index file larger than this is not read.
    static constexpr qint64 MaxIndexSize = 1 << 20;

    UploadQueue(QString indexPath, int cap);
    // "<state folder>/Varnel Professional/Q5-PC/upload-queue.json"; empty without a state folder.
    static QString defaultIndexPath();

    // Queues the package, or queues it again as new when it was written again.
    bool add(const QString& path, qint64 replaces = 0);
    // Sent, or refused for good: it waits no more.
    bool remove(const QString& path);
    // Not sent this time: the next try waits longer after each failure, up to six hours.
    bool postpone(const QString& path, const QDateTime& now);
    // The packages waiting, newest first; with `now`, only those whose time has come.
    QList<QueuedPackage> waiting(const std::optional<QDateTime>& now = std::nullopt) const;

    static std::chrono::seconds backoff(int attempts);

private:
    template <typename Change>
    bool change(Change&& changeQueue);
    QByteArray indexText() const;
    // The index's packages that are still the ones queued.
    static QList<QueuedPackage> present(QList<QueuedPackage> packages);

    QString m_indexPath;
    int m_cap;
};
