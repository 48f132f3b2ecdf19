// corrtool materials: write the built-in table, show it as start-up loads it.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "TempUnitRoot.h"
#include "tools/Corrtool.h"

namespace {
int Tool(const Args& args, std::string& out, std::string& err) {
    std::ostringstream o, e;
    const int rc = RunCorrtool(args, o, e);
    out = o.str();
    err = e.str();
    return rc;
}
bool Has(const std::string& out, const std::string& line) { return out.find("\n" + line + "\n") != std::string::npos; }
}  // namespace

TEST(CorrtoolMaterials, WrittenTableShowsEverySlot) {
    TempUnitRoot root;
    const std::string file = (root.Path() / "m.db").string();
    std::string out, err;
    ASSERT_EQ(Tool({"materials", "write", file}, out, err), 0) << err;
    EXPECT_EQ(std::filesystem::file_size(file), 93882u);
    ASSERT_EQ(Tool({"materials", "show", file}, out, err), 0) << err;
    EXPECT_TRUE(Has(out, "load=read"));
    EXPECT_TRUE(Has(out, "slot[2].name=STEEL"));
    EXPECT_TRUE(Has(out, "slot[2].colour=0,150,0"));
    EXPECT_TRUE(Has(out, "slot[13].name="));
    EXPECT_TRUE(Has(out, "slot[23].bands=21"));
    EXPECT_TRUE(Has(out, "slot[12].band[3]=diameter:75-0 velocity:230 general:80-300,60-250,0-250,0-250,0-250,0-250 "
                         "hydrophone:37-300,37-300,37-300,0-300,0-300,0-75"));
}

TEST(CorrtoolMaterials, ForeignUnitFileIsReportedAndTheBuiltInTableShown) {
    TempUnitRoot root;
    root.Put("\\NandFlash\\tamrik.db", "TKMd\x01\x00\x00\x00");
    std::string out, err;
    ASSERT_EQ(Tool({"--root", root.Path().string(), "materials", "show"}, out, err), 0);
    EXPECT_TRUE(Has(out, "load=rejected (CMaterials Read: Unknown file type), built-in table in force"));
    EXPECT_TRUE(Has(out, "slot[0].name=DUCTILE IRON"));
}

TEST(CorrtoolMaterials, UnwritableTargetFails) {
    TempUnitRoot root;
    std::string out, err;
    EXPECT_EQ(Tool({"materials", "write", (root.Path() / "no" / "such" / "m.db").string()}, out, err), 1);
    EXPECT_NE(err.find("cannot write"), std::string::npos);
    EXPECT_EQ(Tool({"materials", "write"}, out, err), 2);
}
