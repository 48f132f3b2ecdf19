#pragma once
// pipe/Station.h — the stations as every stored record, the settings, the
// radio ports and the converter's source selection number them.

#include <cstdint>

enum class StationCode : int32_t { Base = 0, Red = 1, Blue = 2, Yellow = 3 };
constexpr int32_t kStationCodeCount = 4;

// Codes 0 ... 3; anything else from a file or a command line is refused.
constexpr bool IsStationCode(int32_t code) { return code >= 0 && code < kStationCodeCount; }

// "Base", "Red", "Blue", "Yellow" (debug texts); "?" for a code outside 0 ... 3.
constexpr const char* StationName(StationCode code) {
    constexpr const char* kNames[kStationCodeCount] = {"Base", "Red", "Blue", "Yellow"};
    const auto i = static_cast<int32_t>(code);
    return IsStationCode(i) ? kNames[i] : "?";
}
