#pragma once
// platform/Paths.h — the unit's flash file system on a host folder.
//
// Device paths are the unit's own ("\NandFlash\Data\A1.corr"): backslash
// separated, rooted, matched case-insensitively like the unit's file system.
// They map to a host folder, the unit root ("--root DIR", else
// $CORRELATOR_ROOT, else "./unit"). Names are stored as given.

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// Sets the host folder that stands for the unit's root "\"; it and its flash
// volume "NandFlash" are created when missing. Drops every cache kept for the
// previous root (registry, attributes, clock offset) so that a test can start
// from a clean unit.
void SetUnitRoot(const std::filesystem::path& root);

// The unit root in use; the default is chosen on first use.
const std::filesystem::path& UnitRoot();

// Host path of a device path. Each component is matched case-insensitively
// against what exists; components that do not exist keep their spelling.
// Forward slashes are accepted as separators too.
std::filesystem::path HostPath(std::string_view devicePath);

// "\NandFlash\Data\" + "A1.corr"; inserts one backslash when needed.
std::string JoinDevicePath(std::string_view folder, std::string_view name);

// Splits "\NandFlash\Data\*.corr" into folder "\NandFlash\Data\" and "*.corr".
void SplitDevicePath(std::string_view path, std::string& folder, std::string& name);

// Lower-case ASCII copy; the unit's names compare this way.
std::string FoldCase(std::string_view s);

// Called by SetUnitRoot; each module that caches per-root state registers one.
using RootChangedHook = void (*)();
void OnUnitRootChanged(RootChangedHook hook);

}  // namespace platform
