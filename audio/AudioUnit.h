#pragma once
// audio/AudioUnit.h — a unit whose sampling converter is a two-channel audio
// capture device: Red on the left input, Blue on the right.
//
// Bus side: "SPI4:" answers the converter's requests in block-read mode (arm
// with the block-read gather request, attach the timer, read blocks of a
// header and 1023 raw pairs). The capture runs at a rate the device offers
// and is resampled to 10 000 Hz; each float sample becomes a 12-bit value at
// 2048 counts per full scale (ToCounts), so a clipped input lands on the rails
// and the channel chain blanks it. A station other than Red or Blue reads
// silence. Every other device is a wired unit (WiredScenario): both stations
// fully received, an external supply, no sensor on the sensor lines, radio
// commands answered as a receiver would, with nothing to tune.
//
// When the capture ends (device lost, input file ended, nothing delivered)
// block reads fail from then on and Ended() tells why; the program's stall
// handling then sees an acquisition that delivers nothing.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "audio/AlsaCapture.h"
#include "audio/Resampler.h"
#include "platform/DeviceIo.h"
#include "sim/DriverAbi.h"
#include "sim/Scenario.h"
#include "sim/VirtualUnit.h"

namespace audio {

// Counts per full-scale sample (1.0).
constexpr int kFullScaleCounts = 2048;
// The output rate: the unit's converter rate, Hz.
constexpr double kUnitRate = 10000.0;

// A float sample as a 12-bit converter value, rounded, clamped to -2048 .. 2047.
int16_t ToCounts(float x) noexcept;

// The world of the devices an audio interface does not have.
sim::Scenario WiredScenario();

class AudioUnit final : public platform::DeviceProvider, public std::enable_shared_from_this<AudioUnit> {
public:
    // Opens the capture device; throws CaptureError with the user's message.
    static std::shared_ptr<AudioUnit> Create(const CaptureRequest& request);

    std::unique_ptr<platform::Device> Open(std::string_view name) override;
    bool Activate(std::string_view registryPath) override;
    std::string ConverterFault() const override { return m_capture.EndMessage(); }

    // --- Read-outs ---------------------------------------------------------
    const AlsaCapture& Capture() const noexcept { return m_capture; }
    int64_t Xruns() const noexcept { return m_capture.Xruns(); }
    bool Ended() const noexcept { return m_capture.Ended(); }
    const std::string& EndMessage() const noexcept { return m_capture.EndMessage(); }
    // Blocks handed to the program since the unit was made.
    int64_t BlocksDelivered() const noexcept { return m_blocks; }
    // The wired unit behind every other device.
    sim::VirtualUnit& Wired() noexcept { return *m_wired; }

private:
    explicit AudioUnit(const CaptureRequest& request);
    friend class AudioAdcDevice;

    bool OnAdc(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t& returned);
    bool Arm(std::span<const uint8_t> in);
    bool ReadBlock(std::span<uint8_t> out, uint32_t& returned);
    bool FillFifo();

    std::shared_ptr<sim::VirtualUnit> m_wired;
    AlsaCapture m_capture;
    Resampler m_resampler;

    struct Acquisition {
        bool armed = false, attached = false;
        int left = 0, right = 1;   // capture channel per side, -1 silence
        uint32_t blockCount = 0;
        uint32_t blocksDone = 0;
        uint32_t sequence = 0;
    } m_acq;
    std::vector<float> m_captured;  // one chunk at the capture rate
    std::vector<float> m_fifo;      // resampled frames, interleaved
    size_t m_fifoRead = 0;          // frames of m_fifo already handed out
    int64_t m_blocks = 0;
};

// Makes an audio unit for `request` and installs it as the device provider;
// throws CaptureError.
std::shared_ptr<AudioUnit> InstallAudioUnit(const CaptureRequest& request);

}  // namespace audio
