#include "sim/VirtualUnit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/Paths.h"

namespace sim {
namespace {

constexpr const char* kSensorDriverPath = "\\Drivers\\SensorDAC";
constexpr size_t kLogLimit = 20000;  // the oldest half goes when reached

// Device names as the unit knows them.
constexpr std::string_view kAux = "SPI3:", kAdc = "SPI4:", kRed = "SPI5:", kBlue = "SPI6:", kYellow = "SPI7:",
                           kGpio = "PIO1:", kTimer = "TMR0:", kBacklight = "PWC0:", kLocal = "RSI0:";
constexpr std::string_view kDevices[] = {kAux, kAdc, kRed, kBlue, kYellow, kGpio, kTimer, kBacklight, kLocal};

// Control lines whose level the world sets.
constexpr uint32_t kPinStD = 55, kPinStE = 56, kPinVextDet = 147, kPinChargeStatus = 12, kPinChgShdn = 13;

std::string Upper(std::string_view s) {
    std::string u(s);
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

template <typename T>
T Load(std::span<const uint8_t> bytes, size_t offset = 0) {
    T v;
    std::memcpy(&v, bytes.data() + offset, sizeof v);
    return v;
}

template <typename T>
void Store(std::span<uint8_t> bytes, T v, size_t offset = 0) {
    std::memcpy(bytes.data() + offset, &v, sizeof v);
}

// The buffer behind a record's token when it holds at least `need` bytes.
std::span<uint8_t> Buffer(uint32_t token, size_t need) {
    std::span<uint8_t> b = platform::ResolveSharedBuffer(token);
    return b.size() >= need ? b : std::span<uint8_t>();
}

// Ten-bit converter result of `volts` against the reference.
uint16_t TenBits(double volts, double vref) {
    return static_cast<uint16_t>(std::clamp(std::lround(volts * 1024.0 / vref), 0l, 1023l));
}

}  // namespace

// One open device: forwards every request to the unit under its name.
class VirtualDevice final : public platform::Device {
public:
    VirtualDevice(std::shared_ptr<VirtualUnit> unit, std::string name)
        : m_unit(std::move(unit)), m_name(std::move(name)) {}
    bool Control(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t& returned) override {
        return m_unit->Handle(m_name, code, in, out, returned);
    }

private:
    std::shared_ptr<VirtualUnit> m_unit;
    std::string m_name;
};

std::shared_ptr<VirtualUnit> VirtualUnit::Create(const Scenario& world) {
    return std::shared_ptr<VirtualUnit>(new VirtualUnit(world));
}

VirtualUnit::VirtualUnit(const Scenario& world) : m_world(world) {
    m_world.Validate();
    m_signals = std::make_unique<SignalWorld>(m_world);
}

void VirtualUnit::SetScenario(const Scenario& world) {
    world.Validate();
    m_world = world;
    m_signals = std::make_unique<SignalWorld>(m_world);
}

std::unique_ptr<platform::Device> VirtualUnit::Open(std::string_view name) {
    const std::string device = Upper(name);
    if (std::find(std::begin(kDevices), std::end(kDevices), device) == std::end(kDevices)) return nullptr;
    if (m_missing.count(device)) return nullptr;
    return std::make_unique<VirtualDevice>(shared_from_this(), device);
}

bool VirtualUnit::Activate(std::string_view registryPath) {
    return platform::FoldCase(registryPath) == platform::FoldCase(kSensorDriverPath) &&
           !m_missing.count(std::string(kSensorDriverPath));
}

void VirtualUnit::FailRequests(uint32_t code, int count, std::string_view device) {
    m_faults.push_back({code, count, Upper(device)});
}

void VirtualUnit::SetMissing(std::string_view device, bool missing) {
    const std::string name = device == kSensorDriverPath ? std::string(device) : Upper(device);
    if (missing) m_missing.insert(name);
    else m_missing.erase(name);
}

void VirtualUnit::ClearFaults() {
    m_faults.clear();
    m_missing.clear();
}

std::vector<VirtualUnit::Request> VirtualUnit::RequestsWith(uint32_t code) const {
    std::vector<Request> found;
    for (const Request& r : m_log)
        if (r.code == code) found.push_back(r);
    return found;
}

std::vector<std::string> VirtualUnit::RadioCommands(std::string_view device) const {
    std::vector<std::string> texts;
    for (const Request& r : m_log)
        if (r.code == ioctl::kRadioCommand && r.device == device) texts.push_back(r.text);
    return texts;
}

void VirtualUnit::Service() { ServiceGather(); }

bool VirtualUnit::Handle(std::string_view device, uint32_t code, std::span<const uint8_t> in,
                         std::span<uint8_t> out, uint32_t& returned) {
    returned = 0;
    ServiceGather();
    if (m_log.size() >= kLogLimit) m_log.erase(m_log.begin(), m_log.begin() + kLogLimit / 2);
    Request r{std::string(device), code, std::vector<uint8_t>(in.begin(), in.end()), {}, false};
    bool injected = false;
    for (Fault& f : m_faults) {
        if (f.code != code || f.count == 0 || (!f.device.empty() && f.device != device)) continue;
        if (f.count > 0) --f.count;
        injected = true;
        break;
    }
    if (!injected) r.ok = Dispatch(device, code, in, out, returned, r.text);
    if (!r.ok) returned = 0;
    m_log.push_back(std::move(r));
    return m_log.back().ok;
}

bool VirtualUnit::Dispatch(std::string_view device, uint32_t code, std::span<const uint8_t> in,
                           std::span<uint8_t> out, uint32_t& returned, std::string& note) {
    if (device == kGpio) return OnGpio(code, in, out, returned, note);
    if (device == kTimer) return OnTimer(code, in, out, returned);
    if (device == kAux) return OnAux(code, in, out, returned);
    if (device == kAdc) return OnAdc(code, in, out, returned);
    if (device == kBacklight) return out.empty() && OnBacklight(code, in);
    if (device == kLocal) return OnLocalInput(code, in, out, returned);
    if (device == kRed) return out.empty() && OnRadio(1, code, in, note);
    if (device == kBlue) return out.empty() && OnRadio(2, code, in, note);
    if (device == kYellow) return out.empty() && OnRadio(3, code, in, note);
    return false;
}

// --- PIO1: control lines -----------------------------------------------------

bool VirtualUnit::OnGpio(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t& returned,
                         std::string& note) {
    switch (code) {
    case ioctl::kGpioConfigure: {
        if (in.empty() || in.size() % sizeof(GpioLine) != 0 || !out.empty()) return false;
        std::vector<std::pair<GpioLine, std::string>> lines;
        for (size_t off = 0; off < in.size(); off += sizeof(GpioLine)) {
            const GpioLine line = Load<GpioLine>(in, off);
            const std::span<uint8_t> name = platform::ResolveSharedBuffer(line.name);
            const auto end = std::find(name.begin(), name.end(), uint8_t{0});
            if (name.empty() || end == name.end()) return false;  // no readable name
            if ((line.mode != kModeInput && line.mode != kModeOutput) || line.level > 1 || line.reserved != 0)
                return false;
            lines.emplace_back(line, std::string(name.begin(), end));
        }
        // The whole table is checked before any line changes.
        for (const auto& [line, name] : lines) {
            Line& l = m_lines[line.pin];
            l.name = name;
            l.mode = line.mode;
            if (line.mode == kModeOutput) l.level = line.level;
            note += note.empty() ? name : "," + name;
        }
        return true;
    }
    case ioctl::kGpioSet: {
        if (in.size() != 8 || !out.empty()) return false;
        const uint32_t pin = Load<uint32_t>(in), level = Load<uint32_t>(in, 4);
        auto it = m_lines.find(pin);
        if (level > 1 || it == m_lines.end() || it->second.mode != kModeOutput) return false;
        it->second.level = level;
        note = it->second.name;
        return true;
    }
    case ioctl::kGpioGet: {
        if (in.size() != 8 || out.size() < 8) return false;
        const uint32_t pin = Load<uint32_t>(in);
        Store<uint32_t>(out, pin);
        Store<uint32_t>(out, ReadPin(pin), 4);
        returned = 8;
        auto it = m_lines.find(pin);
        if (it != m_lines.end()) note = it->second.name;
        return true;
    }
    default:
        return false;
    }
}

bool VirtualUnit::Charging() const {
    auto it = m_lines.find(kPinChgShdn);
    const bool chargerOn = it != m_lines.end() && it->second.mode == kModeOutput && it->second.level == 1;
    return m_world.supply == Supply::Charging && chargerOn;
}

uint32_t VirtualUnit::ReadPin(uint32_t pin) const {
    switch (pin) {
    case kPinStD: return static_cast<uint32_t>(m_world.stD);
    case kPinStE: return static_cast<uint32_t>(m_world.stE);
    case kPinVextDet: return m_world.supply == Supply::Battery ? 1 : 0;  // pulled low by a supply
    case kPinChargeStatus: return Charging() ? 0 : 1;                    // open drain, low while charging
    default: {
        auto it = m_lines.find(pin);
        return it == m_lines.end() ? 0 : it->second.level;
    }
    }
}

VirtualUnit::Line VirtualUnit::LineState(uint32_t pin) const {
    auto it = m_lines.find(pin);
    Line l = it == m_lines.end() ? Line{} : it->second;
    if (l.mode != kModeOutput) l.level = ReadPin(pin);
    return l;
}

// --- TMR0: timer channels ------------------------------------------------------

bool VirtualUnit::OnTimer(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t& returned) {
    switch (code) {
    case ioctl::kTmrConfig: {
        if (in.size() != sizeof(TimerChannel) || !out.empty()) return false;
        const TimerChannel t = Load<TimerChannel>(in);
        if (t.word[0] != 1 && t.word[0] != 2) return false;  // the unit has two channels
        m_timers[t.word[0]] = t;
        return true;
    }
    case ioctl::kTmrFreq:
        if (!in.empty() || out.size() < 4) return false;
        Store<uint32_t>(out, m_world.mclk);
        returned = 4;
        return true;
    default:
        return false;
    }
}

const TimerChannel* VirtualUnit::TimerConfig(uint32_t channel) const {
    auto it = m_timers.find(channel);
    return it == m_timers.end() ? nullptr : &it->second;
}

// --- SPI3: auxiliary converter, version, display, power ----------------------

bool VirtualUnit::OnAux(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t& returned) {
    switch (code) {
    case ioctl::kAuxWrite: {
        if (in.size() != 2 || (!out.empty() && out.size() < 2)) return false;
        const uint16_t word = Load<uint16_t>(in);
        if (word == 0xA000) m_auxInit = true, m_auxReady = false;  // reset
        else if (word == 0xA204 && m_auxInit) m_auxReady = true;   // channel set-up after reset
        if (!out.empty()) Store<uint16_t>(out, 0), returned = 2;
        return true;
    }
    case ioctl::kAuxConvert: {
        if (in.size() != 2 || out.size() < 2) return false;
        const uint16_t channel = Load<uint16_t>(in);
        if (channel > kAuxBattery) return false;
        uint16_t result = 0;  // an unprepared converter reads zero
        if (m_auxReady) {
            const int64_t now = NowSample();
            if (channel <= kAuxRssiYellow) {
                // Channels 0-2 carry the Red, Blue and Yellow receivers' levels.
                const double dbm = m_signals->RssiAt(static_cast<Station>(channel + 1), now);
                const double volts = (dbm + 120.0) / 84.61539 + 1.0;
                const int jitter = static_cast<int>(m_signals->Uniform16(40 + channel, static_cast<int64_t>(m_conversions)) % 3) - 1;
                result = static_cast<uint16_t>(std::clamp(TenBits(volts, m_world.vref) + jitter, 0, 1023));
            } else if (channel == kAuxBattery) {
                result = TenBits(m_world.battery * 15.0 / 43.0, m_world.vref);
            }
        }
        ++m_conversions;
        Store<uint16_t>(out, static_cast<uint16_t>(result << 6));
        returned = 2;
        return true;
    }
    case ioctl::kPowerOff:
        if (!in.empty() || !out.empty()) return false;
        m_poweredOff = true;
        return true;
    case ioctl::kOsVersion: {
        if (in.empty() || out.empty()) return false;
        const size_t room = std::min<size_t>(out.size(), 20);
        const std::string& text = m_world.osVersion;
        const size_t n = std::min(text.size(), room);
        std::memcpy(out.data(), text.data(), n);
        if (n < room) out[n] = 0;
        returned = static_cast<uint32_t>(std::min(room, n + 1));
        return true;
    }
    case ioctl::kDisplayPower:
        if (in.size() != 1 || !out.empty() || in[0] > 1) return false;
        m_displayOn = in[0] == 1;
        return true;
    default:
        return false;
    }
}

// --- PWC0: backlight -----------------------------------------------------------

bool VirtualUnit::OnBacklight(uint32_t code, std::span<const uint8_t> in) {
    switch (code) {
    case ioctl::kPwcConfig: {
        if (in.size() != 8) return false;
        const uint32_t period = Load<uint32_t>(in), duty = Load<uint32_t>(in, 4);
        if (period == 0 || duty > 100) return false;
        m_pwcPeriod = period;
        m_pwcDuty = duty;
        m_pwcConfigured = true;
        return true;
    }
    case ioctl::kPwcStart:
        if (!in.empty() || !m_pwcConfigured) return false;
        m_pwcRunning = true;
        return true;
    case ioctl::kPwcStop:
        if (!in.empty()) return false;
        m_pwcRunning = false;
        return true;
    default:
        return false;
    }
}

// --- RSI0: Base input ------------------------------------------------------------

bool VirtualUnit::OnLocalInput(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
                               uint32_t& returned) {
    switch (code) {
    case ioctl::kSetLocalGain: {
        if (in.size() != 2 || !out.empty()) return false;
        const uint16_t word = Load<uint16_t>(in);
        if (!(word & 0x1000)) return false;  // the write-gain flag
        m_localGain = word & 0x0FFF;
        return true;
    }
    case ioctl::kGetLocalLevel: {
        if (!in.empty() || out.size() < 2) return false;
        const int level = std::min(1023, m_world.localSignal * m_localGain / 1024);
        Store<uint16_t>(out, static_cast<uint16_t>(level));
        returned = 2;
        return true;
    }
    default:
        return false;
    }
}

// --- SPI5-7: receivers -------------------------------------------------------------

bool VirtualUnit::OnRadio(int station, uint32_t code, std::span<const uint8_t> in, std::string& note) {
    if (code != ioctl::kRadioCommand || in.size() != sizeof(RadioCommand)) return false;
    const RadioCommand cmd = Load<RadioCommand>(in);
    if (cmd.length == 0 || cmd.length > kReplyUnits) return false;
    const std::span<uint8_t> textBytes = Buffer(cmd.text, cmd.length * 2);
    const std::span<uint8_t> reply = Buffer(cmd.reply, kReplyUnits * 2);
    if (textBytes.empty() || reply.empty()) return false;
    std::string text;
    for (uint32_t i = 0; i < cmd.length; ++i) {
        const uint16_t unit = Load<uint16_t>(textBytes, i * 2);
        if (unit == 0 || unit > 0x7E) return false;
        text += static_cast<char>(unit);
    }
    note = text;

    Receiver& rx = m_radio[static_cast<size_t>(station - 1)];
    // "Hnn XX" with XX upper-case hexadecimal: two digits, three for the
    // channels above 255 of a 12.5 kHz plan.
    auto argument = [&](size_t maxDigits) -> int {
        if (text.size() < 6 || text.size() > 4 + maxDigits || text[3] != ' ') return -1;
        int v = 0;
        for (size_t i = 4; i < text.size(); ++i) {
            const char c = text[i];
            if (c >= '0' && c <= '9') v = v * 16 + (c - '0');
            else if (c >= 'A' && c <= 'F') v = v * 16 + (c - 'A' + 10);
            else return -1;
        }
        return v;
    };
    static const char* const kNames[] = {"RED", "BLUE", "YELLOW"};
    char answer[kReplyUnits + 1] = {};
    const std::string head = text.substr(0, 3);
    if (text == "H01") {
        std::snprintf(answer, sizeof answer, "RX %s SN 40%02d FW 2.31", kNames[station - 1], 17 + station);
    } else if (text == "H02") {
        std::snprintf(answer, sizeof answer, "BAND 407-475MHZ IF 21.4MHZ");
    } else if (text == "H03") {
        std::snprintf(answer, sizeof answer, "CH %02X GAIN %s %s", std::max(rx.channel, 0), rx.fixedGain ? "FIX" : "VAR",
                      rx.parallel ? "PAR" : "SER");
    } else if (head == "H04") {
        const int ch = argument(3);
        if (ch < 0) return false;
        rx.pending = ch;
        rx.stepped = false;
        std::snprintf(answer, sizeof answer, "OK");
    } else if (text == "H06 01") {
        rx.stepped = rx.pending >= 0;
        std::snprintf(answer, sizeof answer, "OK");
    } else if (head == "H08") {
        const int ch = argument(3);
        if (ch < 0 || ch != rx.pending || !rx.stepped) return false;  // out of sequence
        rx.channel = ch;
        rx.stepped = false;
        std::snprintf(answer, sizeof answer, "OK");
    } else if (head == "H07") {
        const int mode = argument(2);
        if (mode != 0 && mode != 1) return false;
        rx.fixedGain = mode == 1;
        std::snprintf(answer, sizeof answer, "OK");
    } else if (text == "H09 0") {
        rx.parallel = true;
        std::snprintf(answer, sizeof answer, "OK");
    } else {
        return false;
    }
    for (uint32_t i = 0; i < kReplyUnits; ++i)
        Store<uint16_t>(reply, static_cast<uint16_t>(static_cast<unsigned char>(answer[i])), i * 2);
    return true;
}

std::shared_ptr<VirtualUnit> InstallVirtualUnit(const Scenario& world) {
    std::shared_ptr<VirtualUnit> unit = VirtualUnit::Create(world);
    platform::SetDeviceProvider(unit);
    return unit;
}

}  // namespace sim
