#include "shared_memory_publisher.h"

#include <algorithm>
#include <cstring>

SharedMemoryPublisher::SharedMemoryPublisher(const QString& key)
    : m_memory(key)
{}

bool SharedMemoryPublisher::publish(const QByteArray& bytes, qsizetype blockSize)
{
    const qsizetype size = std::max<qsizetype>({blockSize, bytes.size(), 1});
    if (!acquireBlock(size))
        return false;
    if (!m_memory.lock()) {
        m_error = QStringLiteral("cannot lock block: %1").arg(m_memory.errorString());
        return false;
    }
    auto* data = static_cast<char*>(m_memory.data());
    std::memset(data, 0, static_cast<std::size_t>(m_memory.size()));
    std::memcpy(data, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    m_memory.unlock();
    return true;
}

// Creating over an existing key would reset the semaphore that another process may hold, so
// an existing block is attached and reused whenever it is large enough.
bool SharedMemoryPublisher::acquireBlock(qsizetype size)
{
    if (m_memory.attach(QSharedMemory::ReadWrite)) {
        if (m_memory.size() >= size) {
            m_notes += QStringLiteral("reusing the existing block\n");
            return true;
        }
        m_memory.detach();
        m_notes += QStringLiteral("existing block too small, replacing it\n");
    }
    return createFresh(size);
}

bool SharedMemoryPublisher::createFresh(qsizetype size)
{
    if (m_memory.create(size, QSharedMemory::ReadWrite))
        return true;
    if (m_memory.error() == QSharedMemory::AlreadyExists) {
        // Left behind by a killed process: the last detach removes it.
        m_memory.attach();
        m_memory.detach();
        m_notes += QStringLiteral("cleared a stale block left by an earlier run\n");
        if (m_memory.create(size, QSharedMemory::ReadWrite))
            return true;
    }
    m_error = QStringLiteral("cannot create block \"%1\": %2")
                  .arg(m_memory.key(), m_memory.errorString());
    return false;
}
