#include "content_type.h"

#include <QIODevice>
#include <QMimeDatabase>

namespace {

// As much as the database's longest magic looks at.
constexpr qint64 SniffedBytes = 16 * 1024;

} // namespace

QMimeType contentType(QIODevice& device)
{
    return QMimeDatabase().mimeTypeForData(device.peek(SniffedBytes));
}

bool isGzipCompressed(const QMimeType& type)
{
    return type.inherits(QStringLiteral("application/gzip"));
}
