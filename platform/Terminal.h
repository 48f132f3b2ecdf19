#pragma once
// platform/Terminal.h — whether the program's standard streams reach a person.

namespace platform {

// True when standard error is a terminal: progress lines go there only then,
// so that a log file or a pipe never holds them.
bool StandardErrorIsTerminal() noexcept;

}  // namespace platform
