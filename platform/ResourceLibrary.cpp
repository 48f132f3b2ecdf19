#include "platform/ResourceLibrary.h"

#include <charconv>
#include <memory>
#include <set>

#include "platform/Files.h"
#include "platform/Text.h"

namespace platform {
namespace {

constexpr uint64_t kMaxLibraryBytes = 4u << 20;

std::set<ResourceLibrary*>& Loaded() {
    static std::set<ResourceLibrary*> loaded;
    return loaded;
}

std::string UnescapeText(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            ++i;
            out += s[i] == 'n' ? '\n' : s[i];
        } else {
            out += s[i];
        }
    }
    return out;
}

bool ParseId(std::string_view text, uint32_t& id) {
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
    return ec == std::errc() && ptr != text.data();
}

}  // namespace

std::optional<std::u16string> ResourceLibrary::String(uint32_t id) const {
    auto it = m_strings.find(id);
    if (it == m_strings.end()) return std::nullopt;
    return it->second;
}

std::optional<std::string> ResourceLibrary::DialogTemplate(uint32_t id) const {
    auto it = m_dialogs.find(id);
    if (it == m_dialogs.end()) return std::nullopt;
    return it->second;
}

ResourceLibrary ResourceLibrary::Parse(std::string_view path, std::string_view text) {
    ResourceLibrary lib;
    lib.m_path = std::string(path);
    std::string* dialog = nullptr;
    while (!text.empty()) {
        const size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (dialog) {
            if (line == "end") dialog = nullptr;
            else dialog->append(line).append("\n");
            continue;
        }
        uint32_t id = 0;
        if (line.starts_with("string ")) {
            line.remove_prefix(7);
            const size_t sp = line.find(' ');
            if (ParseId(line.substr(0, sp), id))
                lib.m_strings[id] = Utf8ToUtf16(sp == std::string_view::npos ? "" : UnescapeText(line.substr(sp + 1)));
        } else if (line.starts_with("dialog ") && ParseId(line.substr(7), id)) {
            dialog = &lib.m_dialogs[id];
            dialog->clear();
        }
    }
    return lib;
}

LibraryHandle LoadLibrary(std::string_view devicePath) {
    auto text = ReadWholeFile(devicePath, kMaxLibraryBytes);
    if (!text) return nullptr;
    auto* lib = new ResourceLibrary(ResourceLibrary::Parse(devicePath, *text));
    Loaded().insert(lib);
    return lib;
}

bool FreeLibrary(LibraryHandle library) {
    if (!library || !Loaded().erase(library)) return false;
    delete library;
    return true;
}

}  // namespace platform
