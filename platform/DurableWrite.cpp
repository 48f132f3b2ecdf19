#include "platform/DurableWrite.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/Debug.h"
#include "platform/Paths.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::string_view kJournalSuffix = ".set.tmp";  // a temporary too: never listed
constexpr std::string_view kOldTemporarySuffix = ".part";  // left by earlier versions of the tools
// A journal holds a few names; anything longer is not one of ours.
constexpr uintmax_t kMaxJournalBytes = 64 * 1024;

WriteStepHook& Hook() {
    static WriteStepHook hook;
    return hook;
}

bool Allowed(WriteStep step, const fs::path& file) { return !Hook() || Hook()(step, file); }

bool EndsWithFolded(const std::string& name, std::string_view suffix) {
    return name.size() >= suffix.size() && FoldCase(name.substr(name.size() - suffix.size())) == suffix;
}

fs::path TemporaryOf(const fs::path& file) { return file.string() + std::string(kTemporarySuffix); }

fs::path FolderOf(const fs::path& file) { return file.has_parent_path() ? file.parent_path() : fs::path("."); }

// fsync through a descriptor of its own: the stream has no way to it.
// flags: O_RDONLY for a file, O_RDONLY | O_DIRECTORY for a folder.
int SyncPath(const fs::path& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return errno;
    const int result = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return result;
}

bool WriteTemporary(const fs::path& temporary, const fs::path& file, const StreamWriter& write) {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out.is_open() || !Allowed(WriteStep::Write, file)) return false;
    bool complete = false;
    try {
        complete = write && write(out);
    } catch (const std::exception& e) {
        DebugPrintf("%s: %s\n", file.c_str(), e.what());
        return false;
    }
    // Buffered bytes reach the medium only here; a full medium shows now.
    out.flush();
    complete = complete && out.good();
    out.close();
    return complete && !out.fail();
}

// The complete temporary of file, synced to the medium; on failure none.
bool Prepare(const fs::path& file, const StreamWriter& write) {
    const fs::path temporary = TemporaryOf(file);
    if (WriteTemporary(temporary, file, write) && Allowed(WriteStep::SyncFile, file) &&
        SyncPath(temporary, O_RDONLY) == 0)
        return true;
    std::error_code ec;
    fs::remove(temporary, ec);
    return false;
}

bool RenameIntoPlace(const fs::path& file) {
    if (!Allowed(WriteStep::Rename, file)) return false;
    std::error_code ec;
    fs::rename(TemporaryOf(file), file, ec);
    if (ec) DebugPrintf("%s: not renamed into place (%s)\n", file.c_str(), ec.message().c_str());
    return !ec;
}

void SyncFolder(const fs::path& file) {
    const int error = Allowed(WriteStep::SyncFolder, file) ? SyncPath(FolderOf(file), O_RDONLY | O_DIRECTORY) : EIO;
    // Some file systems cannot sync a folder (EINVAL); there is nothing more to do.
    if (error != 0 && error != EINVAL) DebugPrintf("%s: folder not synced (errno %d)\n", file.c_str(), error);
}

void RemoveTemporaries(const std::vector<HostFileWrite>& files, size_t count) {
    std::error_code ec;
    for (size_t i = 0; i < count; ++i) fs::remove(TemporaryOf(files[i].file), ec);
}

bool InOneFolder(const std::vector<HostFileWrite>& files) {
    for (const HostFileWrite& f : files)
        if (FolderOf(f.file) != FolderOf(files.front().file) || !f.file.has_filename()) return false;
    return true;
}

bool WriteJournal(const fs::path& journal, const std::vector<HostFileWrite>& files) {
    return WriteHostFileDurably(journal, [&files](std::ostream& os) {
        for (const HostFileWrite& f : files) os << f.file.filename().string() << '\n';
        return static_cast<bool>(os);
    });
}

// A name a journal may list: one file of its own folder.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// Completes the renames of the set a journal lists, then drops the journal.
void FinishSet(const fs::path& journal) {
    std::error_code ec;
    const uintmax_t size = fs::file_size(journal, ec);
    std::ifstream in(journal, std::ios::binary);
    std::string name;
    while (!ec && size <= kMaxJournalBytes && std::getline(in, name)) {
        const fs::path file = FolderOf(journal) / name;
        if (IsPlainName(name) && fs::is_regular_file(TemporaryOf(file), ec)) fs::rename(TemporaryOf(file), file, ec);
        if (ec) DebugPrintf("%s: not completed (%s)\n", file.c_str(), ec.message().c_str());
        ec.clear();
    }
    in.close();
    SyncFolder(journal);
    fs::remove(journal, ec);
}

}  // namespace

bool WriteHostFileDurably(const fs::path& file, const StreamWriter& write) {
    if (!Prepare(file, write)) return false;
    if (!RenameIntoPlace(file)) {
        std::error_code ec;
        fs::remove(TemporaryOf(file), ec);
        return false;
    }
    SyncFolder(file);
    return true;
}

bool WriteHostFilesDurably(const std::vector<HostFileWrite>& files) {
    if (files.size() == 1) return WriteHostFileDurably(files[0].file, files[0].write);
    if (files.empty() || !InOneFolder(files)) return files.empty();
    size_t prepared = 0;
    while (prepared < files.size() && Prepare(files[prepared].file, files[prepared].write)) ++prepared;
    const fs::path journal = files.front().file.string() + std::string(kJournalSuffix);
    if (prepared < files.size() || !WriteJournal(journal, files)) {
        RemoveTemporaries(files, prepared);
        return false;
    }
    std::error_code ec;
    // Nothing replaced yet: the set can still be given up.
    if (!RenameIntoPlace(files.front().file)) {
        fs::remove(journal, ec);
        RemoveTemporaries(files, files.size());
        return false;
    }
    bool renamed = true;
    for (size_t i = 1; i < files.size(); ++i) renamed = RenameIntoPlace(files[i].file) && renamed;
    SyncFolder(files.back().file);
    if (renamed) fs::remove(journal, ec);
    return renamed;
}

int SettleUnfinishedWrites(const fs::path& folder) {
    std::vector<fs::path> journals, temporaries;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file(ec)) continue;
        if (EndsWithFolded(name, kJournalSuffix))
            journals.push_back(entry.path());
        else if (EndsWithFolded(name, kTemporarySuffix) || EndsWithFolded(name, kOldTemporarySuffix))
            temporaries.push_back(entry.path());
    }
    for (const fs::path& journal : journals) FinishSet(journal);
    int removed = 0;
    for (const fs::path& temporary : temporaries) removed += fs::remove(temporary, ec) ? 1 : 0;
    return removed;
}

void SetWriteStepHook(WriteStepHook hook) { Hook() = std::move(hook); }

}  // namespace platform
