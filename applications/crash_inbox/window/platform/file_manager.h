#pragma once

class QString;

namespace CrashInbox::Platform {

// Shows the file in the desktop's file manager, selected where the file manager can; false
// when no file manager could be started.
bool showInFileManager(const QString& file);

} // namespace CrashInbox::Platform
