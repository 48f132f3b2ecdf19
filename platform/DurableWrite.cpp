#include "platform/DurableWrite.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <fstream>

#include "platform/Debug.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

WriteStepHook& Hook() {
    static WriteStepHook hook;
    return hook;
}

bool Allowed(WriteStep step, const fs::path& file) { return !Hook() || Hook()(step, file); }

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

void SyncFolder(const fs::path& file) {
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const int error = Allowed(WriteStep::SyncFolder, file) ? SyncPath(folder, O_RDONLY | O_DIRECTORY) : EIO;
    // Some file systems cannot sync a folder (EINVAL); there is nothing more to do.
    if (error != 0 && error != EINVAL) DebugPrintf("%s: folder not synced (errno %d)\n", file.c_str(), error);
}

}  // namespace

bool WriteHostFileDurably(const fs::path& file, const StreamWriter& write) {
    const fs::path temporary = file.string() + ".tmp";
    std::error_code ec;
    const bool ready = WriteTemporary(temporary, file, write) && Allowed(WriteStep::SyncFile, file) &&
                       SyncPath(temporary, O_RDONLY) == 0 && Allowed(WriteStep::Rename, file);
    if (ready) {
        fs::rename(temporary, file, ec);
        if (!ec) {
            SyncFolder(file);
            return true;
        }
    }
    fs::remove(temporary, ec);
    return false;
}

void SetWriteStepHook(WriteStepHook hook) { Hook() = std::move(hook); }

}  // namespace platform
