#pragma once
// platform/ResourceLibrary.h — loadable resource libraries (language packs).
//
// A library is a UTF-8 text file on the unit. Lines:
//   string <id> <text>            one string-table entry; \n and \\ are escapes
//   dialog <id>                   starts a dialog template, taken verbatim up to
//   end                           a line holding only "end"
// Anything else is ignored, so packs may carry comments.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class ResourceLibrary {
public:
    std::optional<std::u16string> String(uint32_t id) const;
    std::optional<std::string> DialogTemplate(uint32_t id) const;
    const std::string& Path() const { return m_path; }

    // Parses the text of a library; never throws.
    static ResourceLibrary Parse(std::string_view path, std::string_view text);

private:
    std::string m_path;
    std::map<uint32_t, std::u16string> m_strings;
    std::map<uint32_t, std::string> m_dialogs;
};

using LibraryHandle = ResourceLibrary*;

// Loads a library by device path; nullptr when it is missing or larger than 4 MiB.
LibraryHandle LoadLibrary(std::string_view devicePath);
// Frees a library loaded above; false for a null or unknown handle.
bool FreeLibrary(LibraryHandle library);

}  // namespace platform
