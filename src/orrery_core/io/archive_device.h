#pragma once

#include <QtGlobal>

#include <archive.h>

class QIODevice;

namespace Orrery {

// libarchive's client data: the caller's device, and what the callbacks saw of it, so that a
// failure is told by what happened rather than by libarchive's words.
struct ArchiveDevice {
    static constexpr int ReadBufferSize = 1024;

    explicit ArchiveDevice(QIODevice* device);

    QIODevice* device = nullptr;
    qint64 startPosition = 0;
    char readBuffer[ReadBufferSize] = {};
    bool wasOpen = true;
    // A read found the end of the device.
    bool reachedEnd = false;
    // The error number of the device's last failure; 0 while it has not failed.
    int failure = 0;

    static int open(archive* handle, void* context);
    static la_ssize_t read(archive* handle, void* context, const void** buffer);
    static la_ssize_t write(archive* handle, void* context, const void* buffer, size_t length);
    static la_int64_t seek(archive* handle, void* context, la_int64_t offset, int whence);
    static int close(archive* handle, void* context);
};

} // namespace Orrery
