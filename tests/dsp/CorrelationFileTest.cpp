// The ".corr" file against bytes written out by hand, hostile counts and
// truncations, reopening a run as OPEN does and restarting its replay.

#include <gtest/gtest.h>

#include <cmath>

#include <memory>
#include <sstream>
#include <string>

#include "archive/Archive.h"
#include "dsp/Correlation.h"
#include "dsp/HexBytes.h"
#include "dsp/CorrTestSupport.h"

namespace {

const char kDataError[] = "CCorrelation Read: Data format unknown or corrupted file";

// "Data" of a one-trace run with L = 1 and two columns; size 93. Field 23
// (Red samples stored) is 0 and the rate 10000, as a new object writes them.
std::string DataFields(bool withElapsed = true) {
    std::string d = Hex(
        "00 00 c8 42 | 01 00 00 00 | 01 00 00 00 "     // range 100.0 ms, L 1
        "05 00 00 00 00 00 00 00 00 00 00 00 "         // positions 5, 0, 0
        "02 00 00 00 | 00 00 c8 c2 | 00 00 c8 42 "     // 2 columns, window -100 ... 100
        "01 00 00 00 | ff ff ff ff | 01 00 00 00 "     // ms, lags -1 ... 1
        "64 00 | ff ff ff ff | 00 00 00 00 "           // height 100, suppression -1 ... 0
        "02 | 01 00 00 00 | 01 | 00 "                  // mode 2, cursor 1 on peak, off
        "01 00 00 00 | 01 00 00 00 | 00 00 00 00 "     // 1 accumulator, 1 trace, trace 0
        "20 4e 00 00 | 00 40 1c 46 | 00 00 00 00 ");   // 20000 correlated, 10000.0, 0 stored
    if (withElapsed) d += Hex("d2 04 00 00");          // 1234 ms
    return d;
}

const std::string kFilter = Hex("11 00 00 00  00 00 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00");

// A chunk size as four little-endian bytes.
std::string SizeBytes(const std::string& body) {
    const auto n = static_cast<uint32_t>(body.size());
    return std::string{static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                       static_cast<char>(n >> 24)};
}

std::string Chunks(const std::string& data, const std::string& accumulator, const std::string& beforeDisp = "") {
    return Hex("'TkCo' 02 00 00 00 01 00 'Data'") + SizeBytes(data) + data +
           Hex("'Info' 16 00 00 00  01 00 00 00 41 00  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00") +
           Hex("'Pipe' 18 00 00 00  00 00 00 00 01 00 00 00 02 00 00 00 00 00 00 00 00 40 1c 46 43 00 00 00") +
           Hex("'FltL'") + kFilter + kFilter + kFilter + Hex("'FltR'") + kFilter + kFilter + kFilter + beforeDisp +
           Hex("'Disp' 04 00 00 00 64 00 ff ff") + accumulator;
}

// Lags -1, 0, +1 hold -5, 7 and 2^32.
const std::string kCor0 = Hex("'Cor0' 18 00 00 00  fb ff ff ff ff ff ff ff  07 00 00 00 00 00 00 00  00 00 00 00 01 00 00 00");

std::string HandFile() { return Chunks(DataFields(), kCor0); }

// A run read from the bytes.
std::unique_ptr<CCorrelation> Reopened(const std::string& bytes, bool headerOnly = false) {
    auto run = std::make_unique<CCorrelation>();
    std::istringstream in(bytes);
    run->Read(in, headerOnly);
    return run;
}

std::string ReadError(const std::string& bytes, bool headerOnly = false) {
    CCorrelation run;
    std::istringstream in(bytes);
    try {
        run.Read(in, headerOnly);
    } catch (const archive::ArchiveError& e) {
        return e.what();
    }
    return "";
}

}  // namespace

TEST(CorrelationFile, ReadThenWriteReproducesTheHandWrittenBytes) {
    const auto run = Reopened(HandFile());
    EXPECT_EQ(run->MaxLag(), 1);
    EXPECT_EQ(run->Accumulator(0), (std::vector<int64_t>{-5, 7, int64_t{1} << 32}));
    EXPECT_EQ(run->DisplayColumns(), (std::vector<int16_t>{100, -1}));
    EXPECT_EQ(run->Info()[0], u"A");
    EXPECT_EQ(run->Clock().ElapsedMs(), 1234u);
    EXPECT_EQ(run->PostFilter(), 0);
    std::ostringstream out;
    run->Write(out);
    EXPECT_EQ(out.str(), HandFile());
}

TEST(CorrelationFile, OldDataChunkTakesElapsedFromSamplesCorrelated) {
    const auto run = Reopened(Chunks(DataFields(false), kCor0));
    EXPECT_EQ(run->Clock().ElapsedMs(), 2000u);  // 20000 samples at 10000 Hz
    EXPECT_FALSE(run->Clock().running);
}

TEST(CorrelationFile, ThirtyTwoBitAccumulatorsAreSignExtended) {
    const auto run = Reopened(Chunks(DataFields(), Hex("'Cor0' 0c 00 00 00 ff ff ff ff ff ff ff ff ff ff ff ff")));
    EXPECT_EQ(run->Accumulator(0), (std::vector<int64_t>{-1, -1, -1}));
}

TEST(CorrelationFile, UnknownChunkBeforeDispIsSkipped) {
    const auto run = Reopened(Chunks(DataFields(), kCor0, Hex("'Xtra' 03 00 00 00 'abc'")));
    EXPECT_EQ(run->DisplayColumns(), (std::vector<int16_t>{100, -1}));
}

TEST(CorrelationFile, UnfilteredChunkReopensInPostFilterMode) {
    const std::string corU = Hex("'CorU' 18 00 00 00") + std::string(24, '\1');
    const auto run = Reopened(Chunks(DataFields(), corU + kCor0));
    EXPECT_EQ(run->PostFilter(), 1);
    EXPECT_EQ(run->UnfilteredAccumulator()[0], 0x0101010101010101);
    // The post-filters are rebuilt from the Blue filters, notch on.
    EXPECT_TRUE(run->PostFilterOf(0).Band().notchOn);
    EXPECT_EQ(run->PostFilterOf(0).Taps(), 177);
}

TEST(CorrelationFile, HeaderOnlySkipsTraceAndAccumulators) {
    const auto run = Reopened(HandFile(), true);
    EXPECT_EQ(run->Info()[0], u"A");
    EXPECT_EQ(run->DisplayColumns(), (std::vector<int16_t>{0, 0}));
    EXPECT_NE(run->Accumulator(0).size(), 3u);
}

// A wrong magic, version or type; a Data size outside 89 ... 93; an
// accumulator or trace of the wrong size or out of place; a missing last
// accumulator and a hostile size in a chunk to be skipped.
TEST(CorrelationFileErrors, EachDamageRaisesItsMessage) {
    const auto with = [](size_t at, char byte) {
        std::string bytes = HandFile();
        bytes[at] = byte;
        return bytes;
    };
    std::string disp = HandFile(), twoAccumulators = DataFields();
    disp.replace(disp.find("Disp") + 4, 1, "\x06");
    twoAccumulators[65] = 2;  // two announced, only Cor0 present
    const char kType[] = "CCorrelation Read: Unknown file type", kCut[] = "CCorrelation Read: Corrupted file";
    const std::pair<std::string, const char*> rows[] = {
        {with(3, 'x'), kType},
        {with(4, 3), kType},
        {with(8, 2), kType},
        {with(14, 94), kDataError},
        {with(14, 88), kDataError},
        {Chunks(DataFields(), Hex("'Cor0' 10 00 00 00") + std::string(16, '\0')), kDataError},
        {disp, kDataError},
        {Hex("'TkCo' 02 00 00 00 01 00") + kCor0, kDataError},  // accumulator before "Data"
        {Chunks(twoAccumulators, kCor0), kCut},
        {Chunks(DataFields(), kCor0, Hex("'Xtra' ff ff ff ff")), kCut},
    };
    for (size_t row = 0; row < std::size(rows); ++row) EXPECT_EQ(ReadError(rows[row].first), rows[row].second) << row;
    CCorrelation run;
    std::istringstream in(with(3, 'x'));  // raised before anything else is read
    EXPECT_THROW(run.Read(in), archive::ArchiveError);
    EXPECT_EQ(in.tellg(), 4);
    EXPECT_EQ(run.MaxLag(), 1088);
}

// Counts that would size arrays: L, columns, traces, accumulators; a negative
// count of Red samples received; the range and window delays that become lags
// (NaN, infinity); window, cursor and suppression lags beyond L (the window's
// INT_MIN ... INT_MAX overflowed the column arithmetic when OPEN drew the run).
// Each hostile value raises the data error before anything is allocated.
TEST(CorrelationFileErrors, HostileCountsRaiseTheDataErrorBeforeAllocating) {
    const std::pair<size_t, uint32_t> fields[] = {  // offset in the "Data" body, value
        {8, 0xFFFFFFFF},  {8, 0x40000000},  {8, 200089},      {24, 0xFFFFFFFF}, {24, 0x01000000},
        {65, 0},          {65, 6},          {69, 0},          {69, 4},          {85, 0xFFFFFFFF},
        {0, 0x7FC00000},  {0, 0x7F800000},  {28, 0xFF800000}, {32, 0x7FC00000}, {40, 0x80000000},
        {44, 0x7FFFFFFF}, {40, 2},          {59, 0xFFFFFFFE}, {50, 0x80000000}, {54, 3}};
    for (const auto& [offset, value] : fields) {
        std::string data = DataFields();
        for (int i = 0; i < 4; ++i) data[offset + i] = static_cast<char>(value >> (8 * i));
        EXPECT_EQ(ReadError(Chunks(data, kCor0)), kDataError) << offset << " " << value;
    }
}

// An hour's run received far more than its raw store keeps, and a replay
// counts on from the largest count without wrapping.
TEST(CorrelationFile, LongRunsReopenAndTheirSampleCountSaturates) {
    for (uint32_t count : {36000000u, 0x7FFFFFFFu}) {
        std::string data = DataFields();
        for (int i = 0; i < 4; ++i) data[85 + i] = static_cast<char>(count >> (8 * i));
        CCorrelation run;
        std::istringstream in(Chunks(data, kCor0));
        ASSERT_NO_THROW(run.Read(in)) << count;
        const std::vector<int16_t> more(100, 1);
        run.AddRedSamples(more.data(), 100);
        EXPECT_EQ(run.RedSamplesReceived(), count == 0x7FFFFFFFu ? 0x7FFFFFFF : 36000100) << count;
    }
}

// A stored window of finite delays whose unit converts to a delay in samples
// beyond a float (a hostile file's window, zoomed to on the screen) leaves a
// run that saves and reads back, its window clamped to the lags.
TEST(CorrelationFile, AWindowBeyondAFloatInSamplesStillSavesAndReadsBack) {
    constexpr int32_t kMs = static_cast<int32_t>(DelayUnit::Milliseconds);
    constexpr int32_t kSamples = static_cast<int32_t>(DelayUnit::Samples);
    CCorrelation run;
    run.SetVisibleWindow(-3e38f, 3e38f, kMs);
    ASSERT_TRUE(std::isinf(run.VisibleRight(kSamples)));
    run.SetVisibleWindow(run.VisibleLeft(kSamples), run.VisibleRight(kSamples), kSamples);
    std::ostringstream saved;
    run.Write(saved);
    CCorrelation back;
    std::istringstream in(saved.str());
    ASSERT_NO_THROW(back.Read(in));
    EXPECT_EQ(back.VisibleLeft(kSamples), -1088.0f);
    EXPECT_EQ(back.VisibleRight(kSamples), 1088.0f);
}

// One object takes every cut in turn (a run costs milliseconds to build), so
// each read also starts from the state the previous failure left.
TEST(CorrelationFileErrors, EveryTruncationRaisesAndNeverSucceeds) {
    const std::string whole = HandFile();
    CCorrelation run;
    for (size_t n = 0; n < whole.size(); ++n) {
        std::istringstream in(whole.substr(0, n));
        EXPECT_THROW(run.Read(in), archive::ArchiveError) << "cut at " << n;
    }
}

TEST(RecordingName, CorrGainsTheCompanionSuffix) {
    EXPECT_EQ(RecordingName("\\NandFlash\\Data\\run1.corr"), "\\NandFlash\\Data\\run1_corr.wav");
    EXPECT_EQ(RecordingName("run1.dat"), "run1.dat.wav");
}

// Regression: OPEN went on with a half-read object after a read error.
TEST(OpenRun, ReadErrorLeavesANewEmptyRunWithTheRecording) {
    std::string bytes = HandFile();
    bytes.resize(bytes.size() - 3);  // cut inside Cor0
    std::istringstream corr(bytes);
    OpenedRun opened = OpenRunFromStreams(&corr, std::make_unique<std::istringstream>(WavBytes({16, 32})), {});
    EXPECT_FALSE(opened.fileRead);
    EXPECT_EQ(opened.error, "CCorrelation Read: Corrupted file");
    ASSERT_TRUE(opened.run);
    EXPECT_EQ(opened.run->MaxLag(), 1088);       // not the file's 1
    EXPECT_EQ(opened.run->Columns(), 500);
    EXPECT_TRUE(opened.run->Info()[0].empty());  // nothing of the file kept
    EXPECT_TRUE(opened.recordingOpened);
}

// Regression: reopened runs measured delays at 10000 Hz whatever their rate.
TEST(OpenRun, DecimatedRunKeepsItsRateWithOrWithoutItsFile) {
    CCorrelation made(500, 100, 100.0f, 1, 2000.0f);
    made.Accumulator(0)[static_cast<size_t>(made.MaxLag() - 40)] = 1000;  // lag -40
    std::stringstream file;
    made.Write(file);
    OpenedRun opened = OpenRunFromStreams(&file, nullptr, {});
    ASSERT_TRUE(opened.fileRead);
    EXPECT_EQ(opened.run->SampleRate(), 2000.0f);
    EXPECT_FLOAT_EQ(opened.run->PeakDelay(0), -0.02f);
    std::istringstream broken("TkCo");
    OpenedRun recordingOnly = OpenRunFromStreams(&broken, std::make_unique<std::istringstream>(WavBytes({16, 32}, 2000)), {});
    EXPECT_FALSE(recordingOnly.fileRead);
    EXPECT_EQ(recordingOnly.run->SampleRate(), 2000.0f);
    EXPECT_EQ(recordingOnly.run->Pipe().GetSampleRate(), 2000.0f);
}

// A rate no run can have is not taken from a file.
TEST(OpenRun, ImplausibleStoredRateKeepsTheUnitRate) {
    CCorrelation made(500, 100, 100.0f, 1, 3000.0f);
    std::stringstream file;
    made.Write(file);
    OpenedRun opened = OpenRunFromStreams(&file, nullptr, {});
    ASSERT_TRUE(opened.fileRead);
    EXPECT_EQ(opened.run->SampleRate(), 10000.0f);
    EXPECT_EQ(opened.run->FileSampleRate(), 3000.0f);
}

TEST(OpenRun, RecordingOf4096FramesOrMorePrimesTheInputsWithItsLast4096) {
    std::vector<int16_t> frames;
    for (int32_t i = 0; i < 5000; ++i) frames.insert(frames.end(), {static_cast<int16_t>(16 * (i % 100)), 0});
    std::istringstream corr(HandFile());
    OpenedRun opened = OpenRunFromStreams(&corr, std::make_unique<std::istringstream>(WavBytes(frames)), {});
    ASSERT_TRUE(opened.fileRead);
    CCorrelation& run = *opened.run;
    EXPECT_EQ(run.RedRaw().SampleTotal(), 4096);
    run.RedRaw().SetPos(0);
    EXPECT_EQ(run.RedRaw().ReadSample(), 4);  // frame 904 holds 904 % 100
    EXPECT_EQ(run.Recording()->Position(), 0);
    std::istringstream again(HandFile());  // one frame short of 4096: not primed
    OpenedRun shortOne = OpenRunFromStreams(&again, std::make_unique<std::istringstream>(WavBytes(std::vector<int16_t>(2 * 4095, 16))), {});
    EXPECT_EQ(shortOne.run->RedRaw().SampleTotal(), 0);
}

// The run file's "Red samples stored" is the frame count of the recording
// saved with it, whatever the run: a live run, a decimated one, one longer
// than the raw store and a replay saved again. (A replay counted the 4096
// priming frames its raw stores hold in front of the recording.)
TEST(SavedRun, RedSamplesStoredIsTheFrameCountOfItsRecording) {
    struct Row { const char* name; int32_t frames; float rate; bool replay; };
    for (const Row& row : {Row{"live", 30000, 10000.0f, false}, Row{"decimated", 30000, 2000.0f, false},
                           Row{"longer than the store", CCorrelation::kRawCapacity + 5000, 10000.0f, false},
                           Row{"replay saved again", 30000, 10000.0f, true}}) {
        const std::vector<int16_t> red = Noise(static_cast<size_t>(row.frames), 1, 300);
        std::vector<int16_t> frames(2 * red.size());
        for (size_t i = 0; i < red.size(); ++i) frames[2 * i] = frames[2 * i + 1] = static_cast<int16_t>(16 * red[i]);
        OpenedRun opened;
        if (row.replay) {
            opened = OpenRunFromStreams(nullptr, std::make_unique<std::istringstream>(WavBytes(frames)), {});
            RestartReplay(*opened.run);
            ReplayRecording(*opened.run);
        } else {
            opened.run = CCorrelation::CreateStartupRun({}, row.rate);
            opened.run->AddRedSamples(red.data(), row.frames);
            opened.run->AddBlueSamples(red.data(), row.frames);
        }
        std::stringstream wav, corr;
        ASSERT_TRUE(WriteRunRecording(*opened.run, wav)) << row.name;
        opened.run->Write(corr);
        CWaveReader written;
        ASSERT_TRUE(written.Open(std::make_unique<std::stringstream>(std::move(wav))));
        CCorrelation reopened;
        reopened.Read(corr);
        EXPECT_EQ(reopened.RedSamplesReceived(), written.FrameCount()) << row.name;
        // A replay's whole recording; else what the raw store keeps of the run.
        EXPECT_EQ(written.FrameCount(), row.replay ? row.frames : opened.run->RedRaw().SamplesStored()) << row.name;
    }
}

// START on a replay (the range set after the restart), SNAPSHOT RESTART (no
// range) and a restart half-way correlate the same samples: the recording
// from its first frame, never its priming, so no more than the recording
// holds (frames - 2L, as a live run of those frames).
TEST(RestartReplay, EveryRestartCorrelatesTheWholeRecordingOnce) {
    const std::vector<int16_t> noise = Noise(2 * 20000, 7, 300);
    std::vector<int16_t> frames(noise.size());
    for (size_t i = 0; i < noise.size(); ++i) frames[i] = static_cast<int16_t>(16 * noise[i]);
    for (int32_t postFilter : {0, 1}) {
        OpenedRun opened = OpenRunFromStreams(nullptr, std::make_unique<std::istringstream>(WavBytes(frames)), {});
        CCorrelation& run = *opened.run;
        run.SetPostFilter(postFilter);
        std::vector<std::vector<int64_t>> results;
        for (int32_t fedFirst : {-1, 0, 3000}) {
            RestartReplay(run);
            if (fedFirst < 0) run.SetRange(100.0f, 1);  // as START, on the range the run has
            if (fedFirst > 0) {
                run.FeedFromWav(fedFirst);
                run.Correlate(INT32_MAX);
                RestartReplay(run);
            }
            ReplayRecording(run);
            EXPECT_EQ(run.SamplesCorrelated(), 20000 - 2 * run.MaxLag()) << postFilter << ' ' << fedFirst;
            results.push_back(postFilter ? run.UnfilteredAccumulator() : run.Accumulator(0));
        }
        EXPECT_EQ(results[1], results[0]) << postFilter;
        EXPECT_EQ(results[2], results[0]) << postFilter;
    }
}
