#include "orrery_core/platform/regular_file.h"

#include <QFile>
#include <QFileInfo>

#include <io.h>
#include <windows.h>

namespace Orrery::Platform {

std::unique_ptr<QFile> openRegularFile(const QString& path, QString& error, bool& notRegular)
{
    notRegular = !QFileInfo(path).isFile();
    if (notRegular)
        return nullptr;
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) {
        error = file->errorString();
        return nullptr;
    }
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(file->handle()));
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        notRegular = true;
        return nullptr;
    }
    return file;
}

} // namespace Orrery::Platform
