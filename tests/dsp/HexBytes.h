#pragma once
// Bytes written out by hand in the tests, as hex pairs: Hex("14 00 00 00").
// Quoted four-character identifiers may stand between them: Hex("'RIFF' 2c 00").

#include <string>
#include <string_view>

inline std::string Hex(std::string_view text) {
    std::string bytes;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == ' ' || c == '\n' || c == '|') {
            ++i;
        } else if (c == '\'') {
            const size_t end = text.find('\'', i + 1);
            bytes.append(text.substr(i + 1, end - i - 1));
            i = end + 1;
        } else {
            bytes += static_cast<char>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16));
            i += 2;
        }
    }
    return bytes;
}
