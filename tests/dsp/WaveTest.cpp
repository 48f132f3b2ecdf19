// The sample store: ring arithmetic, overrun, positions, level, envelope and
// its record, with record bytes written out by hand.

#include <gtest/gtest.h>

#include <numeric>
#include <sstream>
#include <vector>

#include "HexBytes.h"
#include "archive/Archive.h"
#include "dsp/Wave.h"

namespace {

std::vector<int16_t> Ramp(int first, int count) {
    std::vector<int16_t> v(static_cast<size_t>(count));
    std::iota(v.begin(), v.end(), static_cast<int16_t>(first));
    return v;
}

std::vector<int16_t> ReadAll(CWave& wave) {
    std::vector<int16_t> out(static_cast<size_t>(wave.Size()));
    out.resize(static_cast<size_t>(wave.ReadSamples(wave.Size(), out.data())));
    return out;
}

void Write(CWave& wave, const std::vector<int16_t>& v) {
    wave.WriteSamples(static_cast<int32_t>(v.size()), v.data());
}

// The error a record raises, or "" when it reads.
std::string ReadError(CWave& wave, std::istream& is) {
    try {
        wave.Read(is);
    } catch (const archive::ArchiveError& e) {
        return e.what();
    }
    return "";
}

// ---- The reader and the writer share one ring.

TEST(WaveStore, OverrunKeepsNewestSizeMinusOne) {
    CWave wave(15);
    Write(wave, Ramp(0, 30));
    EXPECT_EQ(ReadAll(wave), Ramp(15, 15));
    EXPECT_EQ(wave.FirstSample(), 14);
    EXPECT_EQ(wave.SamplesStored(), 16);
}

// Regression: a reader waiting at slot 0 was not seen as overrun by a write
// ending exactly at the end of the buffer, and lost every unread sample.
TEST(WaveStore, OverrunEndingAtTheBufferEndKeepsNewestSizeMinusOne) {
    CWave wave(15);
    Write(wave, Ramp(0, 10));
    Write(wave, Ramp(10, 6));  // head reaches slot 16 = slot 0, where the reader waits
    EXPECT_EQ(ReadAll(wave), Ramp(1, 15));

    CWave whole(15);
    Write(whole, Ramp(0, 16));  // one write of exactly size samples
    EXPECT_EQ(ReadAll(whole), Ramp(1, 15));
}

TEST(WaveStore, WrapAroundReadsComeBackInOrder) {
    CWave wave(15);
    Write(wave, Ramp(0, 12));
    ASSERT_EQ(ReadAll(wave).size(), 12u);
    Write(wave, Ramp(100, 12));  // slots 12 ... 15, then 0 ... 7
    EXPECT_EQ(ReadAll(wave), Ramp(100, 12));
    EXPECT_EQ(wave.ReadSamples(20, nullptr), 0);
}

TEST(WaveStore, AnySplitOfTheWritesStoresTheSame) {
    const std::vector<int16_t> data = Ramp(-500, 1000);
    CWave whole(97);
    Write(whole, data);
    const std::vector<int16_t> expected = ReadAll(whole);
    for (int split : {1, 7, 96, 97, 98, 500}) {
        CWave pieces(97);
        for (size_t at = 0; at < data.size(); at += static_cast<size_t>(split)) {
            const int32_t n = std::min<int32_t>(split, static_cast<int32_t>(data.size() - at));
            pieces.WriteSamples(n, data.data() + at);
        }
        EXPECT_EQ(ReadAll(pieces), expected) << "split " << split;
    }
}

// A store sized for the longest run takes memory as writes reach its slots
// (every new run used to zero 5 MB of stores before its first sample); slots
// never written read as zeros wherever a reader looks.
TEST(WaveStore, MemoryFollowsTheWritesAndUnwrittenSlotsReadZero) {
    CWave wave(600000);
    EXPECT_EQ(wave.SlotsAllocated(), 0);
    Write(wave, {100, -50, 20});
    EXPECT_LE(wave.SlotsAllocated(), 4096);
    wave.SetPos(-4);  // round the ring into slots never written
    std::vector<int16_t> out(7, 9);
    ASSERT_EQ(wave.ReadSamples(7, out.data()), 7);
    EXPECT_EQ(out, (std::vector<int16_t>{0, 0, 0, 0, 100, -50, 20}));
    const std::vector<uint32_t>& envelope = wave.ComputeEnvelope(2048, 2);  // slots -7 ... -3, -2 ... 2
    EXPECT_EQ(envelope[0], 0u);
    EXPECT_EQ(CWave::EnvelopeMax(envelope[1]), 100);
    EXPECT_EQ(CWave::EnvelopeMin(envelope[1]), -50);
    Write(wave, std::vector<int16_t>(600000, 7));
    EXPECT_EQ(wave.SlotsAllocated(), wave.Size());
    EXPECT_EQ(ReadAll(wave).back(), 7);
}

// ---- Positions are sample numbers counted since the last Reset.

TEST(WavePosition, SetPosWithinTheStoreReadsThatSample) {
    CWave wave(15);
    Write(wave, Ramp(0, 40));
    for (int32_t p = wave.FirstSample(); p < wave.SampleTotal(); ++p) {
        wave.SetPos(p);
        EXPECT_EQ(wave.ReadSample(), p);
    }
    // The oldest sample shares its slot with the writer, so at most size - 1
    // count as unread; from the next one on the position reads back.
    for (int32_t p = wave.FirstSample() + 1; p <= wave.SampleTotal(); ++p) {
        wave.SetPos(p);
        EXPECT_EQ(wave.GetPos(), p);
    }
}

TEST(WavePosition, SetPosOlderThanFirstSampleIsNotClamped) {
    CWave wave(15);
    Write(wave, Ramp(0, 30));
    wave.SetPos(wave.FirstSample() - 3);
    EXPECT_EQ(wave.GetPos(), wave.SampleTotal() - 3);  // three slots behind the writer, round the ring
}

// Regression: with the writer at slot 0, a position one sample older than the
// store gave the read position -1, and the next read went before the buffer.
TEST(WavePosition, FarPositionsStayInsideTheRing) {
    CWave wave(15);
    Write(wave, Ramp(0, 32));  // head back at slot 0
    for (int32_t p : {wave.FirstSample() - 1, -100000, 31 + 40, INT32_MIN, INT32_MAX}) {
        wave.SetPos(p);
        EXPECT_GE(wave.UnreadCount(), 0);
        EXPECT_LT(wave.UnreadCount(), wave.Size());
        std::vector<int16_t> out(16);
        EXPECT_LE(wave.ReadSamples(16, out.data()), 15);
    }
}

// Runs of held samples are handed out where they lie; a run that wraps round
// the ring's end or reaches past what is held is not, and reading a run
// leaves the read position where it was.
TEST(WavePosition, StoredRunsAreTheHeldSamplesWhereTheyDoNotWrap) {
    CWave wave(15);            // 16 slots
    Write(wave, Ramp(0, 40));  // 24 ... 39 held; 32 ... 39 in slots 0 ... 7, the writer at slot 8
    wave.SetPos(30);
    const int32_t unread = wave.UnreadCount();
    const auto run = [&wave](int32_t first, int32_t count) {
        const int16_t* p = wave.StoredRun(first, count);
        return p ? std::vector<int16_t>(p, p + count) : std::vector<int16_t>{};
    };
    EXPECT_EQ(run(32, 8), Ramp(32, 8));
    EXPECT_EQ(run(24, 8), Ramp(24, 8));  // the oldest, from the writer's slot on
    EXPECT_EQ(wave.StoredRun(30, 4), nullptr);  // slots 14, 15, 0, 1
    EXPECT_EQ(wave.StoredRun(24, 9), nullptr);  // one past the ring's end
    EXPECT_EQ(wave.StoredRun(23, 2), nullptr);  // 23 is overwritten
    EXPECT_EQ(wave.StoredRun(38, 3), nullptr);  // 40 is not written yet
    EXPECT_EQ(wave.StoredRun(32, 0), nullptr);
    EXPECT_EQ(wave.UnreadCount(), unread);
}

// ---- Level and envelope for the listen screen.

TEST(WaveLevel, FewerThan1000SamplesGiveOneThenASquareWaveGivesItsPower) {
    CWave few(1000);
    Write(few, std::vector<int16_t>(999, 1000));
    EXPECT_EQ(few.SignalLevel(), 1.0f);
    CWave wave(1000);
    Write(wave, std::vector<int16_t>(300, 7));  // older samples are outside the window
    for (int i = 0; i < 1000; ++i) wave.WriteSample(i % 2 ? 1000 : -1000);
    // 10 log10(1000 * 1000^2) - 93.2099...
    EXPECT_NEAR(wave.SignalLevel(), 90.0 - 93.2099380493164, 1e-4);
}

// Regression: a constant signal gave log10 of zero (or of a negative
// rounding residue) and the screen showed "-inf" or "nan".
TEST(WaveLevel, ConstantSignalGivesTheFloor) {
    CWave wave(1000);
    Write(wave, std::vector<int16_t>(1500, 2000));
    EXPECT_NEAR(wave.SignalLevel(), -93.2099380493164, 1e-4);
}

TEST(WaveEnvelope, ColumnsHoldMaxLowAndMinHigh) {
    CWave wave(9);  // 10 slots; 2 columns of 5
    Write(wave, {9, 9, -3, 1, 2, 3, 4, 5, -6, 7, 8, -2});
    const std::vector<uint32_t>& env = wave.ComputeEnvelope(2048, 2);
    ASSERT_EQ(env.size(), 2u);
    // Column 0: -3 1 2 3 4. Column 1 starts from 4, the last value seen: 5 -6 7 8 -2.
    EXPECT_EQ(env[0], 0xFFFD0004u);
    EXPECT_EQ(CWave::EnvelopeMax(env[1]), 8);
    EXPECT_EQ(CWave::EnvelopeMin(env[1]), -6);
}

TEST(WaveEnvelope, GainTruncatesTowardZeroAndColumnsHoldAtMostFive) {
    CWave wave(1000);
    Write(wave, {100, -100, 0, 0, 0, 0, 0, 0, 0, 0});
    const std::vector<uint32_t>& env = wave.ComputeEnvelope(50, 2);
    // 100 * 50 / 2048 = 2.44 -> 2; -100 -> -2; five samples per column.
    EXPECT_EQ(CWave::EnvelopeMax(env[0]), 2);
    EXPECT_EQ(CWave::EnvelopeMin(env[0]), -2);
    EXPECT_EQ(env[1], 0u);
    EXPECT_TRUE(wave.ComputeEnvelope(50, 0).empty());
}

// ---- The record.

// Capacity 3 after 5 samples 1 ... 5: slots 5 2 3 4, reader at slot 2.
const char kRecordOfFive[] =
    "14 00 00 00 | 04 00 00 00 | 05 00 00 00 | 02 00 00 00 | 05 00 02 00 03 00 04 00";

TEST(WaveRecord, WritesCountersThenSlotsInSlotOrderAndReadsThemBack) {
    CWave written(3);
    Write(written, {1, 2, 3, 4, 5});
    std::ostringstream os;
    written.Write(os);
    EXPECT_EQ(os.str(), Hex(kRecordOfFive));
    std::istringstream is(Hex(kRecordOfFive));
    CWave wave(1);
    wave.Read(is);
    EXPECT_EQ(wave.Size(), 4);
    EXPECT_EQ(wave.SampleTotal(), 5);
    EXPECT_EQ(wave.FirstSample(), 1);
    EXPECT_EQ(ReadAll(wave), (std::vector<int16_t>{3, 4, 5}));
    Write(wave, {6});  // the head was restored too
    EXPECT_EQ(ReadAll(wave), (std::vector<int16_t>{6}));
}

// Regression: the count wrapped negative after 2^31 samples and the reader
// refused the record the writer then produced. A run of any length saves.
TEST(WaveRecord, CountSaturatesSoARunOfAnyLengthSavesAndReopens) {
    // Four slots, total 2^31 - 3, writer at slot 1.
    std::istringstream is(Hex("14 00 00 00 | 04 00 00 00 | fd ff ff 7f | 01 00 00 00 | 01 00 02 00 03 00 04 00"));
    CWave wave(1);
    wave.Read(is);
    Write(wave, {5, 6, 7, 8, 9});
    EXPECT_EQ(wave.SampleTotal(), INT32_MAX);
    EXPECT_EQ(ReadAll(wave), (std::vector<int16_t>{5, 6}));
    std::stringstream saved;
    wave.Write(saved);
    CWave reopened(1);
    reopened.Read(saved);
    EXPECT_EQ(reopened.SampleTotal(), INT32_MAX);
    EXPECT_EQ(reopened.SamplesStored(), 4);
}

TEST(WaveRecord, SizeMismatchRaisesBeforeAnySampleIsRead) {
    std::istringstream is(Hex("16 00 00 00 | 04 00 00 00 | 05 00 00 00 | 02 00 00 00 | 05 00 02 00 03 00 04 00"));
    CWave wave(2);
    Write(wave, {8, 9});
    EXPECT_EQ(ReadError(wave, is), "CWave chunk size error");
    EXPECT_EQ(is.tellg(), 16);  // only the counters were consumed
    EXPECT_EQ(wave.Size(), 3);  // and the store is as it was
    EXPECT_EQ(ReadAll(wave), (std::vector<int16_t>{8, 9}));
}

// Hostile counters whose record size agrees with them: a zero slot count
// (divides by zero), negative or huge ones (allocation), a read position off
// the ring, a record cut short.
TEST(WaveRecord, HostileCountersRaiseTheChunkSizeError) {
    for (const char* record : {"0c 00 00 00 | 00 00 00 00 | 00 00 00 00 | 00 00 00 00",  // size 0
                               "0a 00 00 00 | ff ff ff ff | ff ff ff ff | 00 00 00 00",  // size -1, total -1
                               "0c 00 00 00 | ff ff ff 7f | 00 00 00 00 | 00 00 00 00",  // 2^31 - 1 slots
                               "0c 00 00 00 | 04 00 00 00 | 00 00 00 00 | 04 00 00 00",  // reader off the ring
                               "0c 00 00 00 | 04 00 00 00 | 00 00 00 00 | ff ff ff ff",  // negative reader
                               "14 00 00 00 | 04 00 00 00 | 05 00 00 00 | 02 00 00 00 | 05 00 02 00",  // cut short
                               "14 00 00 00 | 04 00"}) {                                 // no counters
        std::istringstream is(Hex(record));
        CWave wave(2);
        EXPECT_EQ(ReadError(wave, is), "CWave chunk size error") << record;
        EXPECT_EQ(wave.Size(), 3);
    }
}

}  // namespace
