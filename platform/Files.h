#pragma once
// platform/Files.h — the unit's file services over the unit root.
//
// Attributes (read-only, hidden) are kept beside the files in the unit root so
// that they read back as set; the host file system has no place for them.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kAttrNormal = 0x80;
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFFu;

// One entry found by a search: the name as stored, without its folder.
struct FindData {
    std::string name;
    uint32_t attributes = 0;
    uint64_t size = 0;
};

// True when a file or folder exists at the device path.
bool PathExists(std::string_view path);

// Creates one folder; true when it exists afterwards (an existing folder is no error).
bool CreateDirectory(std::string_view path);

// Moves a file; fails when the source is missing or the target exists. The
// attributes travel with the file.
bool MoveFile(std::string_view from, std::string_view to);

// Deletes a file; a read-only file is not deleted.
bool DeleteFile(std::string_view path);

// kInvalidAttributes when the path does not exist; kAttrNormal for a plain file.
uint32_t GetFileAttributes(std::string_view path);

// Replaces the read-only, hidden and archive bits; false when the path does not exist.
bool SetFileAttributes(std::string_view path, uint32_t attributes);

// GetFileAttributes | extra, written back; false when the path does not exist.
bool AddFileAttributes(std::string_view path, uint32_t extra);

// "*" and "?" wildcards, case-insensitive, over a whole name.
bool MatchPattern(std::string_view pattern, std::string_view name);

// A search over one folder with a wildcard name ("\NandFlash\*.dll"); entries
// come in name order so that runs repeat.
class FileFinder {
public:
    // False when nothing matches.
    bool First(std::string_view pattern, FindData& found);
    // False after the last match.
    bool Next(FindData& found);

private:
    std::vector<FindData> m_matches;
    size_t m_next = 0;
};

// Every match of a pattern, in name order.
std::vector<FindData> FindFiles(std::string_view pattern);

// Streams on device paths, binary. A read-only file is not opened for writing
// (the stream is returned closed).
std::ifstream OpenForRead(std::string_view path);
std::ofstream OpenForWrite(std::string_view path, bool truncate);

// Writes a whole file durably (platform/DurableWrite.h: a temporary beside
// it, synced, then renamed), so that a failure or a power cut leaves the old
// file intact. Keeps the old file's attributes and adds extraAttributes
// (hidden, for the unit's data files). False when the file is read-only or
// anything fails.
bool WriteFileAtomic(std::string_view path, std::string_view bytes, uint32_t extraAttributes = 0);

// The whole file, or nothing when it is missing or larger than maxBytes.
std::optional<std::string> ReadWholeFile(std::string_view path, uint64_t maxBytes);

// The same for a host file outside the unit root (what the program ships).
std::optional<std::string> ReadHostFile(const std::filesystem::path& host, uint64_t maxBytes);

// Largest text store the unit reads (the attributes, each registry hive), in
// bytes, as for a language pack; a larger store is damaged and reads as empty.
constexpr uint64_t kMaxTextStoreBytes = 4u << 20;

}  // namespace platform
