#pragma once
// platform/DurableWrite.h — the one way the unit replaces a file, so that
// neither a full medium nor a power cut costs the file saved before.
//
// The bytes go to "<file>.tmp" beside the file; the stream is flushed and
// checked, closed and checked, the temporary is synced to the medium, and
// only then renamed over the file. The folder is synced after the rename so
// that the new name itself survives a power cut. Without the first sync a
// power cut can leave the new name on an empty file; without the checks a
// write that fails when the buffer is flushed at close (a full medium)
// replaces a good file with a short one.
//
// Files that belong together (a run file and its recording) are written as a
// set: every temporary is complete and synced before the first rename, and a
// journal ("<first file>.set.tmp", the set's names one a line) marks the point
// from which the set is complete. A power cut before the journal leaves the
// old set (the start-up tidying removes the temporaries); one after it leaves
// the new set once SettleUnfinishedWrites has finished the renames.

#include <filesystem>
#include <functional>
#include <ostream>
#include <vector>

namespace platform {

// Fills the stream; false (or an exception) means the content is incomplete.
using StreamWriter = std::function<bool(std::ostream&)>;

// Replaces the host file `file` as described above. False when the writer,
// the stream, the sync or the rename failed: the old file is then as it was
// and no temporary is left. A folder that cannot be synced after the rename
// is only reported on the debug output: the new file is in place by then.
bool WriteHostFileDurably(const std::filesystem::path& file, const StreamWriter& write);

// One file of a set.
struct HostFileWrite {
    std::filesystem::path file;
    StreamWriter write;
};

// Replaces every file of the set or none. The files share one folder. False
// when any writer, stream or sync fails before the renames: every old file is
// then as it was and no temporary is left. A rename that fails after the
// journal (a failing medium) also gives false; the journal and the remaining
// temporaries stay so that the next SettleUnfinishedWrites completes the set.
bool WriteHostFilesDurably(const std::vector<HostFileWrite>& files);

// Finishes in a host folder what a power cut left: the renames of every set
// whose journal is in place, then removes every other temporary ("*.tmp", and
// "*.part" from earlier versions). Returns how many temporaries were removed.
int SettleUnfinishedWrites(const std::filesystem::path& folder);

// The steps of a durable write, in order, as a test hook sees them.
enum class WriteStep { Write, SyncFile, Rename, SyncFolder };

// Test seam: called before every step with the file being replaced (for a
// set's journal, the journal); false makes that step fail as a full or
// failing medium would. An empty function removes the hook.
using WriteStepHook = std::function<bool(WriteStep step, const std::filesystem::path& file)>;
void SetWriteStepHook(WriteStepHook hook);

}  // namespace platform
