#pragma once
// platform/Terminal.h — whether the program's standard error is a terminal,
// so that progress text goes only where a person watches it.

#include <optional>

namespace platform {

// isatty on standard error, unless a test has decided the answer.
bool StderrIsTerminal();

// The answer StderrIsTerminal gives from now on; std::nullopt asks isatty again.
void SetStderrIsTerminal(std::optional<bool> answer);

}  // namespace platform
