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

#include <filesystem>
#include <functional>
#include <ostream>

namespace platform {

// Fills the stream; false (or an exception) means the content is incomplete.
using StreamWriter = std::function<bool(std::ostream&)>;

// Replaces the host file `file` as described above. False when the writer,
// the stream, the sync or the rename failed: the old file is then as it was
// and no temporary is left. A folder that cannot be synced after the rename
// is only reported on the debug output: the new file is in place by then.
bool WriteHostFileDurably(const std::filesystem::path& file, const StreamWriter& write);

// The steps of a durable write, in order, as a test hook sees them.
enum class WriteStep { Write, SyncFile, Rename, SyncFolder };

// Test seam: called before every step with the file being replaced; false
// makes that step fail as a full or failing medium would. An empty function
// removes the hook.
using WriteStepHook = std::function<bool(WriteStep step, const std::filesystem::path& file)>;
void SetWriteStepHook(WriteStepHook hook);

}  // namespace platform
