#include "crash_reporter/package/platform/file_placement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QString>

#include <io.h>
#include <windows.h>

#include <optional>
#include <string>

namespace CrashReporter::Platform {
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

std::optional<FileIdentity> identityOfHandle(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION information{};
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &information))
        return std::nullopt;
    return FileIdentity{information.dwVolumeSerialNumber,
                        quint64(information.nFileIndexHigh) << 32 | information.nFileIndexLow};
}

std::wstring nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

} // namespace

std::optional<FileIdentity> identityOf(QFileDevice& file)
{
    return identityOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle())));
}

std::optional<FileIdentity> identityAt(const QString& path)
{
    const HANDLE handle =
        CreateFileW(nativePath(path).c_str(), FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const std::optional<FileIdentity> identity = identityOfHandle(handle);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    return identity;
}

// Windows has no exchange of names: the file at the name is checked just before the removal.
bool removeOwnFile(const QString& path, const FileIdentity& own)
{
    return identityAt(path) == own && DeleteFileW(nativePath(path).c_str());
}

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

Placement placeFile(QFileDevice& file, const QString& to, PlaceMode mode,
                    const std::optional<FileIdentity>& own)
{
    auto* pending = dynamic_cast<PendingFile*>(&file);
    if (!pending || !file.flush())
        return Placement::Failed;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    if (handle == INVALID_HANDLE_VALUE || !FlushFileBuffers(handle))
        return Placement::Failed;
    file.close();
    const std::wstring source = nativePath(pending->fileName());
    const std::wstring target = nativePath(to);
    DWORD flags = MOVEFILE_WRITE_THROUGH;
    // Without an exchange of names, the file at the name is checked just before the move.
    const std::optional<FileIdentity> there =
        mode == PlaceMode::ReplaceOwn ? identityAt(to) : std::nullopt;
    if (there && there != own)
        return Placement::NameTaken;
    if (mode == PlaceMode::Replace || there)
        flags |= MOVEFILE_REPLACE_EXISTING;
    if (MoveFileExW(source.c_str(), target.c_str(), flags)) {
        pending->placed = true;
        return Placement::Placed;
    }
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? Placement::NameTaken
                                                                       : Placement::Failed;
}

} // namespace CrashReporter::Platform
