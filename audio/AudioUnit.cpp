#include "audio/AudioUnit.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace audio {
namespace {

constexpr std::string_view kAdc = "SPI4:";
constexpr uint32_t kMaxBlocks = 200;  // what the driver's table may name
constexpr double kStrongSignalDbm = -20.0;

bool IsAdc(std::string_view name) {
    return name.size() == kAdc.size() && std::equal(name.begin(), name.end(), kAdc.begin(), [](char a, char b) {
               return std::toupper(static_cast<unsigned char>(a)) == b;
           });
}

// The capture channel behind a source code: Red left, Blue right, others none.
bool ChannelOf(uint32_t source, int& channel) {
    switch (source) {
    case sim::kSourceRed: channel = 0; return true;
    case sim::kSourceBlue: channel = 1; return true;
    case sim::kSourceBase:
    case sim::kSourceYellow: channel = -1; return true;
    default: return false;
    }
}

}  // namespace

int16_t ToCounts(float x) noexcept {
    const float scaled = x * static_cast<float>(kFullScaleCounts);
    if (!(scaled > -2048.0f)) return -2048;  // NaN reads as a clipped sample
    if (scaled >= 2047.0f) return 2047;
    return static_cast<int16_t>(std::lround(scaled));
}

sim::Scenario WiredScenario() {
    sim::Scenario s = sim::DefaultScenario();
    s.supply = sim::Supply::External;
    s.stD = 0;  // sensor lines read "None"
    s.stE = 0;
    for (sim::StationWorld& st : s.stations) {
        st.rssi = kStrongSignalDbm;
        st.dropout = {};
        st.clip = {};
    }
    s.osVersion = "1.20";  // the block-read converter driver
    return s;
}

// "SPI4:" as the program opens it.
class AudioAdcDevice final : public platform::Device {
public:
    explicit AudioAdcDevice(std::shared_ptr<AudioUnit> unit) : m_unit(std::move(unit)) {}
    bool Control(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t& returned) override {
        returned = 0;
        const bool ok = m_unit->OnAdc(code, in, out, returned);
        if (!ok) returned = 0;
        return ok;
    }

private:
    std::shared_ptr<AudioUnit> m_unit;
};

std::shared_ptr<AudioUnit> AudioUnit::Create(const CaptureRequest& request) {
    return std::shared_ptr<AudioUnit>(new AudioUnit(request));
}

AudioUnit::AudioUnit(const CaptureRequest& request)
    : m_wired(sim::VirtualUnit::Create(WiredScenario())), m_capture(request), m_resampler(m_capture.Rate(), kUnitRate) {}

std::unique_ptr<platform::Device> AudioUnit::Open(std::string_view name) {
    if (IsAdc(name)) return std::make_unique<AudioAdcDevice>(shared_from_this());
    return m_wired->Open(name);
}

bool AudioUnit::Activate(std::string_view registryPath) { return m_wired->Activate(registryPath); }

bool AudioUnit::OnAdc(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t& returned) {
    switch (code) {
    case sim::ioctl::kAdcWrite:  // converter set-up words: nothing to set
        if (in.size() != 2 || (!out.empty() && out.size() < 2)) return false;
        if (!out.empty()) std::memset(out.data(), 0, 2), returned = 2;
        return true;
    case sim::ioctl::kGatherSamplesV2:
        return Arm(in) && out.empty();
    case sim::ioctl::kAttachTimer:
        if (!in.empty() || !out.empty() || !m_acq.armed || m_capture.Ended()) return false;
        m_capture.Restart();
        m_resampler.Clear();
        m_fifo.clear();
        m_fifoRead = 0;
        m_acq.attached = true;
        return true;
    case sim::ioctl::kReadBlock:
        if (!in.empty() || out.size() < sim::kBlockBytes) return false;
        return ReadBlock(out, returned);
    default:  // the older gather mode needs a driver filling memory in time: not offered
        return false;
    }
}

bool AudioUnit::Arm(std::span<const uint8_t> in) {
    if (in.size() != sizeof(sim::GatherRequest)) return false;
    sim::GatherRequest g;
    std::memcpy(&g, in.data(), sizeof g);
    int left = 0, right = 0;
    if (!ChannelOf(g.leftSource, left) || !ChannelOf(g.rightSource, right)) return false;
    if (g.pairsPerBlock != sim::kPairsPerBlock || g.blockCount == 0 || g.blockCount > kMaxBlocks) return false;
    m_acq = Acquisition{true, false, left, right, g.blockCount, 0, m_acq.sequence};
    return true;
}

bool AudioUnit::FillFifo() {
    // Drop what was handed out once it is most of the store.
    if (m_fifoRead > 0 && 2 * m_fifoRead >= m_fifo.size() / 2) {
        m_fifo.erase(m_fifo.begin(), m_fifo.begin() + static_cast<std::ptrdiff_t>(2 * m_fifoRead));
        m_fifoRead = 0;
    }
    while (m_fifo.size() / 2 - m_fifoRead < sim::kPairsPerBlock) {
        m_captured.clear();
        if (!m_capture.Read(m_captured)) return false;
        m_resampler.Process(m_captured.data(), m_captured.size() / 2, m_fifo);
    }
    return true;
}

bool AudioUnit::ReadBlock(std::span<uint8_t> out, uint32_t& returned) {
    Acquisition& a = m_acq;
    if (!a.armed || !a.attached || a.blocksDone >= a.blockCount || !FillFifo()) return false;
    const float* frames = m_fifo.data() + 2 * m_fifoRead;
    for (uint32_t i = 0; i < sim::kPairsPerBlock; ++i) {
        const float l = a.left < 0 ? 0.0f : frames[2 * i + static_cast<uint32_t>(a.left)];
        const float r = a.right < 0 ? 0.0f : frames[2 * i + static_cast<uint32_t>(a.right)];
        const uint16_t pair[2] = {sim::EncodeRaw(ToCounts(l)), sim::EncodeRaw(ToCounts(r))};
        std::memcpy(out.data() + 4 + 4 * i, pair, 4);
    }
    m_fifoRead += sim::kPairsPerBlock;
    const uint32_t header = a.sequence++ & 0x7FFFFFFF;
    std::memcpy(out.data(), &header, 4);
    ++a.blocksDone;
    ++m_blocks;
    returned = sim::kBlockBytes;
    return true;
}

std::shared_ptr<AudioUnit> InstallAudioUnit(const CaptureRequest& request) {
    std::shared_ptr<AudioUnit> unit = AudioUnit::Create(request);
    platform::SetDeviceProvider(unit);
    return unit;
}

}  // namespace audio
