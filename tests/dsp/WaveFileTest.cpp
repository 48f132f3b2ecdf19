// A run's recording: the writer's bytes against a header written out by hand,
// positions left as they were, and playback of good, short and foreign files.

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <vector>

#include "HexBytes.h"
#include "dsp/Wave.h"
#include "dsp/WaveFile.h"

namespace {

// Header of a 10000 Hz recording of 2 frames.
const char kHeaderTwoFrames[] =
    "'RIFF' 2c 00 00 00 'WAVE' 'fmt ' 10 00 00 00 | 01 00 | 02 00 | 10 27 00 00 | 40 9c 00 00"
    "| 04 00 | 10 00 'data' 08 00 00 00";

CWaveReader ReaderOf(const std::string& bytes) {
    CWaveReader reader;
    EXPECT_TRUE(reader.Open(std::make_unique<std::istringstream>(bytes)));
    return reader;
}

// A header as another program might write it, with the layout fields given.
std::string HeaderWith(const char* formatChannels, const char* alignBits, const char* dataSize) {
    return Hex(std::string("'RIFF' 2c 00 00 00 'WAVE' 'fmt ' 10 00 00 00 ") + formatChannels +
               " 10 27 00 00 40 9c 00 00 " + alignBits + " 'data' " + dataSize);
}

TEST(WavWriter, HeaderAndFramesMatchBytesWrittenByHand) {
    CWave red(10), blue(10);
    const int16_t r[] = {1, -2}, b[] = {3, 2047};
    red.WriteSamples(2, r);
    blue.WriteSamples(2, b);
    std::ostringstream os;
    ASSERT_TRUE(wavfile::WriteWav(os, red, blue, 10000.7f));  // the rate is rounded down
    // Frames: Red * 16 then Blue * 16.
    EXPECT_EQ(os.str(), Hex(kHeaderTwoFrames) + Hex("10 00 30 00 | e0 ff f0 7f"));
}

TEST(WavWriter, WritesTheStoredSamplesFromTheOldestAndRestoresPositions) {
    CWave red(3), blue(3);
    for (int16_t i = 1; i <= 6; ++i) {
        red.WriteSample(i);
        blue.WriteSample(static_cast<int16_t>(-i));
    }
    red.SetPos(4);
    blue.SetPos(5);
    std::ostringstream os;
    ASSERT_TRUE(wavfile::WriteWav(os, red, blue, 10000.0f));
    EXPECT_EQ(red.GetPos(), 4);
    EXPECT_EQ(blue.GetPos(), 5);
    // Four slots hold samples 3 ... 6 (sample numbers 2 ... 5).
    EXPECT_EQ(os.str().substr(40), Hex("10 00 00 00 | 30 00 d0 ff | 40 00 c0 ff | 50 00 b0 ff | 60 00 a0 ff"));
}

TEST(WavReader, ReturnsTheRemainingFramesThenZero) {
    CWaveReader reader = ReaderOf(Hex(kHeaderTwoFrames) + Hex("10 00 30 00 | e0 ff f0 7f"));
    EXPECT_EQ(reader.FrameCount(), 2);
    EXPECT_EQ(reader.SampleRate(), 10000);
    EXPECT_EQ(reader.Channels(), 2);
    int16_t frames[6] = {};
    ASSERT_EQ(reader.ReadFrames(3, frames), 2);
    EXPECT_EQ(std::vector<int16_t>(frames, frames + 4), (std::vector<int16_t>{16, 48, -32, 32752}));
    EXPECT_EQ(reader.ReadFrames(3, frames), 0);
    reader.SetPosition(1);
    ASSERT_EQ(reader.ReadFrames(1, frames), 1);
    EXPECT_EQ(frames[0], -32);
}

TEST(WavReader, DataSizeBeyondTheFileOrAShortHeaderCountsOnlyTheFramesPresent) {
    // Announces 100 frames, holds one and a half.
    CWaveReader reader = ReaderOf(HeaderWith("01 00 02 00", "04 00 10 00", "90 01 00 00") + Hex("01 00 02 00 03 00"));
    EXPECT_EQ(reader.FrameCount(), 1);
    int16_t frames[8];
    EXPECT_EQ(reader.ReadFrames(4, frames), 1);
    EXPECT_EQ(reader.ReadFrames(4, frames), 0);
    CWaveReader cut = ReaderOf(Hex("'RIFF' 2c 00"));  // shorter than a header
    EXPECT_EQ(cut.FrameCount(), 0);
    EXPECT_EQ(cut.ReadFrames(1, frames), 0);
}

// Regression: frames were counted by dividing by the block align (0 crashed)
// and read as block align bytes each (a wider layout overran the caller's
// two values per frame). Anything but 16-bit stereo PCM plays no frames.
struct ForeignLayout {
    const char* name;
    const char* formatChannels;
    const char* alignBits;
};

class WavReaderForeign : public ::testing::TestWithParam<ForeignLayout> {};

TEST_P(WavReaderForeign, IsARecordingWithNoFrames) {
    const ForeignLayout& layout = GetParam();
    CWaveReader reader =
        ReaderOf(HeaderWith(layout.formatChannels, layout.alignBits, "10 00 00 00") + std::string(16, '\x7f'));
    EXPECT_FALSE(reader.Playable());
    EXPECT_EQ(reader.FrameCount(), 0);
    int16_t frames[16] = {};
    EXPECT_EQ(reader.ReadFrames(8, frames), 0);
    EXPECT_EQ(frames[0], 0);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, WavReaderForeign,
    ::testing::Values(ForeignLayout{"BlockAlignZero", "01 00 02 00", "00 00 10 00"},
                      ForeignLayout{"EightChannels", "01 00 08 00", "10 00 10 00"},
                      ForeignLayout{"Mono", "01 00 01 00", "02 00 10 00"},
                      ForeignLayout{"EightBit", "01 00 02 00", "02 00 08 00"},
                      ForeignLayout{"Float", "03 00 02 00", "08 00 20 00"},
                      ForeignLayout{"WideAlign", "01 00 02 00", "08 00 10 00"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
