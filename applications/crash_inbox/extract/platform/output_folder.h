#pragma once

#include <QStringList>

#include <memory>

class QFile;

namespace CrashInbox::Platform {

// The folder entries are written into. Whatever is or appears in it meanwhile, nothing is
// written through a link: every folder on the way is opened without following links, and new
// files are created, never opened over what is there.
class OutputFolder
{
public:
    explicit OutputFolder(const QString& path);
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    bool isOpen() const;
    // A new file at the relative path (its folders made as needed, for the user alone), open
    // for writing; null with the system's reason.
    std::unique_ptr<QFile> createFile(const QStringList& components, QString& error);
    bool createFolder(const QStringList& components, QString& error);
    // Bytes the folder's disk can still take; -1 when unknown.
    qint64 bytesAvailable() const;
    // Takes away a file that could not be written whole.
    void remove(const QStringList& components);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace CrashInbox::Platform
