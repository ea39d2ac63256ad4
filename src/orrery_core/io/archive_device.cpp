#include "archive_device.h"

#include <QIODevice>

#include <cerrno>
#include <cstdio>

namespace Orrery {
namespace {

ArchiveDevice& contextOf(void* context)
{
    return *static_cast<ArchiveDevice*>(context);
}

// A QIODevice need not set errno; an error number of 0 would read as "no error".
int currentErrorNumber()
{
    return errno != 0 ? errno : EIO;
}

la_int64_t failDevice(archive* handle, ArchiveDevice& device, int error, const char* message)
{
    device.failure = error;
    archive_set_error(handle, error, "%s", message);
    return ARCHIVE_FATAL;
}

} // namespace

ArchiveDevice::ArchiveDevice(QIODevice* device)
    : device(device)
    , startPosition(device != nullptr && device->isOpen() ? device->pos() : 0)
{}

int ArchiveDevice::open(archive* handle, void* context)
{
    ArchiveDevice& device = contextOf(context);
    device.wasOpen = device.device != nullptr && device.device->isOpen();
    if (device.wasOpen)
        return ARCHIVE_OK;
    return int(failDevice(handle, device, EBADF, "IO device isn't open"));
}

la_ssize_t ArchiveDevice::read(archive* handle, void* context, const void** buffer)
{
    ArchiveDevice& device = contextOf(context);
    errno = 0;
    const qint64 count = device.device->read(device.readBuffer, sizeof device.readBuffer);
    if (count < 0)
        return failDevice(handle, device, currentErrorNumber(), "IO device read error");
    device.reachedEnd = device.reachedEnd || count == 0;
    *buffer = device.readBuffer;
    return static_cast<la_ssize_t>(count);
}

la_ssize_t ArchiveDevice::write(archive* handle, void* context, const void* buffer, size_t length)
{
    ArchiveDevice& device = contextOf(context);
    errno = 0;
    const qint64 count = device.device->write(static_cast<const char*>(buffer), qint64(length));
    if (count < 0)
        return failDevice(handle, device, currentErrorNumber(), "IO device write error");
    return static_cast<la_ssize_t>(count);
}

// Positions given to libarchive are relative to where the archive starts on the device. A
// position outside the device is refused as lseek refuses it.
la_int64_t ArchiveDevice::seek(archive* handle, void* context, la_int64_t offset, int whence)
{
    ArchiveDevice& device = contextOf(context);
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
            return failDevice(handle, device, ESPIPE, "File device reported zero or negative size");
        base = size;
        break;
    default:
        return failDevice(handle, device, EINVAL, "Unknown seek origin");
    }

    const qint64 target = base + offset;
    if (target < device.startPosition)
        return failDevice(handle, device, EINVAL, "Tried to seek off start of file");
    if (target > size)
        return failDevice(handle, device, EINVAL, "Tried to seek off end of file");
    errno = 0;
    if (!device.device->seek(target))
        return failDevice(handle, device, currentErrorNumber(), "File seek failed");
    return target - device.startPosition;
}

int ArchiveDevice::close(archive*, void*)
{
    return ARCHIVE_OK;
}

} // namespace Orrery
