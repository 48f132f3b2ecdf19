#pragma once
// Little-endian bytes written out by hand for the record tests.

#include <cstdint>
#include <cstring>
#include <string>

namespace bytes {

inline std::string I32(int32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
}
inline std::string I16(int16_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>((static_cast<uint16_t>(v) >> 8) & 0xFF)};
}
inline std::string F32(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return I32(static_cast<int32_t>(u));
}
// UTF-16LE string as the archive stores it: count, then the units (ASCII here).
inline std::string Str(const std::string& ascii) {
    std::string s = I32(static_cast<int32_t>(ascii.size()));
    for (char c : ascii) s += std::string{c, '\0'};
    return s;
}

}  // namespace bytes
