#include "package/platform/file_placement.h"

#include <QDir>
#include <QFileDevice>
#include <QString>

#include <io.h>
#include <windows.h>

namespace Platform {

Placement placeFile(const QString& from, const QString& to, bool replace)
{
    const std::wstring source = QDir::toNativeSeparators(from).toStdWString();
    const std::wstring target = QDir::toNativeSeparators(to).toStdWString();
    DWORD flags = MOVEFILE_WRITE_THROUGH;
    if (replace)
        flags |= MOVEFILE_REPLACE_EXISTING;
    if (MoveFileExW(source.c_str(), target.c_str(), flags))
        return Placement::Placed;
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? Placement::NameTaken
                                                                       : Placement::Failed;
}

bool syncToDisk(QFileDevice& file)
{
    if (!file.flush())
        return false;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle);
}

} // namespace Platform
