#pragma once
// platform/Registry.h — the unit's registry: keys with string values, kept in
// memory and written to the unit root by a flush, as the unit's hive registry
// keeps changes only once flushed.

#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class Hive { LocalMachine, CurrentUser };

// Key paths are backslash separated and case-insensitive ("HARDWARE\DEVICEMAP\TOUCH").
bool RegKeyExists(Hive hive, std::string_view key);

// Creates a key and its parents; true when it exists afterwards.
bool RegCreateKey(Hive hive, std::string_view key);

// Removes a key, its values and its sub-keys.
bool RegDeleteKey(Hive hive, std::string_view key);

// A string value, or nothing when the key or value is missing.
std::optional<std::u16string> RegGetString(Hive hive, std::string_view key, std::string_view name);

// Sets a string value, creating the key; false for an empty key path.
bool RegSetString(Hive hive, std::string_view key, std::string_view name, std::u16string_view value);

// Writes the hive to the unit root ("registry/HKLM.reg", "registry/HKCU.reg").
bool RegFlush(Hive hive);

// Forgets unflushed changes by reading the hive again, as a cold start does.
void RegReloadFromDisk();

}  // namespace platform
