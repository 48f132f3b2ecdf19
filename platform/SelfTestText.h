#pragma once
// platform/SelfTestText.h — failure lines of the modules' start-up self-tests.
// Each line is led by the check's unit and source line, ".\Wave(123): ".

#include <string>
#include <string_view>

namespace platform {

// ".\" + unit + "(" + line + "): " + message; the message carries its own "\n".
inline std::string CheckFailure(std::string_view unit, int line, std::string_view message) {
    std::string s = ".\\";
    s += unit;
    s += '(';
    s += std::to_string(line);
    s += "): ";
    s += message;
    return s;
}

}  // namespace platform
