#pragma once

namespace Platform {

// Whether standard error goes to a person's terminal, where progress is worth showing.
bool standardErrorIsTerminal();

} // namespace Platform
