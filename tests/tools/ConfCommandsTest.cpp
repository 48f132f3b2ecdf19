// corrtool conf: write a default file, show it field by field; and how every
// file the tool writes reaches the medium.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "FileSizeLimit.h"
#include "TempUnitRoot.h"
#include "ToolRun.h"
#include "platform/DurableWrite.h"


TEST(CorrtoolConf, WriteDefaultMakesA722ByteFileThatShowsEveryField) {
    TempUnitRoot root;
    const std::string file = (root.Path() / "c.conf").string();
    std::string out, err;
    ASSERT_EQ(RunTool({"conf", "write-default", file}, out, err), 0) << err;
    EXPECT_EQ(std::filesystem::file_size(file), 722u);
    ASSERT_EQ(RunTool({"conf", "show", file}, out, err), 0) << err;
    for (const char* line : {"load=read", "surveyRange=1", "powerOffTime=12", "language=", "radio[2].frequency=447150000",
                             "radio[0].spacing=12500", "testMode=1", "rssiFloor=-50", "touchCalibration=",
                             "rssiSpan=30", "reserved688=00000000", "sharpenSelection=1", "peakSharpenPlastic=1"})
        EXPECT_NE(out.find(std::string("\n") + line + "\n"), std::string::npos) << line;
}

TEST(CorrtoolConf, ShowsTheUnitsOwnFileByDefaultAndSaysWhenItWasRejected) {
    TempUnitRoot root;
    root.Put("\\NandFlash\\tamrik.conf", "not a settings file");
    std::string out, err;
    ASSERT_EQ(RunTool({"--root", root.Path().string(), "conf", "show"}, out, err), 0);
    EXPECT_NE(out.find("load=rejected"), std::string::npos);
    EXPECT_NE(out.find("\nbrightness=10\n"), std::string::npos);
}

TEST(CorrtoolConf, MissingFileOrBadUsageIsAnError) {
    std::string out, err;
    EXPECT_EQ(RunTool({"conf", "show", "/nonexistent/x.conf"}, out, err), 1);
    EXPECT_NE(err.find("cannot open"), std::string::npos);
    EXPECT_EQ(RunTool({"conf", "write-default"}, out, err), 2);
    EXPECT_EQ(RunTool({"conf", "frobnicate"}, out, err), 2);
    EXPECT_NE(err.find("usage"), std::string::npos);
}

// Every file the tool writes goes through the durable write (each is synced
// before its rename), and a write that fails on a full medium keeps the old
// file: the settings file and the table were written in place and left a cut
// file, the runs and computations through an unsynced temporary.
TEST(CorrtoolWrites, EveryFileIsSyncedBeforeItsRenameAndAFullMediumKeepsTheOldFile) {
    TempUnitRoot root;
    const std::filesystem::path dir = root.Path();
    std::set<std::string> synced;
    platform::SetWriteStepHook([&synced](platform::WriteStep step, const std::filesystem::path& file) {
        if (step == platform::WriteStep::SyncFile) synced.insert(file.filename().string());
        return true;
    });
    const std::string run = (dir / "run").string();
    EXPECT_EQ(Tool({"--root", dir.string(), "acquire", "--seconds", "2", "--out", run}).code, 0);
    EXPECT_EQ(Tool({"comp", "add", (dir / "c.comp").string(), run + ".corr"}).code, 0);
    EXPECT_EQ(Tool({"conf", "write-default", (dir / "t.conf").string()}).code, 0);
    EXPECT_EQ(Tool({"materials", "write", (dir / "t.db").string()}).code, 0);
    platform::SetWriteStepHook({});
    EXPECT_EQ(synced, (std::set<std::string>{"run.corr", "run_corr.wav", "run_corr.wav.set.tmp", "c.comp", "t.conf", "t.db"}));

    for (const Args& write : {Args{"conf", "write-default", (dir / "t.conf").string()},
                              Args{"materials", "write", (dir / "t.db").string()}}) {
        std::ofstream(write.back(), std::ios::binary) << "old";
        {
            const FileSizeLimit full(100);
            EXPECT_EQ(Tool(write).code, 1) << write[0];
        }
        EXPECT_EQ(std::filesystem::file_size(write.back()), 3u) << write[0];
        EXPECT_FALSE(std::filesystem::exists(write.back() + ".tmp"));
    }
}
