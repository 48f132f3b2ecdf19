#include "analysis/WavInput.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <optional>

#include "archive/Archive.h"

namespace analysis {
namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
constexpr uint32_t kPlainFmtBytes = 16;
constexpr uint32_t kExtensibleFmtBytes = 40;

struct Format {
    uint16_t code = 0;
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint16_t blockAlign = 0;
    uint16_t bits = 0;
};

[[noreturn]] void Fail(const std::string& name, const std::string& why) { throw InputError(name + ": " + why); }

uint16_t ReadU16(std::istream& is) {
    int16_t v = 0;
    archive::ReadInt16(is, v);
    return static_cast<uint16_t>(v);
}

uint32_t ReadU32(std::istream& is) {
    uint32_t v = 0;
    archive::ReadUInt32(is, v);
    return v;
}

// The "fmt " body of size bytes; the extensible form's sub-format code is its
// GUID's first two bytes.
Format ReadFormat(std::istream& is, uint32_t size, const std::string& name) {
    if (size < kPlainFmtBytes) Fail(name, "fmt chunk too short");
    Format f;
    f.code = ReadU16(is);
    f.channels = ReadU16(is);
    f.rate = ReadU32(is);
    ReadU32(is);  // bytes per second, derived
    f.blockAlign = ReadU16(is);
    f.bits = ReadU16(is);
    uint32_t used = kPlainFmtBytes;
    if (f.code == kFormatExtensible) {
        if (size < kExtensibleFmtBytes) Fail(name, "extensible fmt chunk too short");
        archive::Skip(is, 8);  // extension size, valid bits, channel mask
        f.code = ReadU16(is);
        archive::Skip(is, 14);
        used = kExtensibleFmtBytes;
    }
    archive::Skip(is, int64_t{size} - used + (size & 1));
    if (!is) Fail(name, "truncated fmt chunk");
    const bool pcm = f.code == kFormatPcm && (f.bits == 16 || f.bits == 24 || f.bits == 32);
    const bool real = f.code == kFormatFloat && f.bits == 32;
    if (!pcm && !real)
        Fail(name, "unsupported sample format " + std::to_string(f.code) + " with " + std::to_string(f.bits) + " bits");
    if (f.channels < 1 || f.channels > kMaxChannels) Fail(name, "unsupported channel count " + std::to_string(f.channels));
    if (f.rate == 0) Fail(name, "sample rate 0");
    if (f.blockAlign != f.channels * (f.bits / 8)) Fail(name, "block size does not match the channels and bits");
    return f;
}

float Decode(const unsigned char* p, const Format& f) {
    switch (f.bits) {
    case 16: return static_cast<float>(static_cast<int16_t>(p[0] | p[1] << 8)) / 32768.0f;
    case 24: {
        const int32_t v = static_cast<int32_t>(static_cast<uint32_t>(p[0]) << 8 | static_cast<uint32_t>(p[1]) << 16 |
                                               static_cast<uint32_t>(p[2]) << 24) >> 8;
        return static_cast<float>(v) / 8388608.0f;
    }
    default: {
        const uint32_t u = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
        if (f.code == kFormatFloat) {
            float v;
            std::memcpy(&v, &u, sizeof v);
            return v;
        }
        return static_cast<float>(static_cast<double>(static_cast<int32_t>(u)) / 2147483648.0);
    }
    }
}

Audio ReadSamples(std::istream& is, const Format& f, int64_t bytes, const std::string& name) {
    const int64_t frames = bytes / f.blockAlign;
    if (frames > kMaxFrames || frames * f.channels > kMaxSamples)
        Fail(name, "more than " + std::to_string(kMaxFrames) + " frames or " + std::to_string(kMaxSamples) + " samples");
    std::string raw;
    archive::ReadBytes(is, raw, static_cast<size_t>(frames * f.blockAlign));
    if (!is) Fail(name, "truncated data chunk");
    Audio a;
    a.rate = f.rate;
    a.bits = f.bits;
    a.isFloat = f.code == kFormatFloat;
    a.channels.assign(f.channels, std::vector<float>(static_cast<size_t>(frames)));
    const auto* p = reinterpret_cast<const unsigned char*>(raw.data());
    const int32_t width = f.bits / 8;
    for (int64_t i = 0; i < frames; ++i)
        for (int32_t c = 0; c < f.channels; ++c, p += width) a.channels[c][static_cast<size_t>(i)] = Decode(p, f);
    return a;
}

}  // namespace

Audio ReadWav(std::istream& is, const std::string& name) {
    is.seekg(0, std::ios::end);
    const int64_t length = is.tellg();
    is.seekg(0);
    if (length < 12) Fail(name, "not a WAV file");
    const archive::Tag riff = archive::ReadTag(is);
    ReadU32(is);
    const archive::Tag wave = archive::ReadTag(is);
    if (riff != archive::MakeTag("RIFF") || wave != archive::MakeTag("WAVE")) Fail(name, "not a WAV file");
    std::optional<Format> format;
    while (is && static_cast<int64_t>(is.tellg()) + 8 <= length) {
        const archive::Tag id = archive::ReadTag(is);
        const uint32_t size = ReadU32(is);
        const int64_t left = length - is.tellg();
        if (id == archive::MakeTag("data")) {
            if (!format) Fail(name, "data before fmt chunk");
            return ReadSamples(is, *format, std::min<int64_t>(size, left), name);
        }
        if (size > left) Fail(name, "chunk larger than the file");
        if (id == archive::MakeTag("fmt ")) format = ReadFormat(is, size, name);
        else archive::Skip(is, int64_t{size} + (size & 1));
    }
    Fail(name, format ? "no data chunk" : "no fmt chunk");
}

Audio ReadWavFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) Fail(path, "cannot open");
    return ReadWav(file, path);
}

}  // namespace analysis
