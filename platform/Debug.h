#pragma once
// platform/Debug.h — the unit's debug output. Goes to stderr when
// CORRELATOR_DEBUG is set, and to a sink that tests may install.

#include <functional>
#include <string_view>

namespace platform {

void DebugOutput(std::string_view text);

// printf-style; the text is cut at 1023 characters.
void DebugPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Receives every debug text as well; an empty function removes it.
void SetDebugSink(std::function<void(std::string_view)> sink);

}  // namespace platform
