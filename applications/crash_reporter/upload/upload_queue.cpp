#include "upload_queue.h"

#include "crash_reporter/package/package_folders.h"
#include "q5_suite/suite_identity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>

#include <algorithm>

namespace {

constexpr int IndexVersion = 1;
// A path longer than any file system's is no package of ours.
constexpr qsizetype MaxPathLength = 4096;

QJsonObject packageJson(const QueuedPackage& package)
{
    QJsonObject object{{QStringLiteral("path"), package.path},
                       {QStringLiteral("size"), package.size},
                       {QStringLiteral("queued"), package.queued.toString(Qt::ISODate)},
                       {QStringLiteral("attempts"), package.attempts}};
    if (package.nextAttempt.isValid())
        object.insert(QStringLiteral("next"), package.nextAttempt.toString(Qt::ISODate));
    if (package.replaces != 0)
        object.insert(QStringLiteral("replaces"), package.replaces);
    return object;
}

std::optional<QueuedPackage> packageFrom(const QJsonValue& value)
{
    const QJsonObject object = value.toObject();
    QueuedPackage package;
    package.path = object.value(QStringLiteral("path")).toString();
    package.size = object.value(QStringLiteral("size")).toInteger(-1);
    package.queued =
        QDateTime::fromString(object.value(QStringLiteral("queued")).toString(), Qt::ISODate);
    package.attempts = object.value(QStringLiteral("attempts")).toInt(-1);
    package.nextAttempt =
        QDateTime::fromString(object.value(QStringLiteral("next")).toString(), Qt::ISODate);
    package.replaces = object.value(QStringLiteral("replaces")).toInteger(0);
    if (package.path.isEmpty() || package.path.size() > MaxPathLength ||
        !QDir::isAbsolutePath(package.path) || package.size < 0 || !package.queued.isValid() ||
        package.attempts < 0 || package.replaces < 0)
        return std::nullopt;
    return package;
}

bool isNewerFirst(const QueuedPackage& left, const QueuedPackage& right)
{
    return left.queued > right.queued;
}

} // namespace

QByteArray uploadQueueText(const QList<QueuedPackage>& packages)
{
    QJsonArray array;
    for (const QueuedPackage& package : packages)
        array.append(packageJson(package));
    return QJsonDocument(QJsonObject{{QStringLiteral("version"), IndexVersion},
                                     {QStringLiteral("packages"), array}})
        .toJson();
}

std::optional<QList<QueuedPackage>> parseUploadQueue(const QByteArray& text, int cap)
{
    const QJsonDocument document = QJsonDocument::fromJson(text);
    const QJsonObject root = document.object();
    if (!document.isObject() || root.value(QStringLiteral("version")).toInt() != IndexVersion)
        return std::nullopt;
    QList<QueuedPackage> packages;
    const QJsonArray array = root.value(QStringLiteral("packages")).toArray();
    for (const QJsonValue& value : array) {
        if (packages.size() >= cap)
            break;
        const std::optional<QueuedPackage> package = packageFrom(value);
        const bool twice = package && std::any_of(packages.cbegin(), packages.cend(),
                                                  [&](const QueuedPackage& other) {
                                                      return other.path == package->path;
                                                  });
        if (package && !twice)
            packages.append(*package);
    }
    return packages;
}

UploadQueue::UploadQueue(QString indexPath, int cap)
    : m_indexPath(std::move(indexPath))
    , m_cap(std::max(1, cap))
{}

QString UploadQueue::defaultIndexPath()
{
    const QString product = stateProductFolder();
    if (product.isEmpty())
        return {};
    return product + QStringLiteral("upload-queue.json");
}

std::chrono::seconds UploadQueue::backoff(int attempts)
{
    using namespace std::chrono_literals;
    constexpr std::chrono::seconds Longest = 6h;
    std::chrono::seconds wait = 1min;
    for (int attempt = 1; attempt < attempts && wait < Longest; ++attempt)
        wait *= 2;
    return std::min(wait, Longest);
}

QByteArray UploadQueue::indexText() const
{
    QFile file(m_indexPath);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxIndexSize)
        return {};
    return file.read(MaxIndexSize);
}

QList<QueuedPackage> UploadQueue::present(QList<QueuedPackage> packages)
{
    // A package deleted, or written again since, is no longer the one queued.
    // Only packages are sent: never a link, nor a file of another kind.
    packages.removeIf([](const QueuedPackage& package) {
        const QFileInfo info(package.path);
        return !info.isFile() || info.isSymLink() || info.size() != package.size ||
               !package.path.endsWith(QLatin1String(".cdp"));
    });
    return packages;
}

template <typename Change>
bool UploadQueue::change(Change&& changeQueue)
{
    if (m_indexPath.isEmpty() || !ensurePathExists(QFileInfo(m_indexPath).path()))
        return false;
    QLockFile lock(m_indexPath + QStringLiteral(".lock"));
    lock.setStaleLockTime(10000);
    if (!lock.tryLock(5000))
        return false;
    // An index that a newer reporter wrote is its own: this one leaves it as it is.
    const QByteArray text = indexText();
    std::optional<QList<QueuedPackage>> read = parseUploadQueue(text, m_cap);
    if (!read && QJsonDocument::fromJson(text).object().value(QStringLiteral("version")).toInt() >
                     IndexVersion)
        return false;
    QList<QueuedPackage> packages = present(read.value_or(QList<QueuedPackage>()));
    changeQueue(packages);
    std::stable_sort(packages.begin(), packages.end(), isNewerFirst);
    if (packages.size() > m_cap)
        packages.resize(m_cap);
    QSaveFile file(m_indexPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    file.write(uploadQueueText(packages));
    return file.commit();
}

bool UploadQueue::add(const QString& path, qint64 replaces)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    const QString absolute = info.absoluteFilePath();
    return change([&](QList<QueuedPackage>& packages) {
        packages.removeIf([&](const QueuedPackage& package) { return package.path == absolute; });
        packages.append({absolute, info.size(), QDateTime::currentDateTimeUtc(), 0, {}, replaces});
    });
}

bool UploadQueue::remove(const QString& path)
{
    return change([&](QList<QueuedPackage>& packages) {
        packages.removeIf([&](const QueuedPackage& package) { return package.path == path; });
    });
}

bool UploadQueue::postpone(const QString& path, const QDateTime& now)
{
    return change([&](QList<QueuedPackage>& packages) {
        for (QueuedPackage& package : packages) {
            if (package.path != path)
                continue;
            ++package.attempts;
            package.nextAttempt = now.addSecs(backoff(package.attempts).count());
        }
    });
}

QList<QueuedPackage> UploadQueue::waiting(const std::optional<QDateTime>& now) const
{
    QList<QueuedPackage> packages =
        present(parseUploadQueue(indexText(), m_cap).value_or(QList<QueuedPackage>()));
    std::stable_sort(packages.begin(), packages.end(), isNewerFirst);
    if (now)
        packages.removeIf([&](const QueuedPackage& package) {
            return package.nextAttempt.isValid() && package.nextAttempt > *now;
        });
    return packages;
}
