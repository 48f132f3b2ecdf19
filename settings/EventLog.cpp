#include "settings/EventLog.h"

#include <cstdio>
#include <optional>

#include "platform/Clock.h"
#include "platform/Files.h"
#include "settings/Configuration.h"

namespace {

// Tick count (ms) at the first opening in this program run.
std::optional<uint32_t>& TimeBase() {
    static std::optional<uint32_t> base;
    return base;
}

}  // namespace

std::string FormatLogLine(uint32_t elapsedMs, std::string_view text) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%5u.%03u ", elapsedMs / 1000, elapsedMs % 1000);
    std::string line = stamp;
    line.append(text);
    line += "\r\n";
    return line;
}

void LogEvent(std::string_view text) {
    if (!g_configuration.testMode) return;
    std::ofstream file = platform::OpenForWrite(kEventLogFile, false);
    if (!file.is_open()) return;
    // The time base is the first opening that succeeded: lines count from it.
    const uint32_t now = platform::GetTickCount();
    if (!TimeBase()) TimeBase() = now;
    file.seekp(0, std::ios::end);
    const std::string line = FormatLogLine(now - *TimeBase(), text);
    file.write(line.data(), static_cast<std::streamsize>(line.size()));
}

void ResetEventLogTimeBase() { TimeBase().reset(); }
