// corrtool corr: a run synthesised on a described pipe with a known leak is
// saved as the program saves it, replayed, and located.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "TempUnitRoot.h"
#include "dsp/Correlation.h"
#include "dsp/WaveFile.h"
#include "dsp/CorrTestSupport.h"
#include "SyntheticRun.h"
#include "ToolRun.h"

namespace {

class CorrReplay : public ::testing::Test {
protected:
    TempUnitRoot root;
    std::string file = SaveSyntheticRun(root.Path());
};

}  // namespace

TEST_F(CorrReplay, LocatesTheLeakWithEitherEngineAndMode) {
    const std::vector<Args> variants = {
        {file, "--post-filter", "1"}, {file, "--post-filter", "0"}, {file, "--engine", "fft"},
        {file, "--post-filter", "0", "--traces", "3"}, {file, "--band", "100-2000"}};
    for (const Args& args : variants) {
        const ToolResult r = Call(CmdCorrReplay, args);
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(FieldOf(r.out, "peak_lag"), "-1000") << args.back();
        EXPECT_NEAR(std::stod(FieldOf(r.out, "peak_delay_s")), -0.1, 1e-6);
        EXPECT_NEAR(std::stod(FieldOf(r.out, "distance_a_m")), 150.0, 0.05) << args.back();
        EXPECT_NEAR(std::stod(FieldOf(r.out, "distance_b_m")), 250.0, 0.05);
        EXPECT_GT(std::stod(FieldOf(r.out, "snr")), 9.0);
        EXPECT_EQ(FieldOf(r.out, "frames"), std::to_string(kFrames));
        EXPECT_EQ(FieldOf(r.out, "max_lag"), "4488");  // 1.1 x 400 ms + guard
        // The recording once, never its priming: at most frames - 2L, all of
        // them with the direct engine (the FFT engine takes whole blocks).
        const int32_t correlated = std::stoi(FieldOf(r.out, "samples_correlated"));
        if (args[1] == "--engine") EXPECT_LE(correlated, kFrames - 2 * 4488);
        else EXPECT_EQ(correlated, kFrames - 2 * 4488) << args.back();
    }
}

// Each replay-and-save used to put the recording's last 4096 frames (the
// priming) in front of the whole recording again.
TEST_F(CorrReplay, ASavedReplayCarriesTheRecordingUnchanged) {
    const auto bytes = [](const std::string& path) {
        return (std::ostringstream() << std::ifstream(path).rdbuf()).str();
    };
    const std::string once = (root.Path() / "once").string(), twice = (root.Path() / "twice").string();
    ASSERT_EQ(Call(CmdCorrReplay, {file, "--out", once}).code, 0);
    ASSERT_EQ(Call(CmdCorrReplay, {once + ".corr", "--out", twice}).code, 0);
    const std::string recording = bytes(RecordingName(file));
    EXPECT_EQ(recording.size(), 44u + 4u * kFrames);
    EXPECT_TRUE(bytes(once + "_corr.wav") == recording && bytes(twice + "_corr.wav") == recording);
}

// Sections of +3e38 m and -3e38 m at 1e-30 m/s gave a NaN travel time, a
// negative lag count and an uncaught length_error: the replay aborted.
TEST_F(CorrReplay, APipeWithoutAFiniteTravelTimeFailsWithTheReadersMessage) {
    CCorrelation run;
    for (float metres : {3e38f, -3e38f}) {
        PipeSegment section;
        section.SetLength(metres, LengthUnit::Metres);
        section.SetVelocity(1e-30f);
        run.Pipe().AddSection(section);
    }
    std::ofstream corr(file, std::ios::binary | std::ios::trunc);
    run.Write(corr);
    corr.close();
    EXPECT_EQ(Call(CmdCorrReplay, {file}).err, std::string(kPipeRecordError) + "\n");
}

TEST_F(CorrReplay, UnreadableRunFailsWithTheReadersMessage) {
    std::fstream corr(file, std::ios::in | std::ios::out | std::ios::binary);
    corr.seekp(14);
    corr.put(static_cast<char>(200));  // "Data" size
    corr.close();
    const ToolResult r = Call(CmdCorrReplay, {file});
    EXPECT_NE(r.code, 0);
    EXPECT_EQ(r.err, "CCorrelation Read: Data format unknown or corrupted file\n");
    const ToolResult info = Call(CmdCorrInfo, {file});
    EXPECT_NE(info.code, 0);
    EXPECT_EQ(info.err, r.err);
}

// Several runs replay on every core; each prints what it prints alone, in
// the files' order, and a file that fails leaves the others whole.
TEST_F(CorrReplay, SeveralFilesPrintInTheirOrderAsEachAlone) {
    const std::string missing = (root.Path() / "missing.corr").string();
    const ToolResult alone = Call(CmdCorrReplay, {file, "--engine", "fft"});
    const ToolResult absent = Call(CmdCorrReplay, {missing});
    ASSERT_EQ(alone.code, 0);
    for (const char* jobs : {"1", "3"}) {
        const ToolResult r = Call(CmdCorrReplay, {file, missing, file, "--engine", "fft", "--jobs", jobs});
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.out, alone.out + alone.out) << jobs;
        EXPECT_EQ(r.err, absent.err);
    }
    EXPECT_EQ(Call(CmdCorrReplay, {file, file, "--out", "x"}).code, 2);
    EXPECT_EQ(Call(CmdCorrReplay, {file, file, "--jobs", "0"}).code, 2);
}

TEST_F(CorrReplay, BadOptionsAreRefused) {
    EXPECT_EQ(Call(CmdCorrReplay, {file, "--engine", "gpu"}).code, 2);
    EXPECT_EQ(Call(CmdCorrReplay, {file, "--band", "900-100"}).code, 2);
    EXPECT_EQ(Call(CmdCorrReplay, {"--traces"}).code, 2);
    EXPECT_EQ(Call(CmdCorrReplay, {}).code, 2);
}

// Regression: a run made at 2000 Hz reopened at 10000 Hz, so its delay came
// out five times too short and the leak on the wrong side.
TEST(CorrInfo, DecimatedRunReopensWithTheDelayAndDistancesItWasMadeWith) {
    TempUnitRoot root;
    const std::string name = (root.Path() / "decimated").string();
    const ToolResult made = Call(CmdAcquire, {"--seconds", "4", "--rate", "2000", "--out", name});
    ASSERT_EQ(made.code, 0) << made.err;
    const ToolResult info = Call(CmdCorrInfo, {name + ".corr"});
    ASSERT_EQ(info.code, 0) << info.err;
    EXPECT_EQ(FieldOf(info.out, "peak_lag"), FieldOf(made.out, "peak_lag"));
    for (const char* key : {"peak_delay_s", "distance_a_m", "distance_b_m"})
        EXPECT_NEAR(std::stod(FieldOf(info.out, key)), std::stod(FieldOf(made.out, key)), 1e-3) << key;
}
