#pragma once
// settings/EventLog.h — the service log "\NandFlash\log.txt".
//
// Written only while the configuration's testMode is on. Each event opens the
// file (created if missing, never truncated), appends one line and closes it.
// A line is "%5d.%03d %s\r\n": seconds and milliseconds since the log was first
// opened in this program run, then the text.

#include <cstdint>
#include <string>
#include <string_view>

constexpr const char* kEventLogFile = "\\NandFlash\\log.txt";

// Appends one event when testMode is on; does nothing otherwise, and nothing
// is reported when the file cannot be opened.
void LogEvent(std::string_view text);

// One line of the log for an event elapsedMs after the time base.
std::string FormatLogLine(uint32_t elapsedMs, std::string_view text);

// Forgets the time base, so the next opening sets it again (a new program run).
void ResetEventLogTimeBase();
