#pragma once

#include <memory>

class QFile;
class QString;

namespace Orrery::Platform {

// Opens a regular file for reading, a link to one followed, without ever waiting: a FIFO, a
// device or a folder is refused (`notRegular` set), not waited for. Null on failure, with the
// system's reason in `error`.
std::unique_ptr<QFile> openRegularFile(const QString& path, QString& error, bool& notRegular);

} // namespace Orrery::Platform
