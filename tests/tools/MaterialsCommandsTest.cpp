// corrtool materials: a unit's table shown as start-up loads it, and a target
// that cannot be written.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "TempUnitRoot.h"
#include "ToolRun.h"


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
