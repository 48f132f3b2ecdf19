#pragma once
// dsp/WaveFile.h — a run's recorded audio: the WAV writer of the two raw
// stores and CWaveReader, the playback source of a reopened run.
//
// The file is a canonical 44-byte RIFF header and interleaved 16-bit stereo
// PCM frames, Red then Blue, each sample scaled by 16 from the 12-bit range.

#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>
#include <string_view>

#include "archive/Archive.h"

class CWave;

// The header as stored, all little-endian.
struct WavHeader {
    char riff[4];            // "RIFF"
    uint32_t riffSize;       // 36 + data size
    char wave[4];            // "WAVE"
    char fmt[4];             // "fmt "
    uint32_t fmtSize;        // 16
    uint16_t format;         // 1 = PCM
    uint16_t channels;       // 2
    uint32_t sampleRate;     // frames per second
    uint32_t byteRate;       // sampleRate * blockAlign
    uint16_t blockAlign;     // bytes per frame, 4
    uint16_t bitsPerSample;  // 16
    char data[4];            // "data"
    uint32_t dataSize;       // 4 * frames
};
static_assert(sizeof(WavHeader) == 44);
static_assert(offsetof(WavHeader, riffSize) == 4 && offsetof(WavHeader, wave) == 8);
static_assert(offsetof(WavHeader, fmt) == 12 && offsetof(WavHeader, fmtSize) == 16);
static_assert(offsetof(WavHeader, format) == 20 && offsetof(WavHeader, channels) == 22);
static_assert(offsetof(WavHeader, sampleRate) == 24 && offsetof(WavHeader, byteRate) == 28);
static_assert(offsetof(WavHeader, blockAlign) == 32 && offsetof(WavHeader, bitsPerSample) == 34);
static_assert(offsetof(WavHeader, data) == 36 && offsetof(WavHeader, dataSize) == 40);

namespace wavfile {

constexpr int32_t kHeaderBytes = 44;
constexpr int32_t kFrameBytes = 4;   // two 16-bit samples
constexpr int32_t kSampleScale = 16; // 12-bit samples fill the 16-bit range

// Writes the 44-byte header of a recording of frames frames at sampleRate.
void WriteHeader(std::ostream& os, uint32_t frames, uint32_t sampleRate);
// Writes the header and SamplesStored(red) frames, from each store's
// FirstSample on. Both stores' read positions are restored afterwards, so a
// save does not disturb a running correlation. sampleRate is rounded down.
// False when the stream failed.
bool WriteWav(std::ostream& os, CWave& red, CWave& blue, float sampleRate);
// The same into a file at a device path, truncated first.
bool WriteWavFile(std::string_view devicePath, CWave& red, CWave& blue, float sampleRate);

// Reads the 44 header bytes; false (header untouched) when fewer are present.
bool ReadHeader(std::istream& is, WavHeader& header);

// True for the only layout the program plays: PCM, 2 channels, 16 bits,
// 4-byte frames.
bool IsPlayable(const WavHeader& header) noexcept;

}  // namespace wavfile

// Plays a recording back, frame by frame. A file that is not 16-bit stereo
// PCM, or is shorter than its header, is a recording with no frames.
class CWaveReader {
public:
    // Opens a device path; false when the file cannot be opened.
    bool Open(std::string_view devicePath);
    // Takes any seekable binary stream (tests, corrtool's host files).
    bool Open(std::unique_ptr<std::istream> stream);
    void Close();
    bool IsOpen() const noexcept { return m_stream != nullptr; }

    // Reads up to n frames into destination (room for 2 * n values, Red then
    // Blue per frame); returns the frames read, 0 at the end.
    int32_t ReadFrames(int32_t n, int16_t* destination);
    // Next frame to read, clamped to 0 ... FrameCount().
    void SetPosition(int32_t frame) noexcept;
    int32_t Position() const noexcept { return m_position; }

    // The header as read (zeros when the file was shorter than a header).
    const WavHeader& Header() const noexcept { return m_header; }
    bool Playable() const noexcept { return m_playable; }
    // Whole frames that the data size announces and the file holds; 0 for a
    // recording that cannot be played.
    int32_t FrameCount() const noexcept { return m_frameCount; }
    int32_t Channels() const noexcept { return m_header.channels; }
    int32_t SampleRate() const noexcept { return static_cast<int32_t>(m_header.sampleRate); }
    int32_t BlockAlign() const noexcept { return m_header.blockAlign; }
    int32_t BitsPerSample() const noexcept { return m_header.bitsPerSample; }

private:
    std::unique_ptr<std::istream> m_stream;
    WavHeader m_header{};
    bool m_playable = false;
    int32_t m_frameCount = 0;
    int32_t m_position = 0;
};
