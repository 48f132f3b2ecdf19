// corrtool analyze and batch on a saved run whose leak is known, and on WAVs
// made from its recording in other formats.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

#include "SyntheticRun.h"
#include "TempUnitRoot.h"
#include "ToolRun.h"
#include "../pipe/Bytes.h"
#include "tools/AnalyzeJob.h"

namespace {

// A WAV of format 1 (int) or 3 (float) with the given channels, by hand.
void WriteWav(const std::string& path, const std::vector<std::vector<float>>& channels, int16_t bits, bool isFloat) {
    using namespace bytes;
    const auto ch = static_cast<int16_t>(channels.size());
    const auto align = static_cast<int16_t>(ch * bits / 8);
    const auto data = static_cast<int32_t>(align * channels[0].size());
    std::ofstream os(path, std::ios::binary);
    os << "RIFF" + I32(36 + data) + "WAVEfmt " + I32(16) + I16(isFloat ? 3 : 1) + I16(ch) + I32(10000) +
              I32(10000 * align) + I16(align) + I16(bits) + "data" + I32(data);
    for (size_t i = 0; i < channels[0].size(); ++i)
        for (const auto& c : channels)  // floats as they are, else 24 bits
            os << (isFloat ? F32(c[i]) : I32(static_cast<int32_t>(std::lround(c[i] * 8388607.0))).substr(0, 3));
}

class Analyze : public ::testing::Test {
protected:
    TempUnitRoot root;
    std::string file = SaveSyntheticRun(root.Path());

    // The run's recording as floats: Red, Blue.
    std::vector<std::vector<float>> Recording() {
        CWaveReader reader;
        EXPECT_TRUE(reader.Open(std::make_unique<std::ifstream>(RecordingName(file), std::ios::binary)));
        std::vector<int16_t> frames(2 * static_cast<size_t>(reader.FrameCount()));
        reader.ReadFrames(reader.FrameCount(), frames.data());
        std::vector<std::vector<float>> c(2);
        for (size_t i = 0; i < frames.size(); ++i) c[i % 2].push_back(frames[i] / 32768.0f);
        return c;
    }
};

}  // namespace

// The basic method is the unit's own correlation: the same peak and SNR as
// `corr replay`, with the lag refined below a sample and an interval.
TEST_F(Analyze, BasicMethodEqualsTheReplay) {
    for (const Args& band : {Args{}, Args{"--band", "100-2000"}}) {
        Args replayArgs{file}, analyzeArgs{file, "--weighting", "none"};
        replayArgs.insert(replayArgs.end(), band.begin(), band.end());
        analyzeArgs.insert(analyzeArgs.end(), band.begin(), band.end());
        const ToolResult replay = Call(CmdCorrReplay, replayArgs), analyze = Call(CmdAnalyze, analyzeArgs);
        ASSERT_EQ(replay.code, 0) << replay.err;
        ASSERT_EQ(analyze.code, 0) << analyze.err;
        EXPECT_EQ(FieldOf(analyze.out, "engine"), "unit");
        EXPECT_EQ(FieldOf(analyze.out, "snr"), FieldOf(replay.out, "snr"));
        EXPECT_EQ(FieldOf(analyze.out, "max_lag"), FieldOf(replay.out, "max_lag"));
        EXPECT_NEAR(NumberOf(analyze.out, "peak_lag"), NumberOf(replay.out, "peak_lag"), 0.5);
        EXPECT_NEAR(NumberOf(analyze.out, "distance_a_m"), NumberOf(replay.out, "distance_a_m"), 0.2);
        EXPECT_LT(NumberOf(analyze.out, "ci95_low_a_m"), 150.0);
        EXPECT_GT(NumberOf(analyze.out, "ci95_high_a_m"), 150.0);
    }
}

// The run's recording as one 24-bit stereo WAV and as two float WAVs gives
// the same leak on the pipe given on the command line, in feet as asked.
TEST_F(Analyze, StereoAndMonoWavsLocateTheSameLeak) {
    const auto rec = Recording();
    const std::string dir = root.Path().string();
    WriteWav(dir + "/st.wav", rec, 24, false);
    WriteWav(dir + "/r.wav", {rec[0]}, 32, true);
    WriteWav(dir + "/b.wav", {rec[1]}, 32, true);
    const ToolResult stereo = Call(CmdAnalyze, {dir + "/st.wav", "--pipe", "400:1000", "--band", "100-2000"});
    const ToolResult mono = Call(CmdAnalyze, {dir + "/r.wav", dir + "/b.wav", "--pipe", "1312.34:3280.84",
                                              "--units", "imperial", "--band", "100-2000", "--peaks", "1"});
    ASSERT_EQ(stereo.code, 0) << stereo.err;
    ASSERT_EQ(mono.code, 0) << mono.err;
    EXPECT_EQ(FieldOf(stereo.out, "method"), "phat");
    EXPECT_NEAR(NumberOf(stereo.out, "distance_a_m"), 150.0, 0.1);
    EXPECT_NEAR(NumberOf(mono.out, "distance_a_m"), NumberOf(stereo.out, "distance_a_m"), 0.05);
    // The candidates list the best peak first, with the same keys.
    EXPECT_EQ(FieldOf(stereo.out, "peaks.0.distance_a_m"), FieldOf(stereo.out, "distance_a_m"));
    EXPECT_EQ(FieldOf(stereo.out, "peaks.0.peak_lag"), FieldOf(stereo.out, "peak_lag"));
    EXPECT_EQ(FieldOf(mono.out, "peaks.1.distance_a_m"), "");
    EXPECT_EQ(FieldOf(mono.out, "leak").rfind("LEAK 492.", 0), 0u) << FieldOf(mono.out, "leak");
    // A stereo file where a mono one belongs is named in the refusal.
    const ToolResult mixed = Call(CmdAnalyze, {dir + "/r.wav", dir + "/st.wav", "--pipe", "400:1000"});
    EXPECT_EQ(mixed.code, 1);
    EXPECT_EQ(mixed.err, "corrtool: " + dir + "/st.wav: a mono WAV needs 1 channel, not 2\n");
}

TEST(AnalyzeOptions, RefusedWithTheReason) {
    const std::pair<Args, const char*> rows[] = {
        {{"a.wav", "b.wav"}, "recordings need --pipe"},
        {{"a.wav", "--pipe", "100:0"}, "--pipe LEN:VEL"},
        {{"a.wav", "--pipe", "100:1200:UNOBTAINIUM"}, "unknown material"},
        {{"a.wav", "--pipe", "100:1200", "--weighting", "gcc"}, "--weighting none|phat|scot|ml"},
        {{"a.wav", "--pipe", "100:1200", "--band", "900-100"}, "--band LOW-HIGH"},
        {{"a.wav", "--pipe", "100:1200", "--peaks", "0"}, "--peaks 1 to 20"},
        {{"a.wav", "b.wav", "c.wav", "--pipe", "100:1200"}, "usage:"},
    };
    for (const auto& [args, message] : rows) {
        const ToolResult r = Call(CmdAnalyze, args);
        EXPECT_EQ(r.code, 2) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
}

TEST(LeakLine, MetresOrFeetWithTheInterval) {
    EXPECT_EQ(LeakLine(70.0, 68.44, 71.56, false, "Red"), "LEAK 70.0 m from Red (68.4-71.6 m, 95 %)");
    EXPECT_EQ(LeakLine(10.0, NAN, NAN, true, "Red"), "LEAK 32.8 ft from Red");
}

// A missing recording and an unreadable line give their error lines and
// never stop the good pair; every line in manifest order; exit status 1;
// no progress text when standard error is not a terminal.
TEST_F(Analyze, BatchFailingPairsNeverStopTheOthers) {
    const std::string manifest = (root.Path() / "pairs.jsonl").string();
    std::ofstream(manifest) << "{\"red\": \"missing.wav\", \"blue\": \"b.wav\", \"pipe\": \"400:1000\"}\n"
                            << "\n"
                            << "{\"run\": \"leak.corr\", \"band\": \"100-2000\"}\n"
                            << "{\"run\": \"leak.corr\", \"band\": \n";
    // Standard error is a file here, whatever the test runs from.
    const int saved = dup(STDERR_FILENO), file = open("/dev/null", O_WRONLY);
    dup2(file, STDERR_FILENO);
    const ToolResult r = Call(CmdBatch, {manifest, "--jobs", "2"});
    dup2(saved, STDERR_FILENO);
    close(file);
    close(saved);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "");
    std::istringstream lines(r.out);
    std::vector<std::string> got;
    for (std::string line; std::getline(lines, line);) got.push_back(line);
    ASSERT_EQ(got.size(), 3u) << r.out;
    EXPECT_EQ(got[0].rfind("{\"line\":1,\"error\":\"", 0), 0u) << got[0];
    EXPECT_NE(got[0].find("missing.wav: cannot open"), std::string::npos);
    EXPECT_EQ(got[1].rfind("{\"line\":3,\"run\":", 0), 0u) << got[1];
    EXPECT_NE(got[1].find("\"distance_a_m\":150."), std::string::npos) << got[1];
    EXPECT_EQ(got[2].rfind("{\"line\":4,\"error\":", 0), 0u) << got[2];
}

// The same pairs as CSV, a pipe with a comma in quotes.
TEST_F(Analyze, BatchReadsCsvWithTheSameColumns) {
    const std::string manifest = (root.Path() / "pairs.csv").string();
    std::ofstream(manifest) << "run,pipe,weighting\n"
                            << "leak.corr,\"200:1000,200:1000\",scot\n";
    const ToolResult r = Call(CmdBatch, {manifest});
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("\"method\":\"scot\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"distance_a_m\":150."), std::string::npos) << r.out;
}
