#include "pipe/MaterialDefaults.h"
#include "pipe/LanguageText.h"

#include <array>
#include <mutex>

namespace {

using CutoffSet = std::array<CutoffPair, kRangeCount>;

// Recommended cut-offs (Hz) for range index 0-5, general and hydrophone sets.
constexpr CutoffSet kDuctile0{{{600, 5000}, {400, 2500}, {200, 500}, {200, 500}, {0, 500}, {0, 500}}};
constexpr CutoffSet kDuctile100{{{600, 2500}, {400, 2500}, {200, 500}, {200, 500}, {0, 500}, {0, 500}}};
constexpr CutoffSet kDuctile200{{{300, 2500}, {300, 2500}, {200, 500}, {200, 500}, {0, 500}, {0, 500}}};
constexpr CutoffSet kDuctile300{{{300, 2500}, {300, 2500}, {200, 500}, {150, 1200}, {75, 600}, {75, 600}}};
constexpr CutoffSet kDuctile1000{{{150, 1200}, {150, 1200}, {150, 1200}, {150, 1200}, {75, 600}, {75, 600}}};
constexpr CutoffSet kIronHydro{{{0, 600}, {0, 600}, {0, 300}, {0, 300}, {0, 300}, {0, 300}}};
constexpr CutoffSet kCast0{{{300, 2500}, {300, 2500}, {150, 1200}, {150, 1200}, {150, 1200}, {150, 1200}}};
constexpr CutoffSet kCast100{{{300, 2500}, {300, 2500}, {150, 1200}, {0, 1200}, {0, 1200}, {0, 1200}}};
constexpr CutoffSet kSteel0{{{300, 2500}, {300, 2500}, {100, 750}, {100, 750}, {100, 750}, {100, 750}}};
constexpr CutoffSet kSteel900{{{150, 1200}, {150, 1200}, {100, 750}, {100, 750}, {100, 750}, {100, 750}}};
constexpr CutoffSet kSteelHydro{{{0, 600}, {0, 600}, {0, 600}, {0, 300}, {0, 300}, {0, 300}}};
constexpr CutoffSet kCopper{{{300, 5000}, {140, 5000}, {140, 5000}, {0, 750}, {0, 750}, {0, 750}}};
constexpr CutoffSet kSoftHydro{{{0, 1000}, {0, 1000}, {0, 600}, {0, 600}, {0, 600}, {0, 600}}};
constexpr CutoffSet kLead{{{300, 2500}, {140, 2500}, {80, 750}, {0, 750}, {0, 750}, {0, 750}}};
constexpr CutoffSet kAsbestos0{{{300, 2500}, {200, 2500}, {140, 1000}, {0, 750}, {0, 750}, {0, 750}}};
constexpr CutoffSet kAsbestos900{{{150, 1200}, {150, 1200}, {140, 1000}, {0, 750}, {0, 750}, {0, 750}}};
constexpr CutoffSet kPvc{{{0, 300}, {0, 300}, {0, 300}, {0, 300}, {0, 300}, {0, 300}}};
constexpr CutoffSet kPolyethylene{{{80, 300}, {60, 250}, {0, 250}, {0, 250}, {0, 250}, {0, 250}}};
constexpr CutoffSet kPolyethyleneHydro{{{37, 300}, {37, 300}, {37, 300}, {0, 300}, {0, 300}, {0, 75}}};
constexpr CutoffSet kGlass0{{{600, 5000}, {600, 5000}, {600, 5000}, {150, 1200}, {37, 300}, {20, 300}}};
constexpr CutoffSet kGlass100{{{600, 2500}, {600, 2500}, {600, 2500}, {150, 1200}, {37, 300}, {20, 300}}};
constexpr CutoffSet kGlass200{{{300, 2500}, {300, 2500}, {300, 2500}, {150, 1200}, {37, 300}, {20, 300}}};
constexpr CutoffSet kGlass800{{{150, 2500}, {150, 2500}, {150, 2500}, {150, 1200}, {37, 300}, {20, 300}}};
constexpr CutoffSet kGlass1200{{{150, 1200}, {150, 1200}, {150, 1200}, {150, 1200}, {37, 300}, {20, 300}}};
constexpr CutoffSet kGlassHydro{{{75, 600}, {75, 600}, {75, 600}, {37, 300}, {37, 300}, {20, 300}}};
constexpr CutoffSet kMasonrySmall{{{300, 2500}, {300, 2500}, {300, 2500}, {150, 1200}, {20, 1200}, {20, 300}}};
constexpr CutoffSet kMasonryLarge{{{150, 1200}, {150, 1200}, {150, 1200}, {150, 1200}, {20, 1200}, {20, 300}}};
constexpr CutoffSet kMasonryHydro{{{75, 600}, {75, 600}, {75, 600}, {37, 300}, {20, 300}, {20, 300}}};
constexpr CutoffSet kUser{{{150, 5000}, {150, 5000}, {150, 5000}, {75, 1200}, {0, 1200}, {0, 1200}}};
constexpr CutoffSet kUserHydro{{{37, 600}, {37, 600}, {37, 600}, {0, 300}, {0, 300}, {0, 300}}};

struct BandRow {
    float minDiameter, maxDiameter, velocity;  // mm, mm (0 = open), m/s
    const CutoffSet* general;
    const CutoffSet* hydrophone;
};

constexpr BandRow kDuctileIron[] = {
    {0, 99, 1320, &kDuctile0, &kIronHydro},        {100, 199, 1250, &kDuctile100, &kIronHydro},
    {200, 299, 1190, &kDuctile200, &kIronHydro},   {300, 399, 1160, &kDuctile300, &kIronHydro},
    {400, 599, 1130, &kDuctile300, &kIronHydro},   {600, 799, 1080, &kDuctile300, &kIronHydro},
    {800, 999, 1060, &kDuctile300, &kIronHydro},   {1000, 0, 1030, &kDuctile1000, &kIronHydro},
};
constexpr BandRow kCastIron[] = {
    {0, 99, 1280, &kCast0, &kIronHydro},      {100, 199, 1220, &kCast100, &kIronHydro},
    {200, 299, 1160, &kCast100, &kIronHydro}, {300, 399, 1130, &kCast100, &kIronHydro},
    {400, 499, 1100, &kCast100, &kIronHydro}, {500, 699, 1080, &kCast100, &kIronHydro},
    {700, 0, 1030, &kCast100, &kIronHydro},
};
constexpr BandRow kSteel[] = {
    {0, 19, 1400, &kSteel0, &kSteelHydro},    {20, 99, 1300, &kSteel0, &kSteelHydro},
    {100, 199, 1200, &kSteel0, &kSteelHydro}, {200, 299, 1120, &kSteel0, &kSteelHydro},
    {300, 499, 1040, &kSteel0, &kSteelHydro}, {500, 699, 1020, &kSteel0, &kSteelHydro},
    {700, 899, 970, &kSteel0, &kSteelHydro},  {900, 0, 900, &kSteel900, &kSteelHydro},
};
constexpr BandRow kCopperBands[] = {
    {0, 14, 1260, &kCopper, &kSoftHydro}, {15, 24, 1230, &kCopper, &kSoftHydro},
    {25, 59, 1180, &kCopper, &kSoftHydro}, {60, 0, 1150, &kCopper, &kSoftHydro},
};
constexpr BandRow kLeadBands[] = {
    {0, 19, 1200, &kLead, &kSoftHydro}, {20, 0, 1150, &kLead, &kSoftHydro},
};
constexpr BandRow kAsbestosCement[] = {
    {0, 99, 1100, &kAsbestos0, &kSoftHydro},   {100, 199, 1000, &kAsbestos0, &kSoftHydro},
    {200, 349, 960, &kAsbestos0, &kSoftHydro}, {350, 499, 960, &kAsbestos0, &kSoftHydro},
    {500, 699, 910, &kAsbestos0, &kSoftHydro}, {700, 899, 900, &kAsbestos0, &kSoftHydro},
    {900, 0, 880, &kAsbestos900, &kSoftHydro},
};
constexpr BandRow kPvcBands[] = {
    {0, 17, 650, &kPvc, &kPvc},   {18, 22, 630, &kPvc, &kPvc},   {23, 27, 600, &kPvc, &kPvc},
    {28, 49, 540, &kPvc, &kPvc},  {50, 74, 520, &kPvc, &kPvc},   {75, 99, 480, &kPvc, &kPvc},
    {100, 199, 460, &kPvc, &kPvc}, {200, 0, 440, &kPvc, &kPvc},
};
constexpr BandRow kHdpe[] = {
    {0, 17, 360, &kPolyethylene, &kPolyethyleneHydro},  {18, 22, 330, &kPolyethylene, &kPolyethyleneHydro},
    {23, 74, 300, &kPolyethylene, &kPolyethyleneHydro}, {75, 199, 300, &kPolyethylene, &kPolyethyleneHydro},
    {200, 0, 300, &kPolyethylene, &kPolyethyleneHydro},
};
constexpr BandRow kMdpe[] = {
    {0, 17, 300, &kPolyethylene, &kPolyethyleneHydro},  {18, 22, 270, &kPolyethylene, &kPolyethyleneHydro},
    {23, 74, 240, &kPolyethylene, &kPolyethyleneHydro}, {75, 199, 240, &kPolyethylene, &kPolyethyleneHydro},
    {200, 0, 250, &kPolyethylene, &kPolyethyleneHydro},
};
constexpr BandRow kFibreglass[] = {
    {0, 49, 1330, &kGlass0, &kGlassHydro},         {50, 99, 1280, &kGlass0, &kGlassHydro},
    {100, 199, 1210, &kGlass100, &kGlassHydro},    {200, 399, 1180, &kGlass200, &kGlassHydro},
    {400, 799, 1160, &kGlass200, &kGlassHydro},    {800, 1199, 1150, &kGlass800, &kGlassHydro},
    {1200, 1999, 1150, &kGlass1200, &kGlassHydro}, {2000, 0, 1140, &kGlass1200, &kGlassHydro},
};
constexpr BandRow kConcrete[] = {
    {0, 499, 1160, &kMasonrySmall, &kMasonryHydro},     {500, 699, 1100, &kMasonrySmall, &kMasonryHydro},
    {700, 899, 1030, &kMasonrySmall, &kMasonryHydro},   {900, 1199, 1020, &kMasonryLarge, &kMasonryHydro},
    {1200, 1799, 1010, &kMasonryLarge, &kMasonryHydro}, {1800, 0, 1000, &kMasonryLarge, &kMasonryHydro},
};
constexpr BandRow kClay[] = {
    {0, 99, 1100, &kMasonrySmall, &kMasonryHydro},    {100, 199, 1100, &kMasonrySmall, &kMasonryHydro},
    {200, 349, 1100, &kMasonrySmall, &kMasonryHydro}, {350, 499, 1100, &kMasonryLarge, &kMasonryHydro},
    {500, 699, 1100, &kMasonryLarge, &kMasonryHydro}, {700, 899, 1100, &kMasonryLarge, &kMasonryHydro},
    {900, 0, 1100, &kMasonryLarge, &kMasonryHydro},
};
constexpr BandRow kLdpe[] = {
    {0, 17, 310, &kPolyethylene, &kPolyethyleneHydro},  {18, 22, 290, &kPolyethylene, &kPolyethyleneHydro},
    {23, 74, 230, &kPolyethylene, &kPolyethyleneHydro}, {75, 0, 230, &kPolyethylene, &kPolyethyleneHydro},
};
constexpr BandRow kUserDefined[] = {
    {0, 49, 1000, &kUser, &kUserHydro},       {50, 99, 1000, &kUser, &kUserHydro},
    {100, 149, 1000, &kUser, &kUserHydro},    {150, 199, 1000, &kUser, &kUserHydro},
    {200, 249, 1000, &kUser, &kUserHydro},    {250, 299, 1000, &kUser, &kUserHydro},
    {300, 349, 1000, &kUser, &kUserHydro},    {350, 399, 1000, &kUser, &kUserHydro},
    {400, 449, 1000, &kUser, &kUserHydro},    {450, 499, 1000, &kUser, &kUserHydro},
    {500, 599, 1000, &kUser, &kUserHydro},    {600, 699, 1000, &kUser, &kUserHydro},
    {700, 799, 1000, &kUser, &kUserHydro},    {800, 899, 1000, &kUser, &kUserHydro},
    {900, 999, 1000, &kUser, &kUserHydro},    {1000, 1199, 1000, &kUser, &kUserHydro},
    {1200, 1399, 1000, &kUser, &kUserHydro},  {1400, 1599, 1000, &kUser, &kUserHydro},
    {1600, 1799, 1000, &kUser, &kUserHydro},  {1800, 1999, 1000, &kUser, &kUserHydro},
    {2000, 0, 1000, &kUser, &kUserHydro},
};

struct BuiltInMaterial {
    int32_t group;
    std::span<const BandRow> bands;
};

// Slots 0-12; 13-19 are empty and 20-23 are the user-defined ones.
const BuiltInMaterial kMaterials[] = {
    {0, kDuctileIron}, {0, kCastIron}, {0, kSteel}, {0, kCopperBands}, {0, kLeadBands},
    {2, kAsbestosCement}, {1, kPvcBands}, {1, kHdpe}, {1, kMdpe}, {1, kFibreglass},
    {2, kConcrete}, {2, kClay}, {1, kLdpe},
};
constexpr int32_t kUserGroup = 2;
constexpr int32_t kEmptySlotGroup = 2;

constexpr BuiltInName kNames[] = {
    {0, 142, u"DUCTILE IRON"}, {1, 143, u"CAST IRON"},   {2, 144, u"STEEL"},
    {3, 145, u"COPPER"},       {4, 148, u"LEAD"},        {5, 147, u"ASBESTOS CEMENT"},
    {6, 175, u"PVC"},          {7, 176, u"HDPE"},        {8, 177, u"MDPE"},
    {9, 178, u"FIBREGLASS"},   {10, 179, u"CONCRETE"},   {11, 180, u"CLAY"},
    {12, 227, u"LDPE"},        {20, 161, u"USER-DEFINED MATERIAL 1"}, {21, 162, u"USER-DEFINED MATERIAL 2"},
    {22, 163, u"USER-DEFINED MATERIAL 3"}, {23, 164, u"USER-DEFINED MATERIAL 4"},
};

std::mutex g_sourceMutex;
MaterialNameSource g_nameSource;

DiameterBand MakeBand(const BandRow& row) {
    DiameterBand band{};
    band.minDiameter = row.minDiameter;
    band.maxDiameter = row.maxDiameter;
    band.velocity = row.velocity;
    for (int i = 0; i < kRangeCount; ++i) {
        band.general[i] = (*row.general)[static_cast<size_t>(i)];
        band.hydrophone[i] = (*row.hydrophone)[static_cast<size_t>(i)];
    }
    return band;
}

void FillBands(MaterialEntry& entry, std::span<const BandRow> rows) {
    for (size_t i = 0; i < rows.size(); ++i) entry.bands[i] = MakeBand(rows[i]);
}

}  // namespace

void SetMaterialNameSource(MaterialNameSource source) {
    std::lock_guard lock(g_sourceMutex);
    g_nameSource = std::move(source);
}

std::span<const BuiltInName> BuiltInNames() { return kNames; }

std::u16string BuiltInNameText(const BuiltInName& name) { return LanguageText(name.stringId, name.english); }

std::u16string LanguageText(uint32_t stringId, std::u16string_view english) {
    std::lock_guard lock(g_sourceMutex);
    if (g_nameSource) {
        if (std::optional<std::u16string> text = g_nameSource(stringId)) return *text;
    }
    return std::u16string(english);
}

MaterialEntry BuiltInEntry(int slot) {
    MaterialEntry entry;
    for (const BuiltInName& name : kNames) {
        if (name.slot == slot) entry.name = BuiltInNameText(name);
    }
    if (slot >= 0 && slot < static_cast<int>(std::size(kMaterials))) {
        entry.group = kMaterials[slot].group;
        FillBands(entry, kMaterials[slot].bands);
    } else if (slot >= CMaterials::kFirstUserSlot && slot < CMaterials::kSlotCount) {
        entry.group = kUserGroup;
        FillBands(entry, kUserDefined);
    } else {
        entry.group = kEmptySlotGroup;
    }
    return entry;
}
