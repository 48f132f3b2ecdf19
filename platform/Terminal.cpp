#include "platform/Terminal.h"

#include <unistd.h>

namespace platform {

bool StandardErrorIsTerminal() noexcept { return isatty(STDERR_FILENO) == 1; }

}  // namespace platform
