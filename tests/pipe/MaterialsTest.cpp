// The material table: built-in values, the database file on a unit root,
// silent fallback, colours, names by language and band editing.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "Bytes.h"
#include "FileSizeLimit.h"
#include "TempUnitRoot.h"
#include "pipe/Materials.h"
#include "platform/Files.h"

namespace {

std::string TableBytes(const CMaterials& table) {
    std::ostringstream os;
    table.WriteTo(os);
    return os.str();
}

// The built-in table with one velocity and one name changed, so that a load
// that took the file can be told from the fallback.
CMaterials EditedTable() {
    CMaterials t;
    t.Slot(2).bands[0].velocity = 1444.0f;
    t.Slot(20).name = u"MY PIPE";
    return t;
}

bool IsBuiltIn(const CMaterials& t) { return t.Slot(2).bands[0].velocity == 1400.0f && t.Slot(20).name != u"MY PIPE"; }

}  // namespace

TEST(MaterialDatabase, FirstStartUsesBuiltInTableAndShutdownWritesItWhole) {
    TempUnitRoot root;
    CreateGlobalMaterials();
    ASSERT_NE(g_materials, nullptr);
    EXPECT_EQ(g_materials->Slot(0).name, u"DUCTILE IRON");
    DestroyGlobalMaterials();
    EXPECT_EQ(g_materials, nullptr);
    // 18 header bytes; per slot a 4-byte count and 2 bytes per name unit,
    // the group and 36 x 108 band bytes. The 17 names hold 180 units.
    const uint64_t expected = 18 + 24 * (4 + 4 + 3888) + 2 * 180;
    EXPECT_EQ(std::filesystem::file_size(platform::HostPath(CMaterials::kFile)), expected);
    EXPECT_TRUE(platform::GetFileAttributes(CMaterials::kFile) & platform::kAttrHidden);
}

TEST(MaterialDatabase, HeaderAndFirstSlotAreTheHandBuiltBytes) {
    const std::string file = TableBytes(CMaterials());
    const std::string header = std::string("TKMd") + bytes::I32(2) + bytes::I16(1) + "Data" + bytes::I32(93864);
    EXPECT_EQ(file.substr(0, 18), header);
    std::string slot0 = bytes::Str("DUCTILE IRON") + bytes::I32(0) + bytes::F32(0) + bytes::F32(99) +
                        bytes::F32(1320) + bytes::I32(600) + bytes::I32(5000) + bytes::I32(400) + bytes::I32(2500);
    EXPECT_EQ(file.substr(18, slot0.size()), slot0);
}

TEST(MaterialDatabase, AFullMediumKeepsTheTableSavedBefore) {
    TempUnitRoot root;
    ASSERT_TRUE(EditedTable().Save());
    {
        const FileSizeLimit full(4096);
        EXPECT_FALSE(CMaterials().Save());
    }
    CMaterials loaded;
    EXPECT_TRUE(loaded.Load());
    EXPECT_EQ(TableBytes(loaded), TableBytes(EditedTable()));
}

TEST(MaterialDatabase, ForeignOrDamagedFilesFallBackToBuiltInSilently) {
    const std::string good = TableBytes(EditedTable());
    std::string version1 = good;
    version1.replace(4, 4, bytes::I32(1));
    std::string marker = good;
    marker.replace(8, 2, bytes::I16(2));
    std::string tag = good;
    tag[10] = 'd';
    std::string hostileName = good;
    hostileName.replace(18, 4, bytes::I32(0x7FFFFFFF));
    for (const std::string& file : {version1, marker, tag, hostileName, good.substr(0, good.size() - 1),
                                    good.substr(0, 17), std::string()}) {
        CMaterials t = EditedTable();
        std::istringstream is(file);
        EXPECT_FALSE(t.LoadFrom(is));
        EXPECT_TRUE(IsBuiltIn(t));
    }
}

TEST(MaterialColours, ByFirstSlotWithTheExactName) {
    const CMaterials t;
    EXPECT_EQ(t.ColourForName(u"STEEL"), (MaterialColour{0, 150, 0}));
    EXPECT_EQ(t.ColourForName(u""), (MaterialColour{150, 150, 130}));
    EXPECT_EQ(t.ColourForName(u"IRON"), (MaterialColour{150, 150, 150}));
    EXPECT_EQ(t.ColourForName(u"steel"), (MaterialColour{150, 150, 150}));
}

// A language change used to write the built-in names over every named slot,
// and the table was saved at shutdown: "MY PIPE" became "USER-DEFINED
// MATERIAL 1" for good. Typed, renamed and emptied names stay; built-in
// names follow the language there and back.
TEST(MaterialNames, LanguageChangeRenamesBuiltInNamesAndKeepsTypedOnes) {
    CMaterials t = EditedTable();  // slot 20 "MY PIPE", steel's velocity edited
    const std::map<int, std::u16string> typed{{6, u"PVC-U"}, {7, u""}, {20, u"MY PIPE"}};
    for (const auto& [slot, name] : typed) t.Slot(slot).name = name;
    SetMaterialNameSource([](uint32_t id) -> std::optional<std::u16string> {
        return id == 144 ? u"STAHL" : id == 162 ? u"BENUTZER 2" : std::optional<std::u16string>();
    });
    t.ReloadNames();
    EXPECT_EQ(std::vector({t.Slot(2).name, t.Slot(21).name, t.Slot(3).name}),
              std::vector<std::u16string>({u"STAHL", u"BENUTZER 2", u"COPPER"}));
    EXPECT_EQ(t.Slot(2).bands[0].velocity, 1444.0f);
    SetMaterialNameSource({});
    t.ReloadNames();
    EXPECT_EQ(std::vector({t.Slot(2).name, t.Slot(21).name}),
              std::vector<std::u16string>({u"STEEL", u"USER-DEFINED MATERIAL 2"}));
    for (const auto& [slot, name] : typed) EXPECT_EQ(t.Slot(slot).name, name) << slot;
}

TEST(MaterialBands, NewEntryKeepsTheSlotsCutoffsAndDeleteShiftsUp) {
    CMaterials t;
    t.Slot(4).bands[2].general[0] = {11, 22};  // left by an earlier deletion
    EXPECT_EQ(t.NewBand(4, 50.0f, 0.0f, 1100.0f), 2);
    EXPECT_EQ(t.Slot(4).bands[2].general[0].high, 22);
    EXPECT_TRUE(t.DeleteBand(4, 0));
    EXPECT_EQ(t.Slot(4).bands[0].minDiameter, 20.0f);
    EXPECT_EQ(t.Slot(4).bands[1].velocity, 1100.0f);
    EXPECT_EQ(t.Slot(4).ListedBandCount(), 2);
    EXPECT_FALSE(t.DeleteBand(4, 36));
}

// A stored table may leave an empty slot between bands: NEW ENTRY took the
// slot at the listed count and wrote over the band there. A material whose
// 36 bands are all in use takes no entry (it was once written into a 37th
// band past the material).
TEST(MaterialBands, NewEntryNeverWritesOverABand) {
    std::vector<int> all(MaterialEntry::kBandCount);
    for (int i = 0; i < MaterialEntry::kBandCount; ++i) all[static_cast<size_t>(i)] = i;
    struct Row { std::vector<int> used; int slot; };
    const Row rows[] = {{{0, 2}, 3}, {{1}, 2}, {{0, 1, 35}, 2}, {all, -1}};
    for (const Row& row : rows) {
        CMaterials t;
        MaterialEntry& user = t.Slot(20);
        user.bands = {};
        for (int i : row.used) user.bands[static_cast<size_t>(i)] = {10.0f * i, 10.0f * i + 9, 1000.0f + i, {}, {}};
        const std::string before = TableBytes(t);
        EXPECT_EQ(t.NewBand(20, 500.0f, 0.0f, 777.0f), row.slot) << row.slot;
        if (row.slot < 0) {
            EXPECT_EQ(TableBytes(t), before);
            continue;
        }
        for (int i : row.used) EXPECT_EQ(user.bands[static_cast<size_t>(i)].velocity, 1000.0f + i) << i;
        EXPECT_EQ(user.bands[static_cast<size_t>(row.slot)].velocity, 777.0f);
    }
}
