#include "platform/Files.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <map>
#include <sstream>

#include "platform/DurableWrite.h"
#include "platform/Paths.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

constexpr uint32_t kStoredBits = kAttrReadOnly | kAttrHidden | kAttrArchive;
constexpr const char* kAttributeFile = ".attributes";

// Attribute bits by folded host path relative to the unit root; persisted in
// one small text file so that they survive the program.
struct AttributeStore {
    bool loaded = false;
    std::map<std::string, uint32_t> bits;
};

AttributeStore& Store() {
    static AttributeStore s;
    static bool hooked = false;
    if (!hooked) {
        hooked = true;
        OnUnitRootChanged([] { Store().loaded = false; });
    }
    return s;
}

std::string Key(const fs::path& host) {
    return FoldCase(fs::relative(host, UnitRoot()).generic_string());
}

// One line of the store: decimal bits, a tab, the key. Anything else (a
// damaged or hand-edited store) is no entry; the next save drops it.
bool ParseEntry(std::string_view line, uint32_t& bits, std::string& key) {
    const size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab == 0 || tab + 1 == line.size()) return false;
    const char* end = line.data() + tab;
    const auto [stop, error] = std::from_chars(line.data(), end, bits);
    if (error != std::errc() || stop != end) return false;
    key = line.substr(tab + 1);
    return true;
}

AttributeStore& Loaded() {
    AttributeStore& s = Store();
    if (s.loaded) return s;
    s.bits.clear();
    s.loaded = true;
    std::istringstream in(ReadHostFile(UnitRoot() / kAttributeFile, kMaxTextStoreBytes).value_or(""));
    std::string line, key;
    uint32_t bits = 0;
    while (std::getline(in, line))
        if (ParseEntry(line, bits, key) && (bits & kStoredBits)) s.bits[key] = bits & kStoredBits;
    return s;
}

bool Persist() {
    std::ostringstream out;
    for (const auto& [key, bits] : Loaded().bits) out << bits << '\t' << key << '\n';
    const std::string bytes = out.str();
    return WriteHostFileDurably(UnitRoot() / kAttributeFile, [&bytes](std::ostream& os) {
        return static_cast<bool>(os.write(bytes.data(), static_cast<std::streamsize>(bytes.size())));
    });
}

uint32_t StoredBits(const fs::path& host) {
    const auto& bits = Loaded().bits;
    auto it = bits.find(Key(host));
    return it == bits.end() ? 0 : it->second;
}

void StoreBits(const fs::path& host, uint32_t bits) {
    auto& map = Loaded().bits;
    bits &= kStoredBits;
    if (bits == 0)
        map.erase(Key(host));
    else
        map[Key(host)] = bits;
    Persist();
}

uint32_t HostAttributes(const fs::path& host) {
    std::error_code ec;
    const fs::file_status st = fs::status(host, ec);
    if (ec || !fs::exists(st)) return kInvalidAttributes;
    uint32_t bits = StoredBits(host);
    if (fs::is_directory(st)) bits |= kAttrDirectory;
    return bits == 0 ? kAttrNormal : bits;
}

bool IsReadOnly(const fs::path& host) {
    const uint32_t a = HostAttributes(host);
    return a != kInvalidAttributes && (a & kAttrReadOnly);
}

}  // namespace

bool PathExists(std::string_view path) {
    std::error_code ec;
    return fs::exists(HostPath(path), ec);
}

bool CreateDirectory(std::string_view path) {
    const fs::path host = HostPath(path);
    std::error_code ec;
    fs::create_directory(host, ec);
    return fs::is_directory(host, ec);
}

bool MoveFile(std::string_view from, std::string_view to) {
    const fs::path src = HostPath(from);
    const fs::path dst = HostPath(to);
    std::error_code ec;
    if (!fs::is_regular_file(src, ec) || fs::exists(dst, ec)) return false;
    const uint32_t bits = StoredBits(src);
    fs::rename(src, dst, ec);
    if (ec) return false;
    if (bits) {
        StoreBits(src, 0);
        StoreBits(dst, bits);
    }
    return true;
}

bool DeleteFile(std::string_view path) {
    const fs::path host = HostPath(path);
    std::error_code ec;
    if (!fs::is_regular_file(host, ec) || IsReadOnly(host)) return false;
    if (!fs::remove(host, ec)) return false;
    if (StoredBits(host)) StoreBits(host, 0);
    return true;
}

uint32_t GetFileAttributes(std::string_view path) { return HostAttributes(HostPath(path)); }

bool SetFileAttributes(std::string_view path, uint32_t attributes) {
    const fs::path host = HostPath(path);
    std::error_code ec;
    if (!fs::exists(host, ec)) return false;
    StoreBits(host, attributes);
    return true;
}

bool AddFileAttributes(std::string_view path, uint32_t extra) {
    const uint32_t now = GetFileAttributes(path);
    if (now == kInvalidAttributes) return false;
    return SetFileAttributes(path, (now & kStoredBits) | extra);
}

bool MatchPattern(std::string_view pattern, std::string_view name) {
    // Iterative wildcard match with one back-track point for the last '*'.
    size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<FindData> FindFiles(std::string_view pattern) {
    std::string folder, name;
    SplitDevicePath(pattern, folder, name);
    const fs::path dir = HostPath(folder);
    std::vector<FindData> found;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (entry == kAttributeFile || entry.ends_with(".tmp")) continue;
        if (dir == UnitRoot() && entry.front() == '.') continue;
        if (!MatchPattern(name, entry)) continue;
        FindData d;
        d.name = entry;
        d.attributes = HostAttributes(it->path());
        std::error_code sizeError;
        d.size = it->is_regular_file(sizeError) ? it->file_size(sizeError) : 0;
        found.push_back(std::move(d));
    }
    std::sort(found.begin(), found.end(),
              [](const FindData& a, const FindData& b) { return a.name < b.name; });
    return found;
}

bool FileFinder::First(std::string_view pattern, FindData& found) {
    m_matches = FindFiles(pattern);
    m_next = 0;
    return Next(found);
}

bool FileFinder::Next(FindData& found) {
    if (m_next >= m_matches.size()) return false;
    found = m_matches[m_next++];
    return true;
}

std::ifstream OpenForRead(std::string_view path) {
    return std::ifstream(HostPath(path), std::ios::binary | std::ios::in);
}

std::ofstream OpenForWrite(std::string_view path, bool truncate) {
    const fs::path host = HostPath(path);
    if (IsReadOnly(host)) return std::ofstream();
    std::error_code ec;
    if (!truncate && fs::exists(host, ec))
        return std::ofstream(host, std::ios::binary | std::ios::in | std::ios::out);
    return std::ofstream(host, std::ios::binary | std::ios::out | std::ios::trunc);
}

bool WriteFileAtomic(std::string_view path, std::string_view bytes, uint32_t extraAttributes) {
    const fs::path host = HostPath(path);
    if (IsReadOnly(host)) return false;
    const bool written = WriteHostFileDurably(host, [bytes](std::ostream& os) {
        return static_cast<bool>(os.write(bytes.data(), static_cast<std::streamsize>(bytes.size())));
    });
    if (written && extraAttributes) StoreBits(host, StoredBits(host) | extraAttributes);
    return written;
}

std::optional<std::string> ReadHostFile(const fs::path& host, uint64_t maxBytes) {
    std::error_code ec;
    if (!fs::is_regular_file(host, ec)) return std::nullopt;
    const uint64_t size = fs::file_size(host, ec);
    if (ec || size > maxBytes) return std::nullopt;
    std::ifstream in(host, std::ios::binary);
    std::string bytes(size, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    if (!in) return std::nullopt;
    return bytes;
}

std::optional<std::string> ReadWholeFile(std::string_view path, uint64_t maxBytes) {
    return ReadHostFile(HostPath(path), maxBytes);
}

}  // namespace platform
