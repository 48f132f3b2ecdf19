// Recordings from other equipment: every sample format the analysis reads,
// from bytes written out by hand, and files it must refuse before allocating.

#include <gtest/gtest.h>

#include <sstream>

#include "../dsp/HexBytes.h"
#include "analysis/WavInput.h"

namespace {

using analysis::Audio;
using analysis::ReadWav;

Audio Read(const std::string& bytes) {
    std::istringstream is(bytes);
    return ReadWav(is, "x.wav");
}

std::string Message(const std::string& bytes) {
    try {
        Read(bytes);
    } catch (const analysis::InputError& e) {
        return e.what();
    }
    return "read";
}

struct FormatRow {
    const char* name;
    const char* bytes;  // whole file
    int32_t channels;
    std::vector<float> first;  // channel 0 then channel 1 of frame 0, then frame 1
};

// 8000 Hz (40 1f 00 00); two frames each.
const FormatRow kFormats[] = {
    {"int16 mono",
     "'RIFF' 28 00 00 00 'WAVE' 'fmt ' 10 00 00 00 01 00 01 00 40 1f 00 00 80 3e 00 00 02 00 10 00"
     " 'data' 04 00 00 00 00 40 00 80",
     1, {0.5f, -1.0f}},
    {"int24 stereo",
     "'RIFF' 30 00 00 00 'WAVE' 'fmt ' 10 00 00 00 01 00 02 00 40 1f 00 00 00 77 01 00 06 00 18 00"
     " 'data' 0c 00 00 00 00 00 c0 | ff ff ff | 00 00 40 | 01 00 00",
     2, {-0.5f, -1.0f / 8388608, 0.5f, 1.0f / 8388608}},
    {"int32 mono",
     "'RIFF' 2c 00 00 00 'WAVE' 'fmt ' 10 00 00 00 01 00 01 00 40 1f 00 00 00 7d 00 00 04 00 20 00"
     " 'data' 08 00 00 00 00 00 00 20 | 00 00 00 e0",
     1, {0.25f, -0.25f}},
    {"float32 stereo, a LIST chunk first",
     "'RIFF' 3e 00 00 00 'WAVE' 'LIST' 03 00 00 00 61 62 63 00 'fmt ' 10 00 00 00 03 00 02 00 40 1f 00 00"
     " 00 fa 00 00 08 00 20 00 'data' 10 00 00 00 00 00 40 3f | 00 00 80 bf | 00 00 00 00 | 00 00 00 40",
     2, {0.75f, -1.0f, 0.0f, 2.0f}},
    {"extensible int24 mono",
     "'RIFF' 40 00 00 00 'WAVE' 'fmt ' 28 00 00 00 fe ff 01 00 40 1f 00 00 80 5d 00 00 03 00 18 00"
     " 16 00 18 00 04 00 00 00 01 00 00 00 00 00 10 00 80 00 00 aa 00 38 9b 71"
     " 'data' 06 00 00 00 00 00 20 | 00 00 e0",
     1, {0.25f, -0.25f}},
};

// Each format's samples reach full scale +-1 with the right sign and order.
TEST(WavInputFormats, SamplesScaledToFullScaleInFrameOrder) {
    for (const FormatRow& row : kFormats) {
        SCOPED_TRACE(row.name);
        const Audio a = Read(Hex(row.bytes));
        ASSERT_EQ(static_cast<int32_t>(a.channels.size()), row.channels);
        EXPECT_EQ(a.rate, 8000);
        ASSERT_EQ(a.Frames(), 2);
        std::vector<float> got;
        for (int32_t i = 0; i < 2; ++i)
            for (const auto& c : a.channels) got.push_back(c[static_cast<size_t>(i)]);
        EXPECT_EQ(got, row.first);
    }
}

// A data chunk that announces more than the file holds keeps the whole frames
// present; the half frame at the end is dropped.
TEST(WavInputFormats, ShortDataKeepsWholeFramesPresent) {
    const Audio a = Read(Hex("'RIFF' 28 00 00 00 'WAVE' 'fmt ' 10 00 00 00 01 00 02 00 40 1f 00 00 00 7d 00 00"
                             " 04 00 10 00 'data' ff ff ff 7f 00 40 00 c0 01 00"));
    ASSERT_EQ(a.Frames(), 1);
    EXPECT_EQ(a.channels[1][0], -0.5f);
}

struct RefusedRow {
    const char* why;
    const char* bytes;
    const char* message;
};

const RefusedRow kRefused[] = {
    {"not RIFF", "'RIFX' 00 00 00 00 'WAVE'", "x.wav: not a WAV file"},
    {"8-bit", "'RIFF' 00 00 00 00 'WAVE' 'fmt ' 10 00 00 00 01 00 01 00 40 1f 00 00 40 1f 00 00 01 00 08 00 'data' 00 00 00 00",
     "x.wav: unsupported sample format 1 with 8 bits"},
    {"64-bit float", "'RIFF' 00 00 00 00 'WAVE' 'fmt ' 10 00 00 00 03 00 01 00 40 1f 00 00 00 fa 00 00 08 00 40 00 'data' 00 00 00 00",
     "x.wav: unsupported sample format 3 with 64 bits"},
    {"no channels", "'RIFF' 00 00 00 00 'WAVE' 'fmt ' 10 00 00 00 01 00 00 00 40 1f 00 00 00 00 00 00 00 00 10 00 'data' 00 00 00 00",
     "x.wav: unsupported channel count 0"},
    {"block size lies", "'RIFF' 00 00 00 00 'WAVE' 'fmt ' 10 00 00 00 01 00 02 00 40 1f 00 00 00 00 00 00 02 00 10 00 'data' 00 00 00 00",
     "x.wav: block size does not match the channels and bits"},
    {"rate 0", "'RIFF' 00 00 00 00 'WAVE' 'fmt ' 10 00 00 00 01 00 01 00 00 00 00 00 00 00 00 00 02 00 10 00 'data' 00 00 00 00",
     "x.wav: sample rate 0"},
    {"hostile chunk size", "'RIFF' 00 00 00 00 'WAVE' 'junk' ff ff ff ff 00 00", "x.wav: chunk larger than the file"},
    {"data first", "'RIFF' 00 00 00 00 'WAVE' 'data' 02 00 00 00 00 00", "x.wav: data before fmt chunk"},
    {"no data", "'RIFF' 00 00 00 00 'WAVE' 'fmt ' 10 00 00 00 01 00 01 00 40 1f 00 00 80 3e 00 00 02 00 10 00",
     "x.wav: no data chunk"},
    {"short extensible", "'RIFF' 00 00 00 00 'WAVE' 'fmt ' 12 00 00 00 fe ff 01 00 40 1f 00 00 80 3e 00 00 02 00 10 00 00 00 'data' 00 00 00 00",
     "x.wav: extensible fmt chunk too short"},
};

TEST(WavInputRefuses, EachFaultWithItsOwnMessage) {
    for (const RefusedRow& row : kRefused) {
        SCOPED_TRACE(row.why);
        EXPECT_EQ(Message(Hex(row.bytes)), row.message);
    }
}

}  // namespace
