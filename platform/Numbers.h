#pragma once
// platform/Numbers.h — number texts that never depend on the process locale.
// The unit's files, texts and scripts always write a decimal point; the Qt
// program switches the C library to the host's locale, where printf and
// strtod may use a comma.

#include <cstdarg>
#include <string>
#include <string_view>

namespace platform {

// vsnprintf in the "C" locale, whatever the process locale is; returns what
// vsnprintf returns.
int VFormatC(char* buffer, size_t size, const char* format, va_list args);
int FormatC(char* buffer, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
// The same into a string; texts are cut at 1023 characters.
std::string FormatCString(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A decimal number with '.' as its point ("1.17", "-3e2", "+5"); leading
// blanks and one '+' are allowed. Returns the characters used, 0 when the
// text does not start with a number (value unchanged).
size_t ParseDouble(std::string_view text, double& value);
// The whole text must be the number.
bool ParseWholeDouble(std::string_view text, double& value);

}  // namespace platform
