#include "dsp/WaveFile.h"

#include <algorithm>
#include <fstream>
#include <limits>

#include "dsp/Wave.h"
#include "platform/Files.h"

namespace wavfile {
namespace {

void WriteChars(std::ostream& os, const char (&four)[5]) { archive::WriteTag(os, archive::MakeTag(four)); }

void ReadChars(std::istream& is, char (&four)[4]) {
    const archive::Tag tag = archive::ReadTag(is);
    std::copy(tag.begin(), tag.end(), four);
}

// A 12-bit sample scaled to 16 bits; anything wider saturates instead of
// wrapping into the opposite sign.
int16_t Scaled(int16_t x) {
    const int32_t v = int32_t{x} * kSampleScale;
    return static_cast<int16_t>(std::clamp<int32_t>(v, INT16_MIN, INT16_MAX));
}

void ReadUInt16(std::istream& is, uint16_t& v) {
    int16_t raw = 0;
    archive::ReadInt16(is, raw);
    v = static_cast<uint16_t>(raw);
}

}  // namespace

void WriteHeader(std::ostream& os, uint32_t frames, uint32_t sampleRate) {
    const uint32_t dataSize = frames * kFrameBytes;
    WriteChars(os, "RIFF");
    archive::WriteUInt32(os, dataSize + 36);
    WriteChars(os, "WAVE");
    WriteChars(os, "fmt ");
    archive::WriteUInt32(os, 16);
    archive::WriteInt16(os, 1);
    archive::WriteInt16(os, 2);
    archive::WriteUInt32(os, sampleRate);
    archive::WriteUInt32(os, sampleRate * kFrameBytes);
    archive::WriteInt16(os, kFrameBytes);
    archive::WriteInt16(os, 16);
    WriteChars(os, "data");
    archive::WriteUInt32(os, dataSize);
}

bool WriteWav(std::ostream& os, CWave& red, CWave& blue, float sampleRate) {
    const int32_t frames = red.SamplesStored();
    const uint32_t rate = sampleRate > 0 ? static_cast<uint32_t>(sampleRate) : 0;
    const int32_t redPos = red.GetPos(), bluePos = blue.GetPos();
    red.SetPos(red.FirstSample());
    blue.SetPos(blue.FirstSample());
    WriteHeader(os, static_cast<uint32_t>(frames), rate);
    for (int32_t i = 0; i < frames && os.good(); ++i) {
        archive::WriteInt16(os, Scaled(red.ReadSample()));
        archive::WriteInt16(os, Scaled(blue.ReadSample()));
    }
    red.SetPos(redPos);
    blue.SetPos(bluePos);
    os.flush();
    return os.good();
}

bool WriteWavFile(std::string_view devicePath, CWave& red, CWave& blue, float sampleRate) {
    std::ofstream file = platform::OpenForWrite(devicePath, true);
    if (!file.is_open()) return false;
    const bool written = WriteWav(file, red, blue, sampleRate);
    file.close();
    return written && !file.fail();
}

bool ReadHeader(std::istream& is, WavHeader& header) {
    WavHeader h{};
    ReadChars(is, h.riff);
    archive::ReadUInt32(is, h.riffSize);
    ReadChars(is, h.wave);
    ReadChars(is, h.fmt);
    archive::ReadUInt32(is, h.fmtSize);
    ReadUInt16(is, h.format);
    ReadUInt16(is, h.channels);
    archive::ReadUInt32(is, h.sampleRate);
    archive::ReadUInt32(is, h.byteRate);
    ReadUInt16(is, h.blockAlign);
    ReadUInt16(is, h.bitsPerSample);
    ReadChars(is, h.data);
    archive::ReadUInt32(is, h.dataSize);
    if (is.fail()) return false;
    header = h;
    return true;
}

bool IsPlayable(const WavHeader& h) noexcept {
    return h.format == 1 && h.channels == 2 && h.bitsPerSample == 16 && h.blockAlign == kFrameBytes;
}

}  // namespace wavfile

bool CWaveReader::Open(std::string_view devicePath) {
    auto file = std::make_unique<std::ifstream>(platform::OpenForRead(devicePath));
    if (!file->is_open()) return false;
    return Open(std::move(file));
}

bool CWaveReader::Open(std::unique_ptr<std::istream> stream) {
    Close();
    if (!stream) return false;
    m_stream = std::move(stream);
    m_stream->seekg(0, std::ios::end);
    const std::streamoff length = m_stream->tellg();
    m_stream->clear();
    m_stream->seekg(0);
    if (!wavfile::ReadHeader(*m_stream, m_header)) return true;  // no frames
    // Any other layout would not fit the caller's two values per frame.
    m_playable = wavfile::IsPlayable(m_header);
    if (!m_playable || length < wavfile::kHeaderBytes) return true;
    const int64_t present = (length - wavfile::kHeaderBytes) / wavfile::kFrameBytes;
    const int64_t announced = m_header.dataSize / wavfile::kFrameBytes;
    m_frameCount = static_cast<int32_t>(std::min(present, announced));
    return true;
}

void CWaveReader::Close() {
    m_stream.reset();
    m_header = WavHeader{};
    m_playable = false;
    m_frameCount = 0;
    m_position = 0;
}

int32_t CWaveReader::ReadFrames(int32_t n, int16_t* destination) {
    const int32_t m = std::min(n, m_frameCount - m_position);
    if (!m_stream || m <= 0) return 0;
    m_stream->clear();
    m_stream->seekg(wavfile::kHeaderBytes + int64_t{wavfile::kFrameBytes} * m_position);
    // One read of whole frames straight into the destination, then each
    // little-endian pair of bytes made a sample in place. A file that shrank
    // since it was opened gives the whole frames still there.
    auto* bytes = reinterpret_cast<unsigned char*>(destination);
    m_stream->read(reinterpret_cast<char*>(bytes), int64_t{wavfile::kFrameBytes} * m);
    const auto frames = static_cast<int32_t>(m_stream->gcount() / wavfile::kFrameBytes);
    for (int32_t i = 0; i < 2 * frames; ++i)
        destination[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    m_position += frames;
    return frames;
}

void CWaveReader::SetPosition(int32_t frame) noexcept { m_position = std::clamp(frame, 0, m_frameCount); }
