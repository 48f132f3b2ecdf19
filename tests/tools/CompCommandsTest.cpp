// corrtool comp show: a computation file in chosen display units, and the
// reader's own message for a bad one.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "TempUnitRoot.h"
#include "pipe/ComputationFile.h"
#include "ToolRun.h"

namespace {

std::string SaveComp(const TempUnitRoot& root, int16_t version) {
    Computation c;
    c.points.Append(100.0f, 0.05f);
    c.points.Append(200.0f, 0.15f);
    std::ostringstream os;
    WriteComputation(os, c, LengthUnit::Metres, TimeUnit::Seconds);
    std::string bytes = os.str();
    bytes[8] = static_cast<char>(version);
    const std::string path = (root.Path() / "v.comp").string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}
}  // namespace

TEST(CorrtoolComp, ShowsPointsAndResultsInTheChosenUnits) {
    TempUnitRoot root;
    const std::string file = SaveComp(root, 1);
    std::string out, err;
    ASSERT_EQ(RunTool({"comp", "show", file}, out, err), 0) << err;
    EXPECT_TRUE(HasLine(out, "points=2"));
    EXPECT_TRUE(HasLine(out, "velocity=CALCULATED VELOCITY: 1000.0m/s"));
    EXPECT_TRUE(HasLine(out, "leakDistance=LEAK DISTANCE: 25.0m"));
    ASSERT_EQ(RunTool({"comp", "show", "--ms", file}, out, err), 0) << err;
    EXPECT_TRUE(HasLine(out, "storedTimeUnit=s"));
    EXPECT_TRUE(HasLine(out, "delay=MEASURED TIME DELAY: 50.0ms"));
    EXPECT_TRUE(HasLine(out, "velocity=CALCULATED VELOCITY: 1.0000m/ms"));
}

TEST(CorrtoolComp, BadFileGivesTheReadersMessage) {
    TempUnitRoot root;
    std::string out, err;
    EXPECT_EQ(RunTool({"comp", "show", SaveComp(root, 2)}, out, err), 1);
    EXPECT_NE(err.find("CComputeDialog Read: Unsupported version"), std::string::npos);
    EXPECT_EQ(RunTool({"comp", "show", (root.Path() / "none.comp").string()}, out, err), 1);
    EXPECT_EQ(RunTool({"comp", "show"}, out, err), 2);
}
