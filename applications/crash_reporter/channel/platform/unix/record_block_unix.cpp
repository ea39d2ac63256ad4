#include "crash_reporter/channel/platform/record_block.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSharedMemory>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <sys/ipc.h>
#include <sys/sem.h>
#include <sys/shm.h>
#include <unistd.h>

namespace CrashReporter::Platform {

namespace {

using Status = RecordBlock::Status;

// Qt's System V backend keys a block and its lock by two files in the temporary folder, named
// alike but for their prefixes.
constexpr char SegmentPrefix[] = "qipc_sharedmemory_";
constexpr char LockPrefix[] = "qipc_systemsem_";
constexpr int KeyProject = 'Q';

RecordBlock failure(Status status, const QString& detail)
{
    return {status, {}, detail};
}

QString systemError(const char* what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

// Made by this user, owned by this user, and neither readable nor writable by anybody else.
bool isPrivatelyOwn(const ipc_perm& permissions)
{
    const uid_t user = ::geteuid();
    return permissions.uid == user && permissions.cuid == user && (permissions.mode & 077) == 0;
}

key_t keyOf(const QString& file)
{
    return ::ftok(QFile::encodeName(file).constData(), KeyProject);
}

QString lockFileOf(const QString& segmentFile)
{
    const QFileInfo segment(segmentFile);
    QString name = segment.fileName();
    if (!name.startsWith(QLatin1String(SegmentPrefix)))
        return {};
    name.replace(0, int(std::strlen(SegmentPrefix)), QLatin1String(LockPrefix));
    return segment.dir().filePath(name);
}

// The block's lock, taken for the copy and given back on every way out.
class BlockLock
{
public:
    explicit BlockLock(int semaphore)
        : m_semaphore(semaphore)
    {}
    ~BlockLock()
    {
        if (m_held) {
            sembuf release{0, 1, SEM_UNDO};
            ::semop(m_semaphore, &release, 1);
        }
    }
    BlockLock(const BlockLock&) = delete;
    BlockLock& operator=(const BlockLock&) = delete;

    // Waits at most until the deadline, through interruptions.
    bool take(std::chrono::steady_clock::time_point deadline)
    {
        sembuf acquire{0, -1, SEM_UNDO};
        for (;;) {
            const auto left = std::max(deadline - std::chrono::steady_clock::now(),
                                       std::chrono::steady_clock::duration::zero());
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
            const timespec timeout{
                std::time_t(seconds.count()),
                long(std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds).count())};
            if (::semtimedop(m_semaphore, &acquire, 1, &timeout) == 0)
                return m_held = true;
            if (errno != EINTR)
                return false;
        }
    }

private:
    int m_semaphore;
    bool m_held = false;
};

} // namespace

RecordBlock readRecordBlock(QSharedMemory& memory, std::chrono::milliseconds wait, qsizetype limit)
{
    const QString segmentFile = memory.nativeKey();
    if (!QFileInfo::exists(segmentFile))
        return failure(Status::Absent, QStringLiteral("no block has the key"));
    const int segment = ::shmget(keyOf(segmentFile), 0, 0);
    if (segment < 0)
        return failure(errno == EACCES ? Status::NotOwn : Status::Absent, systemError("shmget"));
    shmid_ds segmentInfo{};
    if (::shmctl(segment, IPC_STAT, &segmentInfo) != 0)
        return failure(errno == EACCES ? Status::NotOwn : Status::Failed, systemError("shmctl"));
    if (!isPrivatelyOwn(segmentInfo.shm_perm))
        return failure(Status::NotOwn,
                       QStringLiteral("the block belongs to user %1 with mode %2")
                           .arg(segmentInfo.shm_perm.uid)
                           .arg(segmentInfo.shm_perm.mode & 0777, 3, 8, QLatin1Char('0')));

    // A block without its lock has no writer left to wait for.
    const QString lockFile = lockFileOf(segmentFile);
    const key_t lockKey = lockFile.isEmpty() ? key_t(-1) : keyOf(lockFile);
    const int semaphore = lockKey == key_t(-1) ? -1 : ::semget(lockKey, 1, 0);
    if (semaphore < 0 && lockKey != key_t(-1) && errno == EACCES)
        return failure(Status::NotOwn, systemError("semget"));
    BlockLock lock(semaphore);
    if (semaphore >= 0) {
        semid_ds lockInfo{};
        if (::semctl(semaphore, 0, IPC_STAT, &lockInfo) != 0)
            return failure(errno == EACCES ? Status::NotOwn : Status::Failed,
                           systemError("semctl"));
        if (!isPrivatelyOwn(lockInfo.sem_perm))
            return failure(Status::NotOwn,
                           QStringLiteral("its lock belongs to user %1 with mode %2")
                               .arg(lockInfo.sem_perm.uid)
                               .arg(lockInfo.sem_perm.mode & 0777, 3, 8, QLatin1Char('0')));
        if (!lock.take(std::chrono::steady_clock::now() + wait))
            return failure(errno == EAGAIN ? Status::Busy : Status::Failed,
                           systemError("semtimedop"));
    }
    // Attached for the rest of the process, as Qt's own reader would stay.
    void* address = ::shmat(segment, nullptr, SHM_RDONLY);
    if (address == reinterpret_cast<void*>(-1))
        return failure(Status::Failed, systemError("shmat"));
    const qsizetype size = qsizetype(std::min<quint64>(segmentInfo.shm_segsz, quint64(limit)));
    return {Status::Read, QByteArray(static_cast<const char*>(address), size), {}};
}

} // namespace CrashReporter::Platform
