#include "pipe/Materials.h"

#include <algorithm>
#include <memory>
#include <new>
#include <sstream>

#include "archive/Archive.h"
#include "pipe/MaterialDefaults.h"
#include "platform/Files.h"

CMaterials* g_materials = nullptr;

namespace {

constexpr archive::Tag kMaterialsMagic = archive::MakeTag("TKMd");
constexpr archive::Tag kDataTag = archive::MakeTag("Data");
constexpr int32_t kFileVersion = 2;
constexpr int16_t kFileType = 1;

constexpr MaterialColour kSlotColours[] = {
    {240, 0, 0},   {128, 64, 0},   {0, 150, 0},   {128, 128, 0},   {120, 240, 0},
    {240, 120, 0}, {0, 120, 240},  {0, 0, 120},   {120, 0, 120},   {240, 240, 0},
    {180, 180, 180}, {0, 0, 240},  {0, 240, 240},
};
constexpr MaterialColour kEmptySlotColour{150, 150, 130};  // slots 13-19
constexpr MaterialColour kUserSlotColour{120, 120, 120};   // slots 20-23

void WriteEntry(std::ostream& os, const MaterialEntry& entry) {
    archive::CStringWrite(entry.name, os);
    archive::WriteInt32(os, entry.group);
    for (const DiameterBand& band : entry.bands) WriteDiameterBand(os, band);
}

void ReadEntry(std::istream& is, MaterialEntry& entry) {
    archive::CStringRead(entry.name, is);
    archive::ReadInt32(is, entry.group);
    archive::Require(!is.fail(), CMaterials::kUnknownFileType);
    for (DiameterBand& band : entry.bands) ReadDiameterBand(is, band);
    archive::Require(!is.fail(), CMaterials::kUnknownFileType);
}

bool ValidBand(int band) { return band >= 0 && band < MaterialEntry::kBandCount; }

}  // namespace

int MaterialEntry::ListedBandCount() const {
    return static_cast<int>(std::count_if(bands.begin(), bands.end(), [](const DiameterBand& b) { return !b.IsEmpty(); }));
}

CMaterials::CMaterials() { LoadDefaults(); }

void CMaterials::LoadDefaults() {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        m_slots[static_cast<size_t>(slot)] = BuiltInEntry(slot);
        m_builtInNames[static_cast<size_t>(slot)] = m_slots[static_cast<size_t>(slot)].name;
    }
}

void CMaterials::ReloadNames() {
    for (const BuiltInName& builtIn : BuiltInNames()) {
        const auto slot = static_cast<size_t>(builtIn.slot);
        std::u16string& name = m_slots[slot].name;
        const std::u16string text = BuiltInNameText(builtIn);
        if (name == m_builtInNames[slot] || name == builtIn.english) name = text;
        m_builtInNames[slot] = text;
    }
}

void CMaterials::WriteTo(std::ostream& os) const {
    std::ostringstream data;
    for (const MaterialEntry& entry : m_slots) WriteEntry(data, entry);
    archive::WriteTag(os, kMaterialsMagic);
    archive::WriteInt32(os, kFileVersion);
    archive::WriteInt16(os, kFileType);
    archive::WriteChunk(os, kDataTag, data.str());
}

void CMaterials::ReadFrom(std::istream& is) {
    using namespace archive;
    archive::Require(ReadTag(is) == kMaterialsMagic && !is.fail(), CMaterials::kUnknownFileType);
    int32_t version = 0;
    ReadInt32(is, version);
    archive::Require(!is.fail() && version == kFileVersion, CMaterials::kUnknownFileType);
    int16_t type = 0;
    ReadInt16(is, type);
    archive::Require(!is.fail() && type == kFileType, CMaterials::kUnknownFileType);
    archive::Require(ReadTag(is) == kDataTag && !is.fail(), CMaterials::kUnknownFileType);
    int32_t size = 0;
    ReadInt32(is, size);  // the slots say how long the block is
    archive::Require(!is.fail(), CMaterials::kUnknownFileType);
    // Read whole into a copy, so that a short file leaves the table as it was.
    auto read = std::make_unique<std::array<MaterialEntry, kSlotCount>>();
    for (MaterialEntry& entry : *read) ReadEntry(is, entry);
    m_slots = *read;
}

bool CMaterials::LoadFrom(std::istream& is) {
    try {
        ReadFrom(is);
        return true;
    } catch (const archive::ArchiveError&) {
        LoadDefaults();
        return false;
    }
}

bool CMaterials::Load() {
    std::ifstream file = platform::OpenForRead(kFile);
    if (!file.is_open()) {
        LoadDefaults();
        return false;
    }
    return LoadFrom(file);
}

bool CMaterials::Save() const {
    std::ostringstream out;
    WriteTo(out);
    return platform::WriteFileAtomic(kFile, out.str(), platform::kAttrHidden);
}

MaterialColour CMaterials::SlotColour(int slot) {
    if (slot >= 0 && slot < static_cast<int>(std::size(kSlotColours))) return kSlotColours[slot];
    if (slot >= kFirstUserSlot && slot < kSlotCount) return kUserSlotColour;
    if (slot >= 0 && slot < kFirstUserSlot) return kEmptySlotColour;
    return kUnknownMaterialColour;
}

MaterialColour CMaterials::ColourForName(std::u16string_view name) const {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (m_slots[static_cast<size_t>(slot)].name == name) return SlotColour(slot);
    }
    return kUnknownMaterialColour;
}

bool CMaterials::EditBand(int slot, int band, float minDiameter, float maxDiameter, float velocity) {
    if (!ValidBand(band)) return false;
    DiameterBand& b = Slot(slot).bands[static_cast<size_t>(band)];
    b.minDiameter = minDiameter;
    b.maxDiameter = maxDiameter;
    b.velocity = velocity;
    return true;
}

int CMaterials::NewBand(int slot, float minDiameter, float maxDiameter, float velocity) {
    // The table has 36 band slots and no more; a full material takes no
    // further entry (the screen offers none). A stored table may leave empty
    // slots between its bands: the new band goes after the last one in use,
    // or, when that is the 36th, into the first empty slot, never over a band.
    const auto& bands = Slot(slot).bands;
    const auto empty = [](const DiameterBand& b) { return b.IsEmpty(); };
    auto free = std::find_if_not(bands.rbegin(), bands.rend(), empty).base();  // after the last band in use
    if (free == bands.end()) free = std::find_if(bands.begin(), bands.end(), empty);
    if (free == bands.end()) return -1;
    const int index = static_cast<int>(free - bands.begin());
    EditBand(slot, index, minDiameter, maxDiameter, velocity);
    return index;
}

bool CMaterials::DeleteBand(int slot, int band) {
    if (!ValidBand(band)) return false;
    auto& bands = Slot(slot).bands;
    std::move(bands.begin() + band + 1, bands.end(), bands.begin() + band);
    DiameterBand& last = bands.back();
    last.minDiameter = 0.0f;
    last.maxDiameter = 0.0f;
    last.velocity = 0.0f;
    return true;
}

void CreateGlobalMaterials() {
    if (g_materials) return;
    try {
        g_materials = new CMaterials;
    } catch (const std::bad_alloc&) {
        g_materials = nullptr;
        return;
    }
    g_materials->Load();
}

void DestroyGlobalMaterials() {
    if (!g_materials) return;
    g_materials->Save();
    delete g_materials;
    g_materials = nullptr;
}
