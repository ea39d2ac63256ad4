#pragma once

#include "file_archive.h"

#include <QtGlobal>

#include <archive.h>

class QIODevice;

namespace Orrery {

// libarchive's client data: the caller's device and what the callbacks need around it.
struct FileArchive::DeviceContext {
    static constexpr int ReadBufferSize = 1024;

    QIODevice* device = nullptr;
    qint64 startPosition = 0;
    char readBuffer[ReadBufferSize] = {};
};

namespace ArchiveDevice {

int open(archive* handle, void* context);
la_ssize_t read(archive* handle, void* context, const void** buffer);
la_ssize_t write(archive* handle, void* context, const void* buffer, size_t length);
la_int64_t seek(archive* handle, void* context, la_int64_t offset, int whence);
int close(archive* handle, void* context);

} // namespace ArchiveDevice
} // namespace Orrery
