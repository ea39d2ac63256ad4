#include "archive_device.h"

#include <QIODevice>

#include <cerrno>
#include <cstdio>

namespace Orrery::ArchiveDevice {
namespace {

constexpr int DeviceNotOpenError = 9;

FileArchive::DeviceContext& contextOf(void* context)
{
    return *static_cast<FileArchive::DeviceContext*>(context);
}

// A QIODevice need not set errno; an error number of 0 would read as "no error".
int currentErrorNumber()
{
    return errno != 0 ? errno : EIO;
}

la_int64_t failSeek(archive* handle, const char* message)
{
    archive_set_error(handle, ARCHIVE_FATAL, "%s", message);
    return ARCHIVE_FATAL;
}

} // namespace

int open(archive* handle, void* context)
{
    const QIODevice* device = contextOf(context).device;
    if (device != nullptr && device->isOpen())
        return ARCHIVE_OK;
    archive_set_error(handle, DeviceNotOpenError, "IO device isn't open");
    return ARCHIVE_FATAL;
}

la_ssize_t read(archive* handle, void* context, const void** buffer)
{
    FileArchive::DeviceContext& device = contextOf(context);
    errno = 0;
    const qint64 count = device.device->read(device.readBuffer, sizeof device.readBuffer);
    if (count < 0) {
        archive_set_error(handle, currentErrorNumber(), "IO device read error");
        return -1;
    }
    *buffer = device.readBuffer;
    return static_cast<la_ssize_t>(count);
}

la_ssize_t write(archive* handle, void* context, const void* buffer, size_t length)
{
    QIODevice* device = contextOf(context).device;
    errno = 0;
    const qint64 count = device->write(static_cast<const char*>(buffer), qint64(length));
    if (count < 0) {
        archive_set_error(handle, currentErrorNumber(), "IO device write error");
        return -1;
    }
    return static_cast<la_ssize_t>(count);
}

// Positions given to libarchive are relative to where the archive starts on the device.
la_int64_t seek(archive* handle, void* context, la_int64_t offset, int whence)
{
    FileArchive::DeviceContext& device = contextOf(context);
    const qint64 size = device.device->size();
    qint64 base = 0;
    switch (whence) {
    case SEEK_SET:
        base = device.startPosition;
        break;
    case SEEK_CUR:
        base = device.device->pos();
        break;
    case SEEK_END:
        if (size <= 0)
            return failSeek(handle, "File device reported zero or negative size");
        base = size;
        break;
    default:
        return ARCHIVE_FATAL;
    }

    const qint64 target = base + offset;
    if (target < device.startPosition)
        return failSeek(handle, "Tried to seek off start of file");
    if (target > size)
        return failSeek(handle, "Tried to seek off end of file");
    errno = 0;
    if (!device.device->seek(target)) {
        archive_set_error(handle, currentErrorNumber(), "File seek failed");
        return ARCHIVE_FATAL;
    }
    return target - device.startPosition;
}

int close(archive*, void*)
{
    return ARCHIVE_OK;
}

} // namespace Orrery::ArchiveDevice
