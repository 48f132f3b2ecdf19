#include "platform/Registry.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace platform {
namespace {

struct Key {
    std::string name;                                        // as created
    std::map<std::string, std::pair<std::string, std::u16string>> values;  // folded -> (name, value)
};

struct HiveData {
    bool loaded = false;
    std::map<std::string, Key> keys;  // folded path -> key
};

std::map<Hive, HiveData>& Hives() {
    static std::map<Hive, HiveData> hives;
    static bool hooked = false;
    if (!hooked) {
        hooked = true;
        OnUnitRootChanged([] { Hives().clear(); });
    }
    return hives;
}

std::string HiveFile(Hive hive) {
    return hive == Hive::LocalMachine ? "\\registry\\HKLM.reg" : "\\registry\\HKCU.reg";
}

std::string Normalise(std::string_view key) {
    std::string out;
    for (char c : key) {
        if (c == '/') c = '\\';
        if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
        out += c;
    }
    while (!out.empty() && out.back() == '\\') out.pop_back();
    return out;
}

// Text escapes for the hive file: tab, newline and backslash.
std::string Escape(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c == '\\') out += "\\\\";
        else if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

std::string Unescape(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char n = s[++i];
        out += n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n;
    }
    return out;
}

HiveData& Load(Hive hive) {
    HiveData& h = Hives()[hive];
    if (h.loaded) return h;
    h.loaded = true;
    h.keys.clear();
    std::istringstream in(ReadWholeFile(HiveFile(hive), kMaxTextStoreBytes).value_or(""));
    std::string line;
    Key* current = nullptr;
    while (std::getline(in, line)) {
        if (line.size() > 2 && line[0] == 'K' && line[1] == '\t') {
            const std::string name = Unescape(line.substr(2));
            current = &h.keys[FoldCase(name)];
            current->name = name;
        } else if (current && line.size() > 2 && line[0] == 'V' && line[1] == '\t') {
            const size_t tab = line.find('\t', 2);
            if (tab == std::string::npos) continue;
            const std::string name = Unescape(line.substr(2, tab - 2));
            current->values[FoldCase(name)] = {name, Utf8ToUtf16(Unescape(line.substr(tab + 1)))};
        }
    }
    return h;
}

Key* Find(Hive hive, std::string_view key) {
    auto& keys = Load(hive).keys;
    auto it = keys.find(FoldCase(Normalise(key)));
    return it == keys.end() ? nullptr : &it->second;
}

}  // namespace

bool RegKeyExists(Hive hive, std::string_view key) { return Find(hive, key) != nullptr; }

bool RegCreateKey(Hive hive, std::string_view key) {
    const std::string path = Normalise(key);
    if (path.empty()) return false;
    auto& keys = Load(hive).keys;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('\\', pos + 1);
        const std::string prefix = path.substr(0, pos);
        Key& k = keys[FoldCase(prefix)];
        if (k.name.empty()) k.name = prefix;
    }
    return true;
}

bool RegDeleteKey(Hive hive, std::string_view key) {
    const std::string folded = FoldCase(Normalise(key));
    auto& keys = Load(hive).keys;
    bool removed = false;
    for (auto it = keys.begin(); it != keys.end();) {
        if (it->first == folded || it->first.starts_with(folded + "\\")) {
            it = keys.erase(it);
            removed = true;
        } else {
            ++it;
        }
    }
    return removed;
}

std::optional<std::u16string> RegGetString(Hive hive, std::string_view key, std::string_view name) {
    const Key* k = Find(hive, key);
    if (!k) return std::nullopt;
    auto it = k->values.find(FoldCase(name));
    if (it == k->values.end()) return std::nullopt;
    return it->second.second;
}

bool RegSetString(Hive hive, std::string_view key, std::string_view name, std::u16string_view value) {
    if (!RegCreateKey(hive, key)) return false;
    Key* k = Find(hive, key);
    k->values[FoldCase(name)] = {std::string(name), std::u16string(value)};
    return true;
}

bool RegFlush(Hive hive) {
    std::ostringstream out;
    for (const auto& [folded, key] : Load(hive).keys) {
        out << "K\t" << Escape(key.name) << '\n';
        for (const auto& [vf, value] : key.values)
            out << "V\t" << Escape(value.first) << '\t' << Escape(Utf16ToUtf8(value.second)) << '\n';
    }
    CreateDirectory("\\registry");
    return WriteFileAtomic(HiveFile(hive), out.str());
}

void RegReloadFromDisk() { Hives().clear(); }

}  // namespace platform
