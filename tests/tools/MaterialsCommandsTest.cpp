// corrtool materials: write the built-in table, show it as start-up loads it.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "TempUnitRoot.h"
#include "ToolRun.h"


TEST(CorrtoolMaterials, WrittenTableShowsEverySlot) {
    TempUnitRoot root;
    const std::string file = (root.Path() / "m.db").string();
    std::string out, err;
    ASSERT_EQ(RunTool({"materials", "write", file}, out, err), 0) << err;
    EXPECT_EQ(std::filesystem::file_size(file), 93882u);
    ASSERT_EQ(RunTool({"materials", "show", file}, out, err), 0) << err;
    EXPECT_TRUE(HasLine(out, "load=read"));
    EXPECT_TRUE(HasLine(out, "slot[2].name=STEEL"));
    EXPECT_TRUE(HasLine(out, "slot[2].colour=0,150,0"));
    EXPECT_TRUE(HasLine(out, "slot[13].name="));
    EXPECT_TRUE(HasLine(out, "slot[23].bands=21"));
    EXPECT_TRUE(HasLine(out, "slot[12].band[3]=diameter:75-0 velocity:230 general:80-300,60-250,0-250,0-250,0-250,0-250 "
                         "hydrophone:37-300,37-300,37-300,0-300,0-300,0-75"));
}

TEST(CorrtoolMaterials, ForeignUnitFileIsReportedAndTheBuiltInTableShown) {
    TempUnitRoot root;
    root.Put("\\NandFlash\\tamrik.db", "TKMd\x01\x00\x00\x00");
    std::string out, err;
    ASSERT_EQ(RunTool({"--root", root.Path().string(), "materials", "show"}, out, err), 0);
    EXPECT_TRUE(HasLine(out, "load=rejected (CMaterials Read: Unknown file type), built-in table in force"));
    EXPECT_TRUE(HasLine(out, "slot[0].name=DUCTILE IRON"));
}

TEST(CorrtoolMaterials, UnwritableTargetFails) {
    TempUnitRoot root;
    std::string out, err;
    EXPECT_EQ(RunTool({"materials", "write", (root.Path() / "no" / "such" / "m.db").string()}, out, err), 1);
    EXPECT_NE(err.find("cannot write"), std::string::npos);
    EXPECT_EQ(RunTool({"materials", "write"}, out, err), 2);
}
