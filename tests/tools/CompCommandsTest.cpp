// corrtool comp: points added from saved runs and shown in chosen display
// units, and the reader's own message for a bad file.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "TempUnitRoot.h"
#include "dsp/Correlation.h"
#include "pipe/ComputationFile.h"
#include "ToolRun.h"

namespace {

// A saved run of length metres whose peak lies at delay seconds (10000 Hz).
std::string SaveRun(const TempUnitRoot& root, const std::string& name, float metres, float delay) {
    CCorrelation run(500, 100, 100.0f, 1, 10000.0f);
    PipeSegment s;
    s.SetLength(metres, LengthUnit::Metres);
    s.SetVelocity(1000.0f);
    run.Pipe().AddSection(s);
    run.Accumulator(0)[static_cast<size_t>(run.MaxLag() + static_cast<int32_t>(delay * 10000.0f))] = 100;
    const std::string path = (root.Path() / name).string();
    std::ofstream file(path, std::ios::binary);
    run.Write(file);
    return path;
}

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

TEST(CorrtoolComp, BadFileGivesTheReadersMessage) {
    TempUnitRoot root;
    std::string out, err;
    EXPECT_EQ(RunTool({"comp", "show", SaveComp(root, 2)}, out, err), 1);
    EXPECT_NE(err.find("CComputeDialog Read: Unsupported version"), std::string::npos);
    EXPECT_EQ(RunTool({"comp", "show", (root.Path() / "none.comp").string()}, out, err), 1);
    EXPECT_EQ(RunTool({"comp", "show"}, out, err), 2);
}

// Runs join a new file, then an existing one; a run that cannot be read
// leaves the file as it was.
TEST(CorrtoolComp, AddCreatesThenExtendsAndAnUnreadableRunChangesNothing) {
    TempUnitRoot root;
    const std::string comp = (root.Path() / "new.comp").string();
    const std::string r100 = SaveRun(root, "r100.corr", 100.0f, 0.05f);
    const std::string r200 = SaveRun(root, "r200.corr", 200.0f, 0.015f);
    const std::string r300 = SaveRun(root, "r300.corr", 300.0f, 0.025f);
    ToolResult r = Tool({"comp", "add", comp, r100});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(HasLine(r.out, "points=1"));
    EXPECT_TRUE(HasLine(r.out, "velocity=CALCULATED VELOCITY: "));
    r = Tool({"comp", "add", comp, r300, "--ms"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(HasLine(r.out, "point[1]=300,25,1")) << r.out;
    std::ofstream(root.Path() / "bad.corr") << "TkCo";
    EXPECT_EQ(Tool({"comp", "add", comp, r200, (root.Path() / "bad.corr").string()}).code, 1);
    r = Tool({"comp", "show", comp, "--ms"});
    for (const char* line : {"points=2", "storedTimeUnit=ms", "point[0]=100,50,1",
                             "velocity=CALCULATED VELOCITY: 8.0000m/ms", "leakDistance=LEAK DISTANCE: 250.0m"})
        EXPECT_TRUE(HasLine(r.out, line)) << line << "\n" << r.out;
    EXPECT_EQ(Tool({"comp", "add", comp}).code, 2);
    // Two runs over one separation fix no line ("nanm/s" once).
    r = Tool({"comp", "add", (root.Path() / "one.comp").string(), r100, r100});
    EXPECT_TRUE(HasLine(r.out, "velocity=CALCULATED VELOCITY: UNDEFINED")) << r.out;
    EXPECT_TRUE(HasLine(r.out, "leakDistance=LEAK DISTANCE: UNDEFINED")) << r.out;
}
