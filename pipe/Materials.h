#pragma once
// pipe/Materials.h — the material table: 24 slots of name, group and up to 36
// diameter bands (speed of sound and recommended cut-offs), with the
// built-in values and the database file "\NandFlash\tamrik.db".
//
// Slots 0-12 are built-in materials, 13-19 empty, 20-23 user-defined.
// Names come from the string table through the material name source, so
// that they follow the language.

#include <array>
#include <cstdint>
#include <functional>
#include <istream>
#include <optional>
#include <ostream>
#include <string>

#include "pipe/DiameterBand.h"

struct MaterialColour {
    uint8_t r, g, b;
    bool operator==(const MaterialColour&) const = default;
};

// The colour of a name that matches no slot.
constexpr MaterialColour kUnknownMaterialColour{150, 150, 150};

struct MaterialEntry {
    static constexpr int kBandCount = 36;
    std::u16string name;  // shown on the material buttons; empty = slot not offered
    int32_t group = 2;    // 0 metallic, 1 plastic, 2 other
    std::array<DiameterBand, kBandCount> bands{};  // ascending; unused ones all zero

    // Bands in use (not empty), i.e. the lines a band list shows.
    int ListedBandCount() const;
};

// A language's text for a string-table id, or nothing to keep the English one.
using MaterialNameSource = std::function<std::optional<std::u16string>(uint32_t stringId)>;
// Installed by whoever owns the language's string table; empty for English.
void SetMaterialNameSource(MaterialNameSource source);

class CMaterials {
public:
    static constexpr int kSlotCount = 24;
    static constexpr int kFirstUserSlot = 20;  // slots from here on hold the user's own materials
    static constexpr const char* kFile = "\\NandFlash\\tamrik.db";
    static constexpr const char* kUnknownFileType = "CMaterials Read: Unknown file type";

    // The built-in table; Load reads the file over it.
    CMaterials();

    // Reads kFile; when it is missing or unreadable in any way the built-in
    // table stays in force, silently. True when the file's table was taken.
    bool Load();
    // The same from an open stream.
    bool LoadFrom(std::istream& is);
    // Replaces all 24 slots with the built-in table.
    void LoadDefaults();
    // Writes kFile whole (never half-written) and marks it hidden; false when
    // it could not be written, and the old file stays.
    bool Save() const;
    // The file's bytes: "TKMd", 2, int16 1, "Data", size, 24 slots.
    void WriteTo(std::ostream& os) const;
    // Reads the whole table before taking it; raises kUnknownFileType (or the
    // archive's string error) and leaves the table alone on any failure.
    void ReadFrom(std::istream& is);

    // After a language change: slots 0-12 and 20-23 whose name still is the
    // slot's built-in name (in the language in force before, or in English)
    // take it from the string table again; a name the user typed, or emptied,
    // is kept, and so are 13-19 and all bands.
    void ReloadNames();

    // Colour of the first slot with exactly this name, else kUnknownMaterialColour.
    MaterialColour ColourForName(std::u16string_view name) const;
    // The fixed colour of slot 0-23.
    static MaterialColour SlotColour(int slot);

    // Slot 0-23; throws std::out_of_range beyond.
    const MaterialEntry& Slot(int slot) const { return m_slots.at(static_cast<size_t>(slot)); }
    MaterialEntry& Slot(int slot) { return m_slots.at(static_cast<size_t>(slot)); }

    // Band editing of the velocity table screen. The diameters (mm) and the
    // velocity (m/s) replace those of the band; its cut-offs stay.
    bool EditBand(int slot, int band, float minDiameter, float maxDiameter, float velocity);
    // A new band in the slot after the last band in use (else in the first
    // empty slot), keeping the cut-offs that slot held; never over a band.
    // -1 and nothing changed when all 36 are in use, else its index.
    int NewBand(int slot, float minDiameter, float maxDiameter, float velocity);
    // Following bands move up one; the last then gets diameters and velocity 0.
    bool DeleteBand(int slot, int band);

private:
    std::array<MaterialEntry, kSlotCount> m_slots;
    // The built-in name each slot was last given, in the language then in force.
    std::array<std::u16string, kSlotCount> m_builtInNames;
};

// The program's one table: created at start-up, saved and deleted at
// shutdown; null before, after, or when it could not be created.
extern CMaterials* g_materials;

// Creates g_materials and loads it (silent fallback to the built-in table).
void CreateGlobalMaterials();
// Saves and deletes g_materials.
void DestroyGlobalMaterials();
