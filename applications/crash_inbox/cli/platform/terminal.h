#pragma once

namespace CrashInbox::Platform {

// Whether standard error goes to a person's terminal, where progress is worth showing.
bool standardErrorIsTerminal();

} // namespace CrashInbox::Platform
