#include "package/platform/file_placement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QString>

#include <io.h>
#include <windows.h>

namespace Platform {
namespace {

// A file the move needs closed (Windows refuses to rename an open one); it is deleted unless it
// took its name.
class PendingFile : public QFile
{
public:
    using QFile::QFile;
    ~PendingFile() override
    {
        if (!placed)
            remove();
    }
    bool placed = false;
};

} // namespace

std::unique_ptr<QFileDevice> createPackageFile(const QString& folder)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        auto file = std::make_unique<PendingFile>(
            folder + QStringLiteral("/.q5-package-%1")
                         .arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0')));
        if (file->open(QIODevice::WriteOnly | QIODevice::NewOnly,
                       QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            return file;
        if (!file->exists())
            return nullptr;
    }
    return nullptr;
}

Placement placeFile(QFileDevice& file, const QString& to, bool replace)
{
    auto* pending = dynamic_cast<PendingFile*>(&file);
    if (!pending || !file.flush())
        return Placement::Failed;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    if (handle == INVALID_HANDLE_VALUE || !FlushFileBuffers(handle))
        return Placement::Failed;
    file.close();
    const std::wstring source = QDir::toNativeSeparators(pending->fileName()).toStdWString();
    const std::wstring target = QDir::toNativeSeparators(to).toStdWString();
    DWORD flags = MOVEFILE_WRITE_THROUGH;
    if (replace)
        flags |= MOVEFILE_REPLACE_EXISTING;
    if (MoveFileExW(source.c_str(), target.c_str(), flags)) {
        pending->placed = true;
        return Placement::Placed;
    }
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? Placement::NameTaken
                                                                       : Placement::Failed;
}

} // namespace Platform
