// The rules for the operator's files: typed names, listing and pages, the
// companions of a run, and a set of files written without losing old ones.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "FileSizeLimit.h"
#include "TempUnitRoot.h"
#include "platform/DurableWrite.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/RunFiles.h"

using namespace platform;

namespace {

constexpr const char* kData = "\\NandFlash\\Data\\";

std::string Read(const std::string& devicePath) { return ReadWholeFile(devicePath, 1 << 20).value_or("<missing>"); }

std::vector<std::string> Names(const std::vector<FindData>& found) {
    std::vector<std::string> names;
    for (const FindData& f : found) names.push_back(f.name);
    return names;
}

FileWrite Bytes(const std::string& path, std::string bytes) {
    return {path, [bytes](std::ostream& os) { return static_cast<bool>(os << bytes); }};
}

}  // namespace

// Nothing typed can leave the data folder or make a name the unit cannot hold.
TEST(TypedFileNames, OnlyNamesThatStayInTheFolderAreUsable) {
    const auto text = [](std::u16string_view s) { return std::string(s.begin(), s.end()); };
    for (const char16_t* good : {u"A1", u"RUN 2", u"MAIN-ST.3", u"X"}) EXPECT_TRUE(IsUsableFileName(good)) << text(good);
    for (const char16_t* bad : {u"", u"..", u"A..B", u"..\\A", u"A\\B", u"A/B", u"C:A", u" A", u"A ", u"A.",
                                u".A", u"A*", u"A?", u"A\tB", u"A|B", u"A\"B"})
        EXPECT_FALSE(IsUsableFileName(bad)) << text(bad);
    EXPECT_TRUE(IsUsableFileName(std::u16string(kMaxTypedNameLength, u'A')));
    EXPECT_FALSE(IsUsableFileName(std::u16string(kMaxTypedNameLength + 1, u'A')));
}

TEST(FileListing, SortsByUtf16CodeUnitsAndLeavesOutFoldersAndTemporaries) {
    TempUnitRoot root;
    for (const char* name : {"b.corr", "C.corr", "a.corr", "\xEF\xBC\xA1.corr" /* U+FF21 */,
                             "\xF0\x9F\x98\x80.corr" /* U+1F600 */, "A1.corr.tmp", "notes.txt"})
        root.Put(std::string(kData) + name, "x");
    CreateDirectory("\\NandFlash\\Data\\dir.corr");
    // U+1F600 is D83D DE00 in UTF-16, so it sorts before U+FF21; its UTF-8
    // bytes would sort after.
    EXPECT_EQ(Names(ListFiles("\\NandFlash\\Data\\*.corr")),
              (std::vector<std::string>{"C.corr", "a.corr", "b.corr", "\xF0\x9F\x98\x80.corr", "\xEF\xBC\xA1.corr"}));
    EXPECT_TRUE(ListFiles("\\NandFlash\\Missing\\*.corr").empty());
}

TEST(FileListing, SeventeenNamesAPage) {
    EXPECT_EQ(std::vector<int>({PageCount(0), PageCount(17), PageCount(18)}), std::vector<int>({1, 1, 2}));
    // Page 5 of 18 names, beyond the last: the last.
    EXPECT_EQ(std::vector<int>({PageOf(18, 1).first, PageOf(18, 1).count, PageOf(18, 5).first, PageOf(0, 0).count}),
              std::vector<int>({17, 1, 17, 0}));
}

TEST(RunCompanions, DeletingARunRemovesItsRecordingAndPicturesOnly) {
    TempUnitRoot root;
    for (const char* name : {"RUN1.corr", "RUN1_corr.wav", "RUN1_corr.jpg", "RUN10_corr.wav", "A.corr.bak",
                             "A_corr.wav", "A.corr.bak_corr.wav", "B.CORR", "B_corr.png"})
        root.Put(std::string(kData) + name, "x");
    EXPECT_TRUE(DeleteWithCompanions(kData, "RUN1.corr"));  // no .png: not an error
    EXPECT_TRUE(DeleteWithCompanions(kData, "A.corr.bak"));
    EXPECT_TRUE(DeleteWithCompanions(kData, "B.CORR"));
    EXPECT_EQ(Names(ListFiles("\\NandFlash\\Data\\*")),
              (std::vector<std::string>{"A.corr.bak_corr.wav", "A_corr.wav", "RUN10_corr.wav"}));
}

TEST(RunCompanions, ARunFileThatCannotBeDeletedKeepsItsCompanions) {
    TempUnitRoot root;
    root.Put("\\NandFlash\\Data\\K.corr", "x");
    root.Put("\\NandFlash\\Data\\K_corr.wav", "x");
    SetFileAttributes("\\NandFlash\\Data\\K.corr", kAttrReadOnly);
    EXPECT_FALSE(DeleteWithCompanions(kData, "K.corr"));
    EXPECT_TRUE(PathExists("\\NandFlash\\Data\\K_corr.wav"));
    EXPECT_TRUE(CompanionNames(".corr").empty());
}

class FileSet : public ::testing::Test {
protected:
    void SetUp() override {
        const RunFilePaths paths = RunFileNames(kData, "A1");
        files = {paths.corr, paths.wav, paths.png, paths.jpg};
        for (const std::string& f : files) root.Put(f, "old " + f);
    }
    void ExpectNoTemporaries() {
        for (const auto& entry : std::filesystem::directory_iterator(HostPath(kData)))
            for (const char* temporary : {".tmp", ".part"}) EXPECT_NE(entry.path().extension(), temporary) << entry.path();
    }
    TempUnitRoot root;
    std::vector<std::string> files;
};

// A writer that fails half-way must not cost the run saved before under the
// same name, and no file of the set is replaced without the others.
TEST_F(FileSet, AFailedWriteKeepsEveryOldFile) {
    const auto result = WriteFileSet({
        Bytes(files[0], "new corr"),
        {files[1], [](std::ostream& os) { return static_cast<bool>(os << "half a recording") && false; }},
        {files[2], [](std::ostream& os) -> bool { os << "half a picture"; throw std::runtime_error("encoder"); }},
        Bytes(files[3], "new jpg"),
    });
    EXPECT_EQ(result, (std::vector<bool>(4, false)));
    // Alone, a writer that gives up replaces nothing either.
    EXPECT_EQ(WriteFileSet({{files[1], [](std::ostream& os) { return static_cast<bool>(os << "half") && false; }}}),
              std::vector<bool>{false});
    for (const std::string& f : files) EXPECT_EQ(Read(f), "old " + f);
    ExpectNoTemporaries();
    // Every file written and the journal in place, but the medium refuses the
    // first rename: the set is given up whole, every temporary with it.
    const std::filesystem::path first = HostPath(files[0]);
    SetWriteStepHook([&first](WriteStep step, const std::filesystem::path& file) {
        return step != WriteStep::Rename || file != first;
    });
    EXPECT_EQ(WriteFileSet({Bytes(files[0], "new corr"), Bytes(files[1], "new wav")}), (std::vector<bool>(2, false)));
    SetWriteStepHook({});
    for (const std::string& f : files) EXPECT_EQ(Read(f), "old " + f);
    ExpectNoTemporaries();
}

// The set is refused before any byte when one of its files is protected or
// the medium fills up (the host refuses every byte beyond 64 kB of a file,
// EFBIG as ENOSPC would): the run file never goes with another save's
// recording.
TEST_F(FileSet, AProtectedFileOrAFullMediumKeepsTheOldRunAndRecording) {
    const std::vector<FileWrite> save = {Bytes(files[1], std::string(200 * 1024, 'w')), Bytes(files[0], "new corr")};
    {
        const FileSizeLimit full(64 * 1024);
        EXPECT_EQ(WriteFileSet(save), (std::vector<bool>{false, false}));
    }
    SetFileAttributes(files[0], kAttrReadOnly);
    EXPECT_EQ(WriteFileSet({Bytes(files[1], "new wav"), Bytes(files[0], "new corr")}), (std::vector<bool>{false, false}));
    EXPECT_EQ(Read(files[0]), "old " + files[0]);
    EXPECT_EQ(Read(files[1]), "old " + files[1]);
    EXPECT_EQ(GetFileAttributes(files[0]) & kAttrReadOnly, kAttrReadOnly);
    ExpectNoTemporaries();
}

// A SAVE killed before each of its steps (every write, sync and rename of the
// recording, the run file, both pictures and the set's journal), then the
// start-up tidying: the four files always come from one save, and from the
// new one as soon as the journal was in place.
TEST_F(FileSet, AKillAtAnyStepLeavesEveryFileFromOneSave) {
    const auto save = [this] {
        return WriteFileSet({Bytes(files[1], "new " + files[1]), Bytes(files[0], "new " + files[0]),
                             Bytes(files[2], "new " + files[2]), Bytes(files[3], "new " + files[3])});
    };
    int newSets = 0;
    bool finished = false;
    for (int killAt = 0; !finished && killAt < 40; ++killAt) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int step = 0;
            SetWriteStepHook([&step, killAt](WriteStep, const std::filesystem::path&) {
                if (step++ == killAt) _exit(9);
                return true;
            });
            save();
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        finished = WEXITSTATUS(status) == 0;
        RemoveUnfinishedWrites(kData);  // the restart
        const std::string age = Read(files[0]).substr(0, 4);
        for (const std::string& f : files) EXPECT_EQ(Read(f), age + f) << "killed before step " << killAt;
        ExpectNoTemporaries();
        newSets += age == "new " && !finished ? 1 : 0;
        for (const std::string& f : files) root.Put(f, "old " + f);
    }
    EXPECT_TRUE(finished);
    // After the journal: its folder sync, the four renames and the folder sync
    // that makes them last; a kill before any of these must still give the new set.
    EXPECT_EQ(newSets, 6);
}

// What a write cut short by power loss left behind goes at the next start;
// the saved runs stay.
TEST_F(FileSet, LeftoverTemporariesAreRemovedAndTheRunsStay) {
    root.Put(files[1] + ".tmp", "half a recording");
    root.Put(files[2] + ".part", "half a picture");  // from earlier versions of the tools
    EXPECT_EQ(RemoveUnfinishedWrites(kData), 2);
    ExpectNoTemporaries();
    for (const std::string& f : files) EXPECT_EQ(Read(f), "old " + f);
    EXPECT_EQ(RemoveUnfinishedWrites("\\NandFlash\\Missing\\"), 0);
}
