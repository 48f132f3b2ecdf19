#include "audio/AlsaCapture.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>

namespace audio {
namespace {

// ALSA prints its own diagnostics to stderr; ours say the same in words a
// user can act on.
void Quiet(const char*, int, const char*, int, const char*, ...) {}

void SilenceLibraryMessages() {
    static const bool done = [] {
        snd_lib_error_set_handler(Quiet);
        return true;
    }();
    (void)done;
}

constexpr snd_pcm_format_t kFormats[] = {SND_PCM_FORMAT_S16_LE, SND_PCM_FORMAT_S32_LE, SND_PCM_FORMAT_FLOAT_LE};

std::string Quoted(const std::string& device) { return "Audio device \"" + device + "\""; }

std::string OpenMessage(const std::string& device, int err) {
    switch (-err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return Quoted(device) + " not found (corrtool devices lists the capture devices)";
    case EBUSY:
    case EAGAIN:
        return Quoted(device) + " is busy: another program is using it";
    case EACCES:
    case EPERM:
        return Quoted(device) + " may not be opened by this user (audio group)";
    default:
        return Quoted(device) + " does not open: " + snd_strerror(err);
    }
}

struct HwParams {
    snd_pcm_hw_params_t* p = nullptr;
    HwParams() { snd_pcm_hw_params_malloc(&p); }
    ~HwParams() { snd_pcm_hw_params_free(p); }
};

// The capture rates of kPreferredRates a configured-from-scratch device takes.
std::vector<unsigned> OfferedRates(snd_pcm_t* pcm, snd_pcm_hw_params_t* any) {
    std::vector<unsigned> rates;
    for (unsigned r : kPreferredRates)
        if (snd_pcm_hw_params_test_rate(pcm, any, r, 0) == 0) rates.push_back(r);
    return rates;
}

}  // namespace

bool ParseUnitOption(std::string_view text, CaptureRequest& request, std::string& error) {
    request = CaptureRequest{};
    if (text == "audio") return true;
    if (text.substr(0, 6) != "audio:" || text.size() == 6) {
        error = "an audio unit is audio, audio:DEVICE or audio:DEVICE@RATE";
        return false;
    }
    std::string_view device = text.substr(6);
    const size_t at = device.rfind('@');
    if (at != std::string_view::npos) {
        const std::string_view rate = device.substr(at + 1);
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(rate.data(), rate.data() + rate.size(), value);
        if (ec != std::errc() || end != rate.data() + rate.size() || value < kMinRate || value > kMaxRate) {
            error = "the capture rate after @ is a whole number of Hz from " + std::to_string(kMinRate) + " to " +
                    std::to_string(kMaxRate);
            return false;
        }
        request.rate = value;
        device = device.substr(0, at);
    }
    if (device.empty()) {
        error = "no audio device named before @";
        return false;
    }
    request.device = std::string(device);
    return true;
}

AlsaCapture::AlsaCapture(const CaptureRequest& request) : m_device(request.device) {
    SilenceLibraryMessages();
    // Non-blocking open: a busy device answers at once instead of waiting.
    const int err = snd_pcm_open(&m_pcm, m_device.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
    if (err < 0) {
        m_pcm = nullptr;
        throw CaptureError(OpenMessage(m_device, err));
    }
    try {
        Configure(request.rate);
    } catch (...) {
        snd_pcm_close(m_pcm);
        throw;
    }
}

AlsaCapture::~AlsaCapture() {
    if (m_pcm) snd_pcm_close(m_pcm);
}

void AlsaCapture::Configure(unsigned wantedRate) {
    HwParams hw;
    if (!hw.p || snd_pcm_hw_params_any(m_pcm, hw.p) < 0) throw CaptureError(Quoted(m_device) + " has no capture settings");
    if (snd_pcm_hw_params_set_access(m_pcm, hw.p, SND_PCM_ACCESS_RW_INTERLEAVED) < 0)
        throw CaptureError(Quoted(m_device) + " does not offer interleaved capture");

    const snd_pcm_format_t* format = std::find_if(std::begin(kFormats), std::end(kFormats), [&](snd_pcm_format_t f) {
        return snd_pcm_hw_params_test_format(m_pcm, hw.p, f) == 0;
    });
    if (format == std::end(kFormats) || snd_pcm_hw_params_set_format(m_pcm, hw.p, *format) < 0)
        throw CaptureError(Quoted(m_device) + " offers no 16-bit, 32-bit or float samples; try plughw:CARD");
    m_format = *format;

    unsigned channels = 2;
    if (snd_pcm_hw_params_set_channels_near(m_pcm, hw.p, &channels) < 0 || channels < 2)
        throw CaptureError(Quoted(m_device) + " has fewer than two input channels");
    m_channels = channels;

    const std::vector<unsigned> offered = OfferedRates(m_pcm, hw.p);
    unsigned rate = wantedRate;
    if (rate == 0) {
        if (offered.empty()) throw CaptureError(Quoted(m_device) + " offers none of the rates 48000, 44100, 96000 Hz");
        rate = offered.front();
    }
    if (snd_pcm_hw_params_set_rate(m_pcm, hw.p, rate, 0) < 0)
        throw CaptureError(Quoted(m_device) + " does not capture at " + std::to_string(rate) + " Hz");
    m_rate = rate;

    snd_pcm_uframes_t buffer = static_cast<snd_pcm_uframes_t>(rate) * kBufferMs / 1000;
    snd_pcm_hw_params_set_buffer_size_near(m_pcm, hw.p, &buffer);
    snd_pcm_uframes_t period = kChunkFrames;
    int dir = 0;
    snd_pcm_hw_params_set_period_size_near(m_pcm, hw.p, &period, &dir);
    if (const int err = snd_pcm_hw_params(m_pcm, hw.p); err < 0)
        throw CaptureError(Quoted(m_device) + " refuses two channels at " + std::to_string(rate) + " Hz: " +
                           snd_strerror(err));
    snd_pcm_nonblock(m_pcm, 0);  // reads wait, bounded by snd_pcm_wait below

    m_frameBytes = static_cast<unsigned>(snd_pcm_format_physical_width(*format) / 8) * m_channels;
    m_raw.assign(static_cast<size_t>(kChunkFrames) * m_frameBytes, 0);
}

const char* AlsaCapture::FormatName() const noexcept {
    return snd_pcm_format_name(static_cast<snd_pcm_format_t>(m_format));
}

void AlsaCapture::Restart() {
    if (Ended()) return;
    snd_pcm_drop(m_pcm);
    if (const int err = snd_pcm_prepare(m_pcm); err < 0) End(Quoted(m_device) + " was lost: " + snd_strerror(err));
}

void AlsaCapture::End(std::string message) {
    if (m_endMessage.empty()) m_endMessage = std::move(message);
}

// A device writes every frame it returns; these marks in the last frames of
// the read buffer survive only when it did not.
constexpr unsigned kMarkFrames = 4;

void AlsaCapture::MarkTail(unsigned frames) {
    const size_t from = static_cast<size_t>(frames - kMarkFrames) * m_frameBytes;
    for (size_t i = from; i < static_cast<size_t>(frames) * m_frameBytes; ++i)
        m_raw[i] = static_cast<uint8_t>(0x5B + 0x9E * i);
}

bool AlsaCapture::TailUntouched(unsigned frames) const {
    const size_t from = static_cast<size_t>(frames - kMarkFrames) * m_frameBytes;
    for (size_t i = from; i < static_cast<size_t>(frames) * m_frameBytes; ++i)
        if (m_raw[i] != static_cast<uint8_t>(0x5B + 0x9E * i)) return false;
    return true;
}

bool AlsaCapture::Read(std::vector<float>& stereo) {
    while (!Ended()) {
        const int ready = snd_pcm_state(m_pcm) == SND_PCM_STATE_RUNNING ? snd_pcm_wait(m_pcm, kSilenceTimeoutMs) : 1;
        if (ready == 0) {
            End(Quoted(m_device) + " delivered nothing for " + std::to_string(kSilenceTimeoutMs / 1000) + " s");
            break;
        }
        MarkTail(kChunkFrames);
        const snd_pcm_sframes_t n = ready < 0 ? ready : snd_pcm_readi(m_pcm, m_raw.data(), kChunkFrames);
        if (n == -EPIPE || n == -ESTRPIPE) {  // overrun, or a suspend: frames were lost
            ++m_xruns;
            if (const int err = snd_pcm_recover(m_pcm, static_cast<int>(n), 1); err < 0)
                End(Quoted(m_device) + " did not recover from an overrun: " + snd_strerror(err));
            continue;
        }
        if (n == -EAGAIN || n == -EINTR) continue;
        if (n < 0) {
            End(Quoted(m_device) + " was lost: " + snd_strerror(static_cast<int>(n)));
            break;
        }
        if (n == static_cast<snd_pcm_sframes_t>(kChunkFrames) && TailUntouched(kChunkFrames)) {
            End("Audio input \"" + m_device + "\" ended");
            break;
        }
        Convert(static_cast<unsigned>(n), stereo);
        return true;
    }
    return false;
}

void AlsaCapture::Convert(unsigned frames, std::vector<float>& stereo) const {
    const size_t first = stereo.size();
    stereo.resize(first + 2 * static_cast<size_t>(frames));
    float* out = stereo.data() + first;
    const uint8_t* in = m_raw.data();
    for (unsigned f = 0; f < frames; ++f, in += m_frameBytes) {
        for (unsigned c = 0; c < 2; ++c) {
            float v;
            if (m_format == SND_PCM_FORMAT_S16_LE) {
                int16_t s;
                std::memcpy(&s, in + 2 * c, 2);
                v = static_cast<float>(s) * (1.0f / 32768.0f);
            } else if (m_format == SND_PCM_FORMAT_S32_LE) {
                int32_t s;
                std::memcpy(&s, in + 4 * c, 4);
                v = static_cast<float>(s) * (1.0f / 2147483648.0f);
            } else {
                std::memcpy(&v, in + 4 * c, 4);
            }
            *out++ = v;
        }
    }
}

std::vector<CaptureDeviceInfo> ListCaptureDevices() {
    SilenceLibraryMessages();
    std::vector<std::string> names, descriptions;
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) == 0) {
        for (void** h = hints; *h; ++h) {
            std::unique_ptr<char, decltype(&free)> name(snd_device_name_get_hint(*h, "NAME"), free);
            std::unique_ptr<char, decltype(&free)> desc(snd_device_name_get_hint(*h, "DESC"), free);
            std::unique_ptr<char, decltype(&free)> io(snd_device_name_get_hint(*h, "IOID"), free);
            if (!name || (io && std::strcmp(io.get(), "Input") != 0)) continue;
            names.emplace_back(name.get());
            std::string d = desc ? desc.get() : "";
            std::replace(d.begin(), d.end(), '\n', ' ');
            descriptions.push_back(std::move(d));
        }
        snd_device_name_free_hint(hints);
    }
    std::vector<CaptureDeviceInfo> found;
    for (size_t i = 0; i < names.size(); ++i) {
        snd_pcm_t* pcm = nullptr;
        if (snd_pcm_open(&pcm, names[i].c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK) < 0) continue;
        HwParams hw;
        CaptureDeviceInfo info{names[i], descriptions[i], 0, 0, {}};
        if (hw.p && snd_pcm_hw_params_any(pcm, hw.p) >= 0) {
            snd_pcm_hw_params_get_channels_min(hw.p, &info.minChannels);
            snd_pcm_hw_params_get_channels_max(hw.p, &info.maxChannels);
            info.rates = OfferedRates(pcm, hw.p);
        }
        snd_pcm_close(pcm);
        if (info.maxChannels >= 2 && !info.rates.empty()) found.push_back(std::move(info));
    }
    return found;
}

}  // namespace audio
