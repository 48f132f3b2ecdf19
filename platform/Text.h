#pragma once
// platform/Text.h — UTF-8 and UTF-16 conversions; the unit's texts are UTF-16.

#include <string>
#include <string_view>

namespace platform {

// Invalid sequences become U+FFFD; never throws.
std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);

}  // namespace platform
