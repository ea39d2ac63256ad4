#pragma once

#include <QMimeType>

class QIODevice;

// The type of what a device holds from its position on, told by content alone through the shared
// MIME database; the position is kept. A file's name says nothing here: packages come renamed.
QMimeType contentType(QIODevice& device);

// Gzip-compressed: gzip itself, or a type derived from it, as the crash package is.
bool isGzipCompressed(const QMimeType& type);
