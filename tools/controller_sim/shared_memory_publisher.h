#pragma once

#include <QByteArray>
#include <QSharedMemory>
#include <QString>

// Puts one serialised record into a named block and keeps the block attached for as long as
// the publisher lives.
class SharedMemoryPublisher
{
public:
    explicit SharedMemoryPublisher(const QString& key);

    // Writes the bytes from the start of the block under its lock and zeroes the rest.
    // blockSize 0 means: just large enough.
    bool publish(const QByteArray& bytes, qsizetype blockSize = 0);

    QString errorString() const { return m_error; }
    // What publish() had to do to get a block, for the operator.
    QString notes() const { return m_notes; }

private:
    bool acquireBlock(qsizetype size);
    bool createFresh(qsizetype size);

    QSharedMemory m_memory;
    QString m_error;
    QString m_notes;
};
