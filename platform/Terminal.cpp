#include "platform/Terminal.h"

#include <unistd.h>

namespace platform {

namespace {
std::optional<bool> g_stderrAnswer;  // set by tests only
}  // namespace

bool StderrIsTerminal() { return g_stderrAnswer.value_or(isatty(STDERR_FILENO) == 1); }

void SetStderrIsTerminal(std::optional<bool> answer) { g_stderrAnswer = answer; }

}  // namespace platform
