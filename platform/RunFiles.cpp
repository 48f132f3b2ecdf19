#include "platform/RunFiles.h"

#include <algorithm>

#include "platform/Debug.h"
#include "platform/DurableWrite.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace platform {
namespace {

constexpr std::string_view kRunExtension = ".corr";
constexpr std::string_view kCompanionSuffixes[] = {"_corr.wav", "_corr.png", "_corr.jpg"};

bool EndsWithFolded(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && FoldCase(s.substr(s.size() - suffix.size())) == FoldCase(suffix);
}

// A read-only file or a folder in the way: the set is not written.
bool IsProtected(const std::string& path) {
    const uint32_t attributes = GetFileAttributes(path);
    return attributes != kInvalidAttributes && (attributes & (kAttrReadOnly | kAttrDirectory));
}

bool WriteAll(const std::vector<FileWrite>& files) {
    std::vector<HostFileWrite> host;
    for (const FileWrite& file : files) {
        if (IsProtected(file.path)) {
            DebugPrintf("%s is protected; the set is not written\n", file.path.c_str());
            return false;
        }
        host.push_back({HostPath(file.path), file.write});
    }
    if (WriteHostFilesDurably(host)) return true;
    DebugPrintf("%s and its set not written; the previous files stay\n", files.front().path.c_str());
    return false;
}

}  // namespace

bool IsUsableFileName(std::u16string_view name) {
    if (name.empty() || name.size() > static_cast<size_t>(kMaxTypedNameLength)) return false;
    if (name.front() == u' ' || name.back() == u' ' || name.back() == u'.' || name.front() == u'.') return false;
    if (name.find(u"..") != std::u16string_view::npos) return false;
    for (char16_t c : name) {
        if (c < 0x20 || c == 0x7F) return false;
        if (std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos) return false;
    }
    return true;
}

std::vector<FindData> ListFiles(std::string_view pattern) {
    std::vector<FindData> entries;
    FileFinder finder;
    FindData found;
    for (bool more = finder.First(pattern, found); more; more = finder.Next(found))
        if (!(found.attributes & kAttrDirectory) && found.attributes != kInvalidAttributes) entries.push_back(found);
    // UTF-16 code units, as the unit compares names; UTF-8 bytes differ from
    // them above U+FFFF.
    std::vector<std::pair<std::u16string, size_t>> keys;
    for (size_t i = 0; i < entries.size(); ++i) keys.emplace_back(Utf8ToUtf16(entries[i].name), i);
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<FindData> sorted;
    sorted.reserve(entries.size());
    for (const auto& key : keys) sorted.push_back(std::move(entries[key.second]));
    return sorted;
}

int PageCount(int count) { return count <= 0 ? 1 : (count + kNamesPerPage - 1) / kNamesPerPage; }

PageSpan PageOf(int count, int page) {
    page = std::clamp(page, 0, PageCount(count) - 1);
    PageSpan span;
    span.first = page * kNamesPerPage;
    span.count = std::clamp(count - span.first, 0, kNamesPerPage);
    return span;
}

std::vector<std::string> CompanionNames(std::string_view name) {
    if (!EndsWithFolded(name, kRunExtension) || name.size() == kRunExtension.size()) return {};
    const std::string_view stem = name.substr(0, name.size() - kRunExtension.size());
    std::vector<std::string> names;
    for (std::string_view suffix : kCompanionSuffixes) names.push_back(std::string(stem) + std::string(suffix));
    return names;
}

bool DeleteWithCompanions(std::string_view folder, std::string_view name) {
    // A run file that stays (read-only) keeps its recording and pictures.
    if (!DeleteFile(JoinDevicePath(folder, name))) return false;
    for (const std::string& companion : CompanionNames(name)) DeleteFile(JoinDevicePath(folder, companion));
    return true;
}

RunFilePaths RunFileNames(std::string_view folder, std::string_view stem) {
    const std::string base = JoinDevicePath(folder, stem);
    return {base + std::string(kRunExtension), base + std::string(kCompanionSuffixes[0]),
            base + std::string(kCompanionSuffixes[1]), base + std::string(kCompanionSuffixes[2])};
}

std::vector<bool> WriteFileSet(const std::vector<FileWrite>& files) {
    return std::vector<bool>(files.size(), files.empty() || WriteAll(files));
}

int RemoveUnfinishedWrites(std::string_view folder) { return SettleUnfinishedWrites(HostPath(folder)); }

}  // namespace platform
