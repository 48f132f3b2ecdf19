// corrtool conf: write a default file, show it field by field.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "TempUnitRoot.h"
#include "ToolRun.h"


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
