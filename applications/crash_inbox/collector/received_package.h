#pragma once

#include <QCryptographicHash>
#include <QFile>
#include <QString>

#include <memory>
#include <optional>

// A package arriving over the network, written to the collector's folder as it arrives: a
// hidden part file that only the desk's user may read, hashed on the way. Once whole it is
// named by its content's SHA-256, so that the same package sent twice is one file. Anything
// not kept goes when the object does: a broken upload leaves nothing behind.
class ReceivedPackage
{
public:
    // Prefix and suffix of the part files, which a collector that was killed may leave.
    static constexpr char PartPrefix[] = ".upload-";
    static constexpr char PartSuffix[] = ".part";

    // None, with the reason, when the part file cannot be made.
    static std::unique_ptr<ReceivedPackage> create(const QString& folder, QString& error);
    ReceivedPackage(const ReceivedPackage&) = delete;
    ReceivedPackage& operator=(const ReceivedPackage&) = delete;
    ~ReceivedPackage();

    bool write(const char* data, qint64 size);
    qint64 size() const { return m_size; }
    // The whole package under its final name; none, with the reason, on a write error.
    std::optional<QString> finish(QString& error);
    // The package named by finish() goes again (the desk rejected it), unless the same content
    // was there before.
    void discard();

private:
    ReceivedPackage(const QString& folder, std::unique_ptr<QFile> file);

    QString m_folder;
    std::unique_ptr<QFile> m_file;
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
    qint64 m_size = 0;
    QString m_finalPath;
    bool m_madeFinal = false;
};
