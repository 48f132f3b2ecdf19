#pragma once
// audio/AlsaCapture.h — one capture device of the host's ordinary audio API,
// read as two channels of floats (full scale -1 .. +1) at the device's own
// rate. The first two channels of a device with more are left and right.
//
// Opening checks everything a user can act on (a missing or busy device, no
// usable format, channels or rate) and throws CaptureError with the message
// to show. Reading never throws: an overrun is recovered and counted, and a
// device that fails, stops delivering for kSilenceTimeoutMs or hands back
// frames it did not write (a file-backed device at the end of its file) ends
// the capture with a message.

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

typedef struct _snd_pcm snd_pcm_t;

namespace audio {

class CaptureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Rates tried in order when none is asked for; most cards offer the first two.
constexpr unsigned kPreferredRates[] = {48000, 44100, 96000, 88200, 32000, 22050, 16000};
// The lowest rate that still carries the 10 kHz stream's 5 kHz band.
constexpr unsigned kMinRate = 10000;
constexpr unsigned kMaxRate = 384000;

// Which device, and at which rate (0: the first of kPreferredRates it takes).
struct CaptureRequest {
    std::string device = "default";
    unsigned rate = 0;
};

// Reads "audio", "audio:DEVICE" or "audio:DEVICE@RATE" (the --unit value);
// false with a message in error.
bool ParseUnitOption(std::string_view text, CaptureRequest& request, std::string& error);

class AlsaCapture {
public:
    // A read that waits this long without a frame ends the capture.
    static constexpr int kSilenceTimeoutMs = 2000;
    // Frames per read call; the device buffer holds about kBufferMs.
    static constexpr unsigned kChunkFrames = 1024;
    static constexpr unsigned kBufferMs = 2000;

    explicit AlsaCapture(const CaptureRequest& request);  // throws CaptureError
    ~AlsaCapture();
    AlsaCapture(const AlsaCapture&) = delete;
    AlsaCapture& operator=(const AlsaCapture&) = delete;

    const std::string& Device() const noexcept { return m_device; }
    unsigned Rate() const noexcept { return m_rate; }
    unsigned Channels() const noexcept { return m_channels; }
    // "S16_LE", "S32_LE" or "FLOAT_LE".
    const char* FormatName() const noexcept;

    // Discards what the device holds and starts afresh (a new acquisition).
    void Restart();
    // Reads one chunk and appends its frames, left and right interleaved, to
    // stereo. False once the capture has ended (see EndMessage).
    bool Read(std::vector<float>& stereo);

    // Overruns recovered since opening.
    int64_t Xruns() const noexcept { return m_xruns; }
    bool Ended() const noexcept { return !m_endMessage.empty(); }
    const std::string& EndMessage() const noexcept { return m_endMessage; }

private:
    void Configure(unsigned wantedRate);
    void End(std::string message);
    void MarkTail(unsigned frames);
    bool TailUntouched(unsigned frames) const;
    void Convert(unsigned frames, std::vector<float>& stereo) const;

    snd_pcm_t* m_pcm = nullptr;
    std::string m_device;
    unsigned m_rate = 0;
    unsigned m_channels = 0;
    int m_format = 0;          // snd_pcm_format_t
    unsigned m_frameBytes = 0;
    std::vector<uint8_t> m_raw;  // kChunkFrames frames, native layout
    int64_t m_xruns = 0;
    std::string m_endMessage;
};

// One capture device the provider can open: its name, description and what
// it offers.
struct CaptureDeviceInfo {
    std::string name;
    std::string description;
    unsigned minChannels = 0, maxChannels = 0;
    std::vector<unsigned> rates;  // those of kPreferredRates it takes
};
// The capture devices that open with two channels; hints first ("default",
// "hw:...", "plughw:..."), then the PCMs the configuration defines.
std::vector<CaptureDeviceInfo> ListCaptureDevices();

}  // namespace audio
