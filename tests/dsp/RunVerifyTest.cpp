// A saved run checked as a whole: runs written by CCorrelation pass, and each
// hand-made damage to one of them is reported on one line of its own.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>
#include <string>

#include "dsp/Correlation.h"
#include "dsp/CorrTestSupport.h"
#include "dsp/RunVerify.h"
#include "dsp/WaveFile.h"

namespace {

// Offsets in the file of Data fields (header 10 bytes, tag and size 8).
constexpr size_t kRangeAt = 18, kLeftLagAt = 58, kCursorLagAt = 77, kCursorOnPeakAt = 81, kValidCountAt = 83, kRedStoredAt = 103;

struct SavedRun {
    std::string corr, wav;
};

// A 100 ms run on 20000 frames of a leak 300 samples nearer Blue, band
// 100-2000 Hz (three traces: 100-700, 700-1300 and 1300-1900 Hz), its
// display and cursor left as the screen leaves them.
SavedRun MakeRun(bool postFilter, const CorrelationOptions& options = {}, int32_t traces = 1) {
    CCorrelation run(500, 100, 100.0f, 1, kUnitSampleRate, options);
    run.SetPostFilter(postFilter ? 1 : 0);
    run.SetTraceCount(traces);
    run.SetRange(100.0f, 1);
    for (int32_t k = 0; k < CCorrelation::kTraces; ++k) {
        const float low = traces == 1 ? 100.0f : 100.0f + 600.0f * k, high = traces == 1 ? 2000.0f : low + 600.0f;
        const FilterBand band{low / 10000, high / 10000, true, 0, 0};
        run.RedFilter(k).SetBand(band, fir::kRectangular);
        run.BlueFilter(k).SetBand(band, fir::kRectangular);
        run.PostFilterOf(k).SetBand(band, fir::kWelch, CCorrelation::kPostFilterTaps);
    }
    constexpr int32_t kFrames = 20000, kDelay = 300;
    const auto leak = Noise(kFrames + kDelay, 7, 800), hiss = Noise(kFrames, 8, 200);
    std::vector<int16_t> red(kFrames), blue(kFrames);
    for (int32_t i = 0; i < kFrames; ++i) {
        red[i] = static_cast<int16_t>(leak[i] + hiss[i]);
        blue[i] = leak[i + kDelay];
    }
    run.AddRedSamples(red.data(), kFrames);
    run.AddBlueSamples(blue.data(), kFrames);
    while (run.Correlate(1 << 20) > 0) {
    }
    for (int32_t t = traces - 1; t >= 0; --t) run.DisplayTrace(t);  // the screen draws every trace
    run.View().cursorOnPeak = 1;
    run.View().cursorLag = run.FindPeak(0).peakIndex - run.MaxLag();
    std::ostringstream corr, wav;
    run.Write(corr);
    EXPECT_TRUE(wavfile::WriteWav(wav, run.RedRaw(), run.BlueRaw(), run.SampleRate()));
    return {corr.str(), wav.str()};
}

std::vector<RunDifference> Verify(const SavedRun& saved, bool withRecording = true) {
    std::istringstream corr(saved.corr);
    auto wav = withRecording ? std::make_unique<std::istringstream>(saved.wav) : nullptr;
    return VerifyRun(corr, std::move(wav), CorrelationOptions{});
}

void PutInt32(std::string& bytes, size_t at, int32_t v) { std::memcpy(&bytes[at], &v, 4); }  // little-endian host
int32_t Int32At(const std::string& bytes, size_t at) {
    int32_t v;
    std::memcpy(&v, &bytes[at], 4);
    return v;
}
size_t ChunkAt(const std::string& bytes, const char* tag) { return bytes.find(tag); }

struct Damage {
    const char* name;
    bool postFilter;
    std::function<void(SavedRun&)> apply;
    const char* check;
    const char* message;  // the start of the one line reported
};

void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }

std::string Lines(const std::vector<RunDifference>& found) {
    std::string s;
    for (const RunDifference& d : found) s += d.check + '=' + d.message + '\n';
    return s;
}

class DamagedRun : public ::testing::TestWithParam<Damage> {};

}  // namespace

// Nor is a display drawn under sharpening and both polarities (settings the
// file does not keep), or a cursor the operator moved off the peak. Three
// post-filtered traces, each derived in turn, failed: the check compared the
// last one derived with the selected one.
TEST(RunVerify, RunsAsWrittenPassInEitherMode) {
    CorrelationOptions sharpened;
    sharpened.bothPolarities = true;
    sharpened.peakSharpenOther = 3;
    for (const bool postFilter : {false, true}) {
        EXPECT_TRUE(Verify(MakeRun(postFilter, sharpened)).empty()) << Lines(Verify(MakeRun(postFilter, sharpened)));
        EXPECT_TRUE(Verify(MakeRun(postFilter, {}, 3)).empty()) << Lines(Verify(MakeRun(postFilter, {}, 3)));
        SavedRun saved = MakeRun(postFilter);
        EXPECT_TRUE(Verify(saved).empty()) << postFilter << ": " << Lines(Verify(saved));
        PutInt32(saved.corr, kCursorLagAt, 12);
        saved.corr[kCursorOnPeakAt] = 0;
        EXPECT_TRUE(Verify(saved).empty()) << Lines(Verify(saved));
    }
}

TEST_P(DamagedRun, IsReportedOnOneLine) {
    const Damage& d = GetParam();
    SavedRun saved = MakeRun(d.postFilter);
    d.apply(saved);
    const std::vector<RunDifference> found = Verify(saved, !saved.wav.empty());
    ASSERT_EQ(found.size(), 1u) << Lines(found);
    EXPECT_EQ(found[0].check, d.check);
    EXPECT_EQ(found[0].message.rfind(d.message, 0), 0u) << found[0].message;
}

INSTANTIATE_TEST_SUITE_P(
    OneFaultEach, DamagedRun,
    ::testing::Values(
        Damage{"DisplaySizeOneColumnShort", false,
               [](SavedRun& s) { PutInt32(s.corr, ChunkAt(s.corr, "Disp") + 4, 998); },
               "chunk", "Disp size 998, expected 1000"},
        Damage{"Truncated", false, [](SavedRun& s) { s.corr.resize(s.corr.size() - 3); },
               "chunk", "Cor0 size 17416 with 17413 bytes left"},
        Damage{"FilterRecordSize", false,
               [](SavedRun& s) { PutInt32(s.corr, ChunkAt(s.corr, "FltR") + 4, 18); },
               "chunk", "FltR filter 0 size 18, expected 17"},
        Damage{"InfoSizeAgainstItsStrings", false,
               [](SavedRun& s) { PutInt32(s.corr, ChunkAt(s.corr, "Info") + 4, 21); },
               "chunk", "Info size 21, its strings take 20"},
        Damage{"ValidCountWithoutItsAccumulator", false, [](SavedRun& s) { PutInt32(s.corr, kValidCountAt, 2); },
               "counts", "Cor0 stored; 2 valid and 1 traces call for Cor0-Cor1"},
        Damage{"AccumulatorStoredTwice", false,
               [](SavedRun& s) { s.corr += s.corr.substr(ChunkAt(s.corr, "Cor0")); },
               "chunk", "Cor0 after the last accumulator"},
        Damage{"InfoStoredTwice", false,
               [](SavedRun& s) {
                   const size_t at = ChunkAt(s.corr, "Info");
                   const std::string chunk = s.corr.substr(at, 8 + static_cast<size_t>(Int32At(s.corr, at + 4)));
                   s.corr.insert(at, chunk);
               },
               "chunk", "Info stored twice"},
        Damage{"RangeAgainstTheLagCount", false,
               [](SavedRun& s) { const float ms = 90.0f; std::memcpy(&s.corr[kRangeAt], &ms, 4); },
               "lags", "L 1088 stored; a range of 90 ms at 10000 Hz gives 988"},
        Damage{"RedSamplesStored", false, [](SavedRun& s) { PutInt32(s.corr, kRedStoredAt, 24096); },
               "recording", "Red samples stored 24096, the recording holds 20000 frames"},
        Damage{"RecordingRate", false, [](SavedRun& s) { PutInt32(s.wav, 24, 8000); },
               "recording", "at 8000 Hz, the run at 10000 Hz"},
        Damage{"WindowTurnedRound", false,
               [](SavedRun& s) {
                   const int32_t left = Int32At(s.corr, kLeftLagAt);
                   PutInt32(s.corr, kLeftLagAt, Int32At(s.corr, kLeftLagAt + 4));
                   PutInt32(s.corr, kLeftLagAt + 4, left);
               },
               "window", "lags 1000 ... -1000; a window lies in -1088 ... 1088"},
        Damage{"RecordingMissing", false, [](SavedRun& s) { s.wav.clear(); }, "recording", "missing"},
        Damage{"DisplayColumn", false,
               [](SavedRun& s) { s.corr[ChunkAt(s.corr, "Disp") + 8 + 2 * 17] ^= 4; },
               "display", "against Cor0: 1 of 500 columns differ (first 17"},
        Damage{"PostFilteredDisplayColumn", true,
               [](SavedRun& s) { s.corr[ChunkAt(s.corr, "Disp") + 8 + 2 * 17] ^= 4; },
               "display", "against Cor0: 1 of 500 columns differ (first 17"},
        Damage{"CursorOffThePeak", false,
               [](SavedRun& s) { PutInt32(s.corr, kCursorLagAt, Int32At(s.corr, kCursorLagAt) + 1); },
               "cursor", "on the peak at lag 301, Cor0 peaks at lag 300"},
        Damage{"FilteredAccumulatorAgainstTheUnfiltered", true,
               [](SavedRun& s) { s.corr[ChunkAt(s.corr, "Cor0") + 8 + 8 * 1088] ^= 1; },
               "post_filter", "Cor0 against CorU through the stored band: 1 of 2177 lags differ (first 0"}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });
