#pragma once
// sim/VirtualUnit.h — the virtual unit: a device provider standing in for the
// base unit's sensor driver stack, answering every device and request code the
// program uses, with the drivers' record layouts and failures (sim/DriverAbi.h).
//
// Bus side: "SPI3:" auxiliary converter, version text, display power and
// power-off; "SPI4:" the sampling converter; "SPI5:" "SPI6:" "SPI7:" the Red,
// Blue and Yellow receivers; "PIO1:" control lines; "TMR0:" timer channels;
// "PWC0:" backlight; "RSI0:" Base input gain and level; the sensor driver
// "\Drivers\SensorDAC". Backend: the Scenario. Test side: the fault hook,
// the request log and the read-outs below.
//
// Time comes from the platform clock. The sampling converter runs at 10 kHz
// from the moment the timer is attached and its trigger channel set to 10 kHz
// (within 1 %). In block-read mode a read waits (platform Sleep) until its
// block is complete, as the driver's synchronous read does; in the older
// gather mode the driver fills the armed blocks as time passes, which the
// virtual unit does whenever it is serviced: on every request to any of its
// devices, and on Service().

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DeviceIo.h"
#include "sim/DriverAbi.h"
#include "sim/Scenario.h"
#include "sim/World.h"

namespace sim {

class VirtualUnit final : public platform::DeviceProvider, public std::enable_shared_from_this<VirtualUnit> {
public:
    // Use Create: devices keep the unit alive through a shared pointer.
    static std::shared_ptr<VirtualUnit> Create(const Scenario& world = DefaultScenario());

    // Provider side.
    std::unique_ptr<platform::Device> Open(std::string_view name) override;
    bool Activate(std::string_view registryPath) override;

    // --- Backend -----------------------------------------------------------
    // The world; per-station settings, battery, supply, sensor lines and
    // radio levels may be changed in place at any time.
    Scenario& World() { return m_world; }
    // Replaces the whole world (pipe and leak included).
    void SetScenario(const Scenario& world);

    // --- Test hooks --------------------------------------------------------
    // The next `count` requests with `code` fail before reaching the device
    // (count < 0: all of them); device names one device, empty any.
    void FailRequests(uint32_t code, int count, std::string_view device = {});
    // A device that will not open (its name as the program opens it).
    void SetMissing(std::string_view device, bool missing = true);
    // Clears faults and missing devices.
    void ClearFaults();

    // One request as the unit saw it.
    struct Request {
        std::string device;         // "SPI5:"
        uint32_t code = 0;
        std::vector<uint8_t> in;    // input bytes
        std::string text;           // a radio command's text; a line's name
        bool ok = false;
    };
    const std::vector<Request>& Requests() const { return m_log; }
    void ClearRequests() { m_log.clear(); }
    // The requests with one code, in order.
    std::vector<Request> RequestsWith(uint32_t code) const;
    // Radio command texts sent to one receiver port ("SPI5:"), in order.
    std::vector<std::string> RadioCommands(std::string_view device) const;

    // Lets the sampling converter catch up with the clock (gather mode fills).
    void Service();

    // --- Read-outs ---------------------------------------------------------
    struct Line {
        std::string name;
        uint32_t level = 0;
        uint32_t mode = 0;  // 0 never configured
    };
    // A control line as the driver holds it; inputs read from the world.
    Line LineState(uint32_t pin) const;
    uint32_t ReadPin(uint32_t pin) const;
    const TimerChannel* TimerConfig(uint32_t channel) const;
    // Backlight brightness in percent: 100 while the PWM is stopped.
    int BacklightPercent() const { return m_pwcRunning ? static_cast<int>(m_pwcDuty) : 100; }
    bool DisplayOn() const { return m_displayOn; }
    bool PoweredOff() const { return m_poweredOff; }
    uint16_t LocalGain() const { return m_localGain; }
    bool Charging() const;
    // The channel a receiver was last set to (H04/H06/H08 completed), -1 none.
    int RadioChannel(int station) const { return m_radio[static_cast<size_t>(station - 1)].channel; }
    bool RadioFixedGain(int station) const { return m_radio[static_cast<size_t>(station - 1)].fixedGain; }
    bool RadioParallel(int station) const { return m_radio[static_cast<size_t>(station - 1)].parallel; }
    // Samples the converter has delivered since the unit was made.
    int64_t SamplesDelivered() const { return m_adc.delivered; }
    // Blocks lost because the program read too late (block-read mode).
    int64_t BlocksOverrun() const { return m_adc.overruns; }

    // Blocks the block-read driver keeps before the oldest is overwritten.
    static constexpr int64_t kDriverQueueBlocks = 16;
    // How far the trigger may be from 10 kHz and still convert.
    static constexpr double kTriggerTolerance = 0.01;

private:
    explicit VirtualUnit(const Scenario& world);
    friend class VirtualDevice;

    // Every request passes here: service, fault hook, device, log.
    bool Handle(std::string_view device, uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
                uint32_t& returned);
    bool Dispatch(std::string_view device, uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
                  uint32_t& returned, std::string& note);

    bool OnGpio(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t& returned,
                std::string& note);
    bool OnTimer(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t& returned);
    bool OnAux(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t& returned);
    bool OnBacklight(uint32_t code, std::span<const uint8_t> in);
    bool OnLocalInput(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t& returned);
    bool OnRadio(int station, uint32_t code, std::span<const uint8_t> in, std::string& note);
    bool OnAdc(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t& returned);

    // Sampling converter helpers (VirtualAdc.cpp).
    int64_t NowSample() const;
    bool TriggerRunning() const;
    void FillBlock(std::span<uint8_t> block, int64_t first, uint32_t header);
    void ServiceGather();
    bool ReadBlock(std::span<uint8_t> out, uint32_t& returned);

    Scenario m_world;
    std::unique_ptr<SignalWorld> m_signals;

    struct Fault {
        uint32_t code;
        int count;
        std::string device;
    };
    std::vector<Fault> m_faults;
    std::set<std::string> m_missing;
    std::vector<Request> m_log;

    std::map<uint32_t, Line> m_lines;
    std::map<uint32_t, TimerChannel> m_timers;
    bool m_auxInit = false, m_auxReady = false;
    uint64_t m_conversions = 0;
    bool m_displayOn = true, m_poweredOff = false;
    uint32_t m_pwcPeriod = 0, m_pwcDuty = 100;
    bool m_pwcConfigured = false, m_pwcRunning = false;
    uint16_t m_localGain = 0;

    struct Receiver {
        int pending = -1;     // channel of the last H04
        bool stepped = false; // H06 01 seen after it
        int channel = -1;
        bool fixedGain = false;
        bool parallel = false;
    };
    std::array<Receiver, 3> m_radio{};

    struct Adc {
        std::vector<uint16_t> writes;  // control words, newest last
        std::optional<GatherRequest> gather;
        bool blockRead = false;    // armed with the block-read request
        bool attached = false;
        int64_t next = 0;          // world sample of the next block's first pair
        uint32_t blocksDone = 0;   // blocks of this gather delivered
        uint32_t sequence = 0;     // header of the next filled block
        int64_t delivered = 0;
        int64_t overruns = 0;
        std::vector<int16_t> left, right;  // scratch
    } m_adc;
};

// Installs a virtual unit of `world` as the device provider and returns it.
std::shared_ptr<VirtualUnit> InstallVirtualUnit(const Scenario& world = DefaultScenario());

}  // namespace sim
