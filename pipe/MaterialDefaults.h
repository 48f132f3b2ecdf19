#pragma once
// pipe/MaterialDefaults.h — the built-in material table: names (string-table
// ids and English texts), groups, bands and recommended cut-offs per slot.

#include <cstdint>
#include <span>

#include "pipe/Materials.h"

struct BuiltInName {
    int slot;
    uint32_t stringId;
    const char16_t* english;
};

// The named slots 0-12 and 20-23, in slot order.
std::span<const BuiltInName> BuiltInNames();

// The text of a built-in name in the current language (the name source's,
// else English).
std::u16string BuiltInNameText(const BuiltInName& name);

// Slot 0-23 as built in: name, group, bands from band 0, the rest zero.
MaterialEntry BuiltInEntry(int slot);
