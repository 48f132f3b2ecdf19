// The unit's file services over a temporary unit root.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <tuple>

#include "FileSizeLimit.h"
#include "TempUnitRoot.h"
#include "platform/DurableWrite.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/RunFiles.h"

using namespace platform;

TEST(DevicePaths, MapUnderTheUnitRootMatchingExistingNamesInAnyCase) {
    TempUnitRoot root;
    root.Put("\\NandFlash\\Data\\A1.corr", "x");
    EXPECT_EQ(HostPath("\\nandflash\\DATA\\a1.CORR"), root.Path() / "NandFlash" / "Data" / "A1.corr");
    // A name that does not exist keeps its spelling.
    EXPECT_EQ(HostPath("\\NandFlash\\New.txt"), root.Path() / "NandFlash" / "New.txt");
    // Never out of the unit root.
    EXPECT_EQ(HostPath("\\..\\..\\etc\\passwd"), root.Path() / "etc" / "passwd");
}

// Without a chosen root (no --root) the unit lives where CORRELATOR_ROOT
// names, its flash volume made. The first look-up fixes the root, so the
// check runs in a fresh process.
TEST(DevicePaths, WithoutAChosenRootTheEnvironmentNamesTheUnit) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::filesystem::path dir = std::filesystem::absolute(::testing::TempDir()) / "corr-default-root";
    EXPECT_EXIT(
        {
            setenv("CORRELATOR_ROOT", dir.c_str(), 1);
            const bool found = UnitRoot() == dir && std::filesystem::is_directory(dir / "NandFlash");
            std::_Exit(found ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    std::filesystem::remove_all(dir);
}

TEST(FilePatterns, WildcardsMatchWholeNamesIgnoringCase) {
    for (auto [pattern, name, matches] : {std::tuple{"*.corr", "A1.CORR", true}, {"A?.corr", "a1.corr", true}, {"*", "", true},
                                          {"*_corr*.wav", "x_corr_1.wav", true}, {"*.corr", "A1.corr.wav", false},
                                          {"A?.corr", "A12.corr", false}})
        EXPECT_EQ(MatchPattern(pattern, name), matches) << pattern << " " << name;
}

TEST(FileSearch, FindsMatchesInNameOrderAndSkipsBookkeeping) {
    TempUnitRoot root;
    root.Put("\\NandFlash\\b.corr", "12");
    root.Put("\\NandFlash\\a.CORR", "1");
    root.Put("\\NandFlash\\a.wav", "1");
    FileFinder finder;
    FindData d;
    ASSERT_TRUE(finder.First("\\NandFlash\\*.corr", d));
    EXPECT_EQ(d.name, "a.CORR");
    ASSERT_TRUE(finder.Next(d));
    EXPECT_EQ(d.name, "b.corr");
    EXPECT_EQ(d.size, 2u);
    EXPECT_FALSE(finder.Next(d));
    EXPECT_FALSE(finder.First("\\NandFlash\\*.comp", d));
    EXPECT_TRUE(FindFiles("\\*").size() == 1);  // NandFlash only, not the attribute store
}

TEST(FileAttributes, ReadBackAsSetAndSurviveAReload) {
    TempUnitRoot root;
    root.Put("\\NandFlash\\tamrik.conf", "x");
    EXPECT_EQ(GetFileAttributes("\\NandFlash\\tamrik.conf"), kAttrNormal);
    EXPECT_EQ(GetFileAttributes("\\NandFlash\\missing"), kInvalidAttributes);
    EXPECT_TRUE(AddFileAttributes("\\NandFlash\\TAMRIK.conf", kAttrHidden));
    EXPECT_TRUE(AddFileAttributes("\\NandFlash\\tamrik.conf", kAttrReadOnly));
    SetUnitRoot(root.Path());  // forget the cache, as a restart does
    EXPECT_EQ(GetFileAttributes("\\NandFlash\\tamrik.conf"), kAttrHidden | kAttrReadOnly);
    EXPECT_TRUE(GetFileAttributes("\\NandFlash") & kAttrDirectory);
    EXPECT_FALSE(AddFileAttributes("\\NandFlash\\missing", kAttrHidden));
}

TEST(FileAttributes, ReadOnlyFilesAreNeitherDeletedNorOverwritten) {
    TempUnitRoot root;
    root.Put("\\NandFlash\\prog.exe", "old");
    SetFileAttributes("\\NandFlash\\prog.exe", kAttrReadOnly);
    EXPECT_FALSE(DeleteFile("\\NandFlash\\prog.exe"));
    EXPECT_FALSE(WriteFileAtomic("\\NandFlash\\prog.exe", "new"));
    EXPECT_FALSE(OpenForWrite("\\NandFlash\\prog.exe", true).is_open());
    EXPECT_EQ(ReadWholeFile("\\NandFlash\\prog.exe", 100), "old");
}

TEST(FileMoves, CarryAttributesAndRefuseToOverwrite) {
    TempUnitRoot root;
    root.Put("\\NandFlash\\a.corr", "a");
    root.Put("\\NandFlash\\Data\\b.corr", "b");
    SetFileAttributes("\\NandFlash\\a.corr", kAttrHidden);
    EXPECT_TRUE(MoveFile("\\NandFlash\\a.corr", "\\NandFlash\\Data\\a.corr"));
    EXPECT_EQ(GetFileAttributes("\\NandFlash\\Data\\a.corr"), kAttrHidden);
    EXPECT_FALSE(PathExists("\\NandFlash\\a.corr"));
    EXPECT_FALSE(MoveFile("\\NandFlash\\Data\\a.corr", "\\NandFlash\\Data\\b.corr"));
    EXPECT_FALSE(MoveFile("\\NandFlash\\none", "\\NandFlash\\Data\\none"));
    EXPECT_EQ(ReadWholeFile("\\NandFlash\\Data\\b.corr", 10), "b");
}

TEST(FileWrites, AtomicWriteReplacesWholeAndKeepsAttributes) {
    TempUnitRoot root;
    EXPECT_TRUE(WriteFileAtomic("\\NandFlash\\f.bin", "first"));
    AddFileAttributes("\\NandFlash\\f.bin", kAttrHidden);
    EXPECT_TRUE(WriteFileAtomic("\\NandFlash\\f.bin", "2nd"));
    EXPECT_EQ(ReadWholeFile("\\NandFlash\\f.bin", 100), "2nd");
    EXPECT_EQ(GetFileAttributes("\\NandFlash\\f.bin"), kAttrHidden);
    EXPECT_FALSE(WriteFileAtomic("\\NoSuchFolder\\f.bin", "x"));
    EXPECT_FALSE(ReadWholeFile("\\NandFlash\\f.bin", 2).has_value());  // larger than allowed
}

TEST(FileFolders, CreatingAnExistingFolderIsNoError) {
    TempUnitRoot root;
    EXPECT_TRUE(CreateDirectory("\\NandFlash\\Data"));
    EXPECT_TRUE(CreateDirectory("\\NandFlash\\data"));
    EXPECT_EQ(FindFiles("\\NandFlash\\*").size(), 1u);
}

namespace {

std::string StoreText(const TempUnitRoot& root) {
    std::ifstream in(root.Path() / ".attributes", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

// A store damaged by hand or by the medium used to throw from the first
// attribute look-up at start-up, so the unit never started.
TEST(AttributeStore, DamagedLinesAreIgnoredAndDroppedAtTheNextSave) {
    TempUnitRoot root;
    root.Put("\\NandFlash\\keep", "x");
    root.Put("\\.attributes",
             "2\tnandflash/keep\n1x\tx\n99999999999999999999\tnandflash/keep\nabc\tx\n-1\tx\n 2\tx\n3\n\t\n2\t\n");
    SetUnitRoot(root.Path());
    EXPECT_EQ(GetFileAttributes("\\NandFlash\\keep"), kAttrHidden);
    EXPECT_TRUE(AddFileAttributes("\\NandFlash\\keep", kAttrReadOnly));
    EXPECT_EQ(StoreText(root), "3\tnandflash/keep\n");
}

// The attribute store and a registry hive are read only up to the bound, as
// a language pack: one just over it is damaged and reads as empty (a 1.5 GB
// store without a newline took 2.1 GB of memory at start-up).
TEST(TextStores, AStoreOverTheBoundReadsAsEmpty) {
    TempUnitRoot root;
    root.Put("\\NandFlash\\keep", "x");
    const std::string attributes = "2\tnandflash/keep\n", hive = "K\tSoft\nV\tName\tvalue\n";
    for (const uint64_t size : {kMaxTextStoreBytes, kMaxTextStoreBytes + 1}) {
        root.Put("\\.attributes", attributes + std::string(size - attributes.size(), '#'));
        root.Put("\\registry\\HKLM.reg", hive + std::string(size - hive.size(), '#'));
        SetUnitRoot(root.Path());
        const bool read = size <= kMaxTextStoreBytes;
        EXPECT_EQ(GetFileAttributes("\\NandFlash\\keep"), read ? kAttrHidden : kAttrNormal) << size;
        EXPECT_EQ(RegGetString(Hive::LocalMachine, "Soft", "Name").has_value(), read) << size;
    }
}

// The store used to be renamed over the old one after a write that failed
// only when the stream was closed: a full medium cut it short.
TEST(AttributeStore, AFullMediumKeepsTheEarlierStore) {
    TempUnitRoot root;
    for (const char* name : {"\\NandFlash\\late", "\\NandFlash\\early"}) root.Put(name, "x");
    SetFileAttributes("\\NandFlash\\late", kAttrHidden);
    const std::string before = StoreText(root);
    {
        const FileSizeLimit full(before.size());
        SetFileAttributes("\\NandFlash\\early", kAttrHidden);  // sorts first: a cut store differs
    }
    EXPECT_EQ(StoreText(root), before);
    EXPECT_FALSE(std::filesystem::exists(root.Path() / ".attributes.tmp"));
}

// Every store the unit keeps (a plain file, the attributes, the registry, a
// run) goes through one durable write: a medium failing at any step before
// the rename leaves every earlier file as it was and no temporary, so no
// store renames before its data are synced. The folder is synced last, and
// its failure does not undo a file already in place.
TEST(DurableWrites, AStepThatFailsKeepsEveryEarlierFileAndTheFolderIsSyncedLast) {
    TempUnitRoot root;
    root.Put("\\NandFlash\\Data\\A1.corr", "old run");
    WriteStep failing{};
    std::map<std::string, WriteStep> last;
    SetWriteStepHook([&](WriteStep step, const std::filesystem::path& file) {
        last[file.filename().string()] = step;
        return step != failing;
    });
    const auto saveEach = [] {
        return std::vector<bool>{
            WriteFileAtomic("\\NandFlash\\tamrik.conf", "new settings"),
            SetFileAttributes("\\NandFlash\\Data\\A1.corr", kAttrHidden),
            RegSetString(Hive::LocalMachine, "Soft", "Name", u"new") && RegFlush(Hive::LocalMachine),
            WriteFileSet({{"\\NandFlash\\Data\\A1.corr", [](std::ostream& os) { return bool(os << "new run"); }}})[0]};
    };
    for (WriteStep step : {WriteStep::Write, WriteStep::SyncFile, WriteStep::Rename}) {
        failing = step;
        EXPECT_EQ(saveEach(), (std::vector<bool>{false, true, false, false})) << int(step);  // attributes report none
        EXPECT_FALSE(PathExists("\\NandFlash\\tamrik.conf"));
        EXPECT_EQ(ReadWholeFile("\\NandFlash\\Data\\A1.corr", 100), "old run");
        RegReloadFromDisk();
        EXPECT_FALSE(RegGetString(Hive::LocalMachine, "Soft", "Name").has_value());
        SetUnitRoot(root.Path());
        EXPECT_EQ(GetFileAttributes("\\NandFlash\\Data\\A1.corr"), kAttrNormal);
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root.Path()))
            EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }
    failing = WriteStep::SyncFolder;
    EXPECT_EQ(saveEach(), (std::vector<bool>{true, true, true, true}));
    EXPECT_EQ(ReadWholeFile("\\NandFlash\\Data\\A1.corr", 100), "new run");
    for (const char* file : {"tamrik.conf", ".attributes", "HKLM.reg", "A1.corr"})
        EXPECT_EQ(last[file], WriteStep::SyncFolder) << file;
    SetWriteStepHook({});
}
