#pragma once

namespace CrashInbox::Platform {

// Runs the window's own program, installed beside this one, with the same arguments: the
// commands never load the window's libraries. Returns only when it could not be started, with
// the exit status to end with.
int runWindowProgram(char** argv);

} // namespace CrashInbox::Platform
