#include "received_package.h"

#include <QDir>
#include <QRandomGenerator>

std::unique_ptr<ReceivedPackage> ReceivedPackage::create(const QString& folder, QString& error)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QString name = QString::fromLatin1(PartPrefix) +
                             QString::number(QRandomGenerator::system()->generate64(), 16) +
                             QString::fromLatin1(PartSuffix);
        auto file = std::make_unique<QFile>(QDir(folder).filePath(name));
        if (file->open(QIODevice::WriteOnly | QIODevice::NewOnly,
                       QFile::ReadOwner | QFile::WriteOwner))
            return std::unique_ptr<ReceivedPackage>(new ReceivedPackage(folder, std::move(file)));
        error = file->errorString();
        if (file->exists())
            continue;
        break;
    }
    error = QStringLiteral("the package cannot be written to %1 (%2)")
                .arg(QDir::toNativeSeparators(folder), error);
    return nullptr;
}

ReceivedPackage::ReceivedPackage(const QString& folder, std::unique_ptr<QFile> file)
    : m_folder(folder)
    , m_file(std::move(file))
{}

ReceivedPackage::~ReceivedPackage()
{
    if (m_file)
        m_file->remove();
}

bool ReceivedPackage::write(const char* data, qint64 size)
{
    m_hash.addData(QByteArrayView(data, size));
    m_size += size;
    return m_file->write(data, size) == size;
}

std::optional<QString> ReceivedPackage::finish(QString& error)
{
    if (!m_file->flush()) {
        error = QStringLiteral("the package cannot be written (%1)").arg(m_file->errorString());
        return std::nullopt;
    }
    m_file->close();
    m_finalPath = QDir(m_folder).filePath(QString::fromLatin1(m_hash.result().toHex()) +
                                          QStringLiteral(".cdp"));
    // The same content sent before is the same file: the new copy goes.
    if (QFile::exists(m_finalPath))
        return m_finalPath;
    if (!m_file->rename(m_finalPath)) {
        error = QStringLiteral("the package cannot be named (%1)").arg(m_file->errorString());
        return std::nullopt;
    }
    m_file.reset();
    m_madeFinal = true;
    return m_finalPath;
}

void ReceivedPackage::discard()
{
    if (m_madeFinal)
        QFile::remove(m_finalPath);
    m_madeFinal = false;
}
