// corrtool corr verify on the runs corrtool itself saves, and its output
// for a run that is not whole.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TempUnitRoot.h"
#include "ToolRun.h"

namespace {

// The verify lines other than the Red sample count of a replay saved again:
// its raw store holds the 4096 priming frames before the recording.
std::string WithoutPrimingCount(const std::string& out) {
    std::istringstream lines(out);
    std::string rest;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("recording=Red samples stored ", 0) != 0) rest += line + '\n';
    return rest;
}

}  // namespace

TEST(CorrVerify, PassesOnRunsAcquireAndReplaySave) {
    TempUnitRoot root;
    const std::string dir = root.Path().string();
    for (const char* rate : {"10000", "2000"}) {
        const std::string name = dir + "/acq" + rate;
        const ToolResult made = Tool({"acquire", "--seconds", "4", "--rate", rate, "--out", name});
        ASSERT_EQ(made.code, 0) << made.err;
        const ToolResult live = Tool({"corr", "verify", name + ".corr"});
        EXPECT_EQ(live.code, 0) << live.out;
        EXPECT_EQ(live.out, "verify=ok\n");
        for (const char* traces : {"1", "3"}) {
            const std::string again = name + "-replay" + traces;
            const char* postFilter = *traces == '1' ? "0" : "1";  // three post-filtered traces derived apart
            ASSERT_EQ(Tool({"corr", "replay", name + ".corr", "--post-filter", postFilter, "--traces", traces, "--out",
                            again}).code, 0);
            const ToolResult replay = Tool({"corr", "verify", again + ".corr"});
            EXPECT_EQ(WithoutPrimingCount(replay.out), replay.code == 0 ? "verify=ok\n" : "") << replay.out;
        }
    }
}

TEST(CorrVerify, ReportsARunWithoutItsRecordingInTextAndJson) {
    TempUnitRoot root;
    const std::string name = (root.Path() / "my run").string();  // a space stays a space in JSON
    ASSERT_EQ(Tool({"acquire", "--seconds", "1", "--out", name}).code, 0);
    std::filesystem::remove(name + "_corr.wav");
    const ToolResult text = Tool({"corr", "verify", name + ".corr"});
    EXPECT_EQ(text.code, 1);
    EXPECT_EQ(text.out, "recording=missing\n");
    const ToolResult json = Tool({"corr", "verify", "--json", name + ".corr"});
    EXPECT_EQ(json.code, 1);
    EXPECT_EQ(json.out, "{\"file\":\"" + name + ".corr\",\"verify\":\"failed\",\"differences\":"
                        "[{\"check\":\"recording\",\"message\":\"missing\"}]}\n");
    EXPECT_EQ(Tool({"corr", "verify", name + ".corr", "--jsn"}).code, 2);
    EXPECT_EQ(Tool({"corr", "verify", name + ".none"}).code, 1);
}
