#include "hardware/SensorHardware.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

#include "platform/CheckedCast.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "settings/Configuration.h"
#include "pipe/Units.h"
#include "platform/Numbers.h"

using namespace hw;

int g_replay = 0;

namespace {

constexpr const char* kSensorDriverPath = "\\Drivers\\SensorDAC";
constexpr const char* kBacklightDevice = "PWC0:";
// What a failed backlight request reports as its error number: the drivers'
// general failure code (the platform keeps no per-thread error).
constexpr int kGeneralFailure = 31;

struct LineDef {
    const char* name;
    uint32_t pin;
    uint32_t level;  // at start
    uint32_t mode;
};

// The control-line table, sent once at start in this order.
constexpr LineDef kLineTable[] = {
    {"HP_SHDN", 130, 1, kLineOutput},     {"HP_VOL_CLK", 129, 0, kLineOutput},  {"HP_VOL_UP/DN", 128, 0, kLineOutput},
    {"ST_D", 55, 0, kLineInput},          {"ST_E", 56, 0, kLineInput},          {"5V_SHDN", 20, 1, kLineOutput},
    {"GND_MIC", 51, 0, kLineOutput},      {"HYDRO", 52, 0, kLineOutput},        {"A_SENSOR", 53, 0, kLineOutput},
    {"MONITRAN", 29, 0, kLineOutput},     {"PB_RED", 26, 1, kLineOutput},       {"PB_GREEN", 27, 1, kLineOutput},
    {"Y_RF_AE", 148, 0, kLineOutput},     {"R_RF_AE", 149, 0, kLineOutput},     {"B_RF_AE", 150, 0, kLineOutput},
    {"CHG_SHDN", 13, 0, kLineOutput},     {"ASW_S2_A", 59, 1, kLineOutput},     {"ASW_S1_A", 58, 1, kLineOutput},
    {"ASW_S0_A", 57, 1, kLineOutput},     {"ASW_S2_B", 62, 1, kLineOutput},     {"ASW_S1_B", 61, 1, kLineOutput},
    {"ASW_S0_B", 60, 1, kLineOutput},     {"60Hz_NOTCH", 142, 0, kLineOutput},  {"BYPASS_NOTCH", 145, 0, kLineOutput},
    {"BYPASS_HPF", 54, 1, kLineOutput},   {"BYPASS_LPF", 144, 0, kLineOutput},  {"VEXT_DET", 147, 0, kLineInput},
    // Used only by the power-source check.
    {"CHG", 10, 1, kLineInput},
};
constexpr size_t kTableLines = 27;
static_assert(std::size(kLineTable) == kTableLines + 1);

// Pins driven after start.
constexpr uint32_t kPinHpShdn = 130, kPinHpVolClk = 129, kPinHpVolDir = 128, kPinStD = 55, kPinStE = 56,
                   kPinGndMic = 51, kPinHydro = 52, kPinASensor = 53, kPinMonitran = 29, kPinPbRed = 26,
                   kPinPbGreen = 27, kPinChgShdn = 13, kPinNotch60 = 142, kPinBypassNotch = 145,
                   kPinVextDet = 147, kPinChg = 10, kPinChargeStatus = 12;
constexpr uint32_t kListenPinsLeft[3] = {59, 58, 57};   // bits 2, 1, 0
constexpr uint32_t kListenPinsRight[3] = {62, 61, 60};

constexpr int32_t kHeadphoneSteps = 15;  // a 16-position potentiometer
constexpr uint32_t kTimerExcitation = 1, kTimerTrigger = 2;
constexpr auto kSampleRate = static_cast<uint32_t>(kUnitSampleRate);

size_t LineIndex(uint32_t pin) {
    for (size_t i = 0; i < std::size(kLineTable); ++i)
        if (kLineTable[i].pin == pin) return i;
    return 0;
}

// Sensor selection by type: the lines in the order they are written, and the
// excitation clock.
struct Selection {
    uint32_t pins[4];
    uint32_t levels[4];
    uint32_t excitationHz;
};
constexpr Selection kSelections[4] = {
    {{kPinGndMic, kPinHydro, kPinMonitran, kPinASensor}, {0, 0, 0, 0}, 500000},  // 0 none
    {{kPinGndMic, kPinMonitran, kPinASensor, kPinHydro}, {0, 0, 0, 1}, 62500},   // 1 hydrophone
    {{kPinGndMic, kPinHydro, kPinMonitran, kPinASensor}, {0, 0, 0, 1}, 500000},  // 2 accelerometer
    {{kPinGndMic, kPinHydro, kPinASensor, kPinMonitran}, {0, 0, 0, 1}, 500000},  // 3 microphone
};

}  // namespace

SensorHardware::SensorHardware() {
    m_adc.handle = platform::CreateFile(m_adc.name);
    for (Port& p : m_radio) p.handle = platform::CreateFile(p.name);
    m_gpio.handle = platform::CreateFile(m_gpio.name);
    m_timer.handle = platform::CreateFile(m_timer.name);
    m_aux.handle = platform::CreateFile(m_aux.name);

    // Line names live as long as the object: the driver reads them by token.
    m_lineNameTokens.reserve(std::size(kLineTable));
    for (const LineDef& line : kLineTable)
        m_lineNameTokens.push_back(platform::RegisterSharedBuffer(const_cast<char*>(line.name),
                                                                  static_cast<uint32_t>(std::strlen(line.name) + 1)));
    if (m_gpio.Valid()) {
        std::array<GpioLineRecord, kTableLines> table{};
        for (size_t i = 0; i < kTableLines; ++i)
            table[i] = {m_lineNameTokens[i], kLineTable[i].pin, kLineTable[i].level, 0, {}, kLineTable[i].mode};
        ConfigureLines(table);
    }
    m_sensorDriver = platform::ActivateDeviceEx(kSensorDriverPath);
    m_local.handle = platform::CreateFile(m_local.name);

    // The block store: allocated once, every block empty.
    m_blocks.resize(kMaxBlocks);
    for (SampleBlock& b : m_blocks) {
        b.header = kEmptyBlock;
        m_blockTokens.push_back(platform::RegisterSharedBuffer(&b, sizeof b));
    }
    m_blockTableToken = platform::RegisterSharedBuffer(m_blockTable.data(), sizeof m_blockTable);
    RebuildBlockTable();
    m_gather.blockTable = m_blockTableToken;
}

SensorHardware::~SensorHardware() {
    for (Port* p : {&m_adc, &m_radio[0], &m_radio[1], &m_radio[2], &m_gpio, &m_timer, &m_aux, &m_local})
        if (p->Valid()) platform::CloseHandle(p->handle);
    if (m_sensorDriver != platform::kInvalidHandle) platform::DeactivateDevice(m_sensorDriver);
    for (uint32_t t : m_lineNameTokens) platform::UnregisterSharedBuffer(t);
    for (uint32_t t : m_blockTokens) platform::UnregisterSharedBuffer(t);
    platform::UnregisterSharedBuffer(m_blockTableToken);
}

bool SensorHardware::Request(const Port& port, uint32_t code, const void* in, uint32_t inSize, void* out,
                             uint32_t outSize, uint32_t expected, const char* failure) {
    if (!port.Valid()) return false;
    uint32_t returned = 0;
    const bool ok = platform::DeviceIoControl(port.handle, code, in, inSize, out, outSize, &returned);
    if (ok && (expected == 0 || returned == expected)) return true;
    if (failure) platform::DebugOutput(failure);
    else platform::DebugPrintf("\r\n%s request 0x%08X failed (%u bytes back)\r\n", port.name, code, returned);
    return false;
}

// ---- control lines -------------------------------------------------------------

bool SensorHardware::ConfigureLines(std::span<const GpioLineRecord> lines) {
    if (!m_gpio.Valid()) return false;
    return Request(m_gpio, IOCTL_GPIO_CONFIGURE, lines.data(), static_cast<uint32_t>(lines.size_bytes()));
}

bool SensorHardware::ConfigureLine(uint32_t pin, uint32_t level, uint32_t mode) {
    const GpioLineRecord r{m_lineNameTokens[LineIndex(pin)], pin, level, 0, {}, mode};
    return ConfigureLines({&r, 1});
}

bool SensorHardware::SetPin(uint32_t pin, uint32_t level) {
    const GpioPinRecord r{pin, level};
    return Request(m_gpio, IOCTL_GPIO_SET, &r, sizeof r);
}

int32_t SensorHardware::GetPin(uint32_t pin) {
    GpioPinRecord r{pin, 0};
    if (!Request(m_gpio, IOCTL_GPIO_GET, &r, sizeof r, &r, sizeof r, sizeof r)) return -1;
    return static_cast<int32_t>(r.level);
}

int32_t SensorHardware::DetectSensorType() {
    // A line that cannot be read counts as low, its level at start.
    const int32_t d = GetPin(kPinStD) == 1 ? 1 : 0;
    const int32_t e = GetPin(kPinStE) == 1 ? 1 : 0;
    const int32_t type = d * 2 + e;
    if (type == m_sensorSelection) return type;
    const Selection& s = kSelections[type];
    bool applied = true;
    for (int i = 0; i < 4; ++i) applied = SetPin(s.pins[i], s.levels[i]) && applied;
    ProgramExcitation(s.excitationHz);
    // Only a selection that reached the lines counts as applied; a failed
    // write is tried again at the next detection.
    if (applied) m_sensorSelection = type;
    return type;
}

void SensorHardware::ProgramExcitation(uint32_t hz) {
    TimerChannelRecord r{};
    r.word[0] = kTimerExcitation;
    r.word[1] = hz;
    r.word[2] = 50;
    Request(m_timer, IOCTL_TMR_CONFIG, &r, sizeof r);
}

int32_t SensorHardware::GetPowerSource() {
    ConfigureLine(kPinChg, 1, kLineInput);
    const int32_t first = GetPin(kPinChargeStatus);
    ConfigureLine(kPinChg, 1, kLineOutput);
    const int32_t second = GetPin(kPinChargeStatus);
    ConfigureLine(kPinChg, 1, kLineInput);
    if (first == 0 && second == 0) return 0;
    return GetPin(kPinVextDet) == 0 ? 1 : 2;
}

bool SensorHardware::IsExternalSupplyPresent() { return GetPin(kPinVextDet) == 0; }

void SensorHardware::SetStatusLeds(int32_t mode) {
    SetPin(kPinPbGreen, mode != 1 ? 1 : 0);
    SetPin(kPinPbRed, mode != 2 ? 1 : 0);
}

void SensorHardware::SetChargerShutdown(bool stop) {
    ConfigureLine(kPinChgShdn, stop ? 0 : 1, kLineOutput);
    m_chargerStopped = stop;
}

void SensorHardware::SetNotchMode(int32_t mode) {
    SetPin(kPinNotch60, mode == 1 ? 1 : 0);
    SetPin(kPinBypassNotch, mode == 2 ? 1 : 0);
}

void SensorHardware::SetListenSourceLeft(int32_t code) {
    std::array<GpioLineRecord, 3> r{};
    for (int i = 0; i < 3; ++i) {
        const uint32_t pin = kListenPinsLeft[i];
        r[static_cast<size_t>(i)] = {m_lineNameTokens[LineIndex(pin)], pin, (static_cast<uint32_t>(code) >> (2 - i)) & 1u,
                                     0, {}, kLineOutput};
    }
    ConfigureLines(r);
    m_listenLeft = code;
}

void SensorHardware::SetListenSourceRight(int32_t code) {
    std::array<GpioLineRecord, 3> r{};
    for (int i = 0; i < 3; ++i) {
        const uint32_t pin = kListenPinsRight[i];
        r[static_cast<size_t>(i)] = {m_lineNameTokens[LineIndex(pin)], pin, (static_cast<uint32_t>(code) >> (2 - i)) & 1u,
                                     0, {}, kLineOutput};
    }
    ConfigureLines(r);
    m_listenRight = code;
}

void SensorHardware::SetHeadphoneShutdown(bool on) { ConfigureLine(kPinHpShdn, on ? 1 : 0, kLineOutput); }

void SensorHardware::StepHeadphone(uint32_t direction) {
    SetPin(kPinHpVolDir, direction);
    SetPin(kPinHpVolClk, 0);
    SetPin(kPinHpVolClk, 1);
}

int32_t SensorHardware::ResetHeadphoneVolume() {
    if (m_volume >= 0) return m_volume;
    for (int32_t i = 0; i < kHeadphoneSteps; ++i) StepHeadphone(0);
    m_volume = 0;
    return -1;
}

void SensorHardware::SetHeadphoneVolume(int32_t position) {
    if (position > kHeadphoneSteps) position = kHeadphoneSteps;
    while (m_volume < position) StepHeadphone(1), ++m_volume;
    while (m_volume > position) StepHeadphone(0), --m_volume;
}

// ---- platform facts -----------------------------------------------------------

int32_t SensorHardware::GetOsVersion() {
    if (m_osVersionRead) return m_osVersion;
    m_osVersionRead = true;
    const uint8_t any = 0;
    char text[21] = {};
    double version = 0;
    std::optional<int32_t> hundredths;
    if (Request(m_aux, IOCTL_OS_VERSION, &any, 1, text, 20) && platform::ParseDouble(text, version) > 0 &&
        version >= 0)
        hundredths = platform::TruncateChecked<int32_t>(version * 100.0 + 0.5);
    m_osVersion = hundredths.value_or(100);
    return m_osVersion;
}

std::string SensorHardware::GetOsVersionText() {
    const uint8_t any = 0;
    char text[21] = {};
    if (!Request(m_aux, IOCTL_OS_VERSION, &any, 1, text, 20)) return "OS:";
    return std::string("OS: ") + text;
}

uint32_t SensorHardware::GetMasterClock() {
    if (m_mclkRead) return m_mclk;
    m_mclkRead = true;
    uint32_t hz = 0;
    if (Request(m_timer, IOCTL_TMR_FREQ, nullptr, 0, &hz, sizeof hz, sizeof hz,
                "\r\nIOCTL_TMR_FREQ failed. Deriving MCLK from QueryPerformanceFrequency() call.\r\n"))
        m_mclk = hz;
    else
        // Saturated: 16 times a host counter's frequency can exceed 32 bits.
        m_mclk = 16 * static_cast<uint32_t>(std::clamp<int64_t>(platform::QueryPerformanceFrequency(), 0,
                                                                 std::numeric_limits<uint32_t>::max() / 16));
    return m_mclk;
}

void SensorHardware::ConfigureSampleTimer() {
    if (!m_timer.Valid()) return;
    uint32_t period = GetMasterClock() / kSampleRate / 2;
    uint32_t prescaler = 0;
    while (period > 65535 && prescaler < 3) {
        period >>= 2;
        ++prescaler;
    }
    TimerChannelRecord r{};
    r.word[0] = kTimerTrigger;
    r.word[1] = kSampleRate;
    r.word[2] = 50;
    r.word[4] = 0x0900C400u | prescaler;
    r.word[5] = period / 2;
    r.word[6] = period;
    r.word[7] = 8;
    r.word[9] = 1;
    r.word[10] = 1;
    Request(m_timer, IOCTL_TMR_CONFIG, &r, sizeof r);
}

int32_t SensorHardware::ReadAuxAdc(int32_t channel) {
    if (!m_aux.Valid()) return -1;
    if (!m_auxPrepared) {
        m_auxPrepared = true;
        for (uint16_t word : {uint16_t{0xA000}, uint16_t{0xA204}}) {
            uint16_t ignored = 0;
            Request(m_aux, IOCTL_AUX_WRITE, &word, sizeof word, &ignored, sizeof ignored);
        }
    }
    const uint16_t ch = static_cast<uint16_t>(channel);
    uint16_t raw = 0;
    if (!Request(m_aux, IOCTL_AUX_CONVERT, &ch, sizeof ch, &raw, sizeof raw, sizeof raw)) return -1;
    return raw >> 6;
}

double SensorHardware::ReferenceVoltage() { return g_factory.referenceVoltage; }

// ---- Base input ------------------------------------------------------------------

bool SensorHardware::SetLocalGain(uint16_t gain) {
    if (GetOsVersion() < kLocalGainVersion) return true;
    const uint16_t word = static_cast<uint16_t>(gain | 0x1000);
    return Request(m_local, IOCTL_SET_LOCAL_GAIN, &word, sizeof word, nullptr, 0, 0, "SetLocalGain failed\r\n");
}

int32_t SensorHardware::GetLocalSignalLevel() {
    if (GetOsVersion() < kLocalGainVersion) return 0;
    uint16_t level = 0;
    if (!Request(m_local, IOCTL_GET_LOCAL_LEVEL, nullptr, 0, &level, sizeof level, sizeof level,
                 "GetLocalSignalLevel failed\r\n"))
        return -1;
    return level;
}

uint16_t SensorHardware::NextLocalGain(uint16_t level, uint16_t gain) {
    double factor;
    bool up;
    if (level < 614) factor = 1.122018, up = true;        // +1 dB
    else if (level <= 634) factor = 1.059254, up = true;  // +0.5 dB
    else if (level <= 664) factor = 1.023293, up = true;  // +0.2 dB
    else if (level <= 725) return gain;                   // in the window
    else if (level <= 791) factor = 1.023293, up = false;
    else if (level <= 886) factor = 1.059254, up = false;
    else factor = 1.122018, up = false;
    int32_t next = static_cast<int32_t>(up ? gain * factor : gain / factor);
    if (next == gain) next += up ? 1 : -1;
    if (next > 4095) next = 4095;
    if (next < 0) next = 0;
    return static_cast<uint16_t>(next);
}

void SensorHardware::StepLocalGain() {
    m_localLevel = static_cast<uint16_t>(GetLocalSignalLevel());
    if (m_localLevel >= 665 && m_localLevel <= 725) return;  // in the window: no request
    m_localGain = NextLocalGain(m_localLevel, m_localGain);
    m_gainRunning = SetLocalGain(m_localGain);
}

// ---- display and power ----------------------------------------------------------

void SensorHardware::SetDisplayPower(bool on) {
    const uint8_t b = on ? 1 : 0;
    Request(m_aux, IOCTL_DISPLAY_POWER, &b, 1);
}

void SensorHardware::PowerOff() { Request(m_aux, IOCTL_POWER_OFF, nullptr, 0); }

void SensorHardware::SetBacklight(int32_t duty) {
    const Port pwc{platform::CreateFile(kBacklightDevice), kBacklightDevice};
    if (!pwc.Valid()) return;
    char failure[80];
    if (duty >= 100) {
        std::snprintf(failure, sizeof failure, "\r\nIOCTL_PWC_STOP failed on PWC0- %d\r\n", kGeneralFailure);
        if (Request(pwc, IOCTL_PWC_STOP, nullptr, 0, nullptr, 0, 0, failure))
            platform::DebugOutput("\r\nIOCTL_PWC_STOP on PWC0 OK\r\n");
    } else {
        const uint32_t config[2] = {5000, static_cast<uint32_t>(duty < 0 ? 0 : duty)};
        std::snprintf(failure, sizeof failure, "\r\nIOCTL_PWC_CONFIG failed on PWC0- %d\r\n", kGeneralFailure);
        if (Request(pwc, IOCTL_PWC_CONFIG, config, sizeof config, nullptr, 0, 0, failure)) {
            std::snprintf(failure, sizeof failure, "\r\nIOCTL_PWC_START failed on PWC0- %d\r\n", kGeneralFailure);
            if (Request(pwc, IOCTL_PWC_START, nullptr, 0, nullptr, 0, 0, failure))
                platform::DebugOutput("\r\nIOCTL_PWC_START on PWC0 OK\r\n");
        }
    }
    platform::CloseHandle(pwc.handle);
}

// ---- receivers ----------------------------------------------------------------------

bool SensorHardware::HasRadioPort(int32_t station) const {
    return station >= 1 && station <= 3 && m_radio[static_cast<size_t>(station - 1)].Valid();
}

bool SensorHardware::SendRadioCommand(int32_t station, std::string_view text, std::u16string* reply) {
    if (!HasRadioPort(station) || text.empty() || text.size() > kReplyUnits) return false;
    std::u16string command(text.begin(), text.end());
    std::array<char16_t, kReplyUnits> answer{};
    const RadioCommandRecord r{
        platform::RegisterSharedBuffer(answer.data(), sizeof answer),
        platform::RegisterSharedBuffer(command.data(), static_cast<uint32_t>(command.size() * 2)),
        static_cast<uint32_t>(command.size())};
    const bool ok = Request(m_radio[static_cast<size_t>(station - 1)], IOCTL_RADIO_COMMAND, &r, sizeof r);
    platform::UnregisterSharedBuffer(r.reply);
    platform::UnregisterSharedBuffer(r.text);
    if (ok && reply) reply->assign(answer.begin(), answer.end());
    return ok;
}

SensorHardware& Hardware() {
    // Never destroyed: other objects may still reach it during exit.
    static SensorHardware* hardware = new SensorHardware();
    return *hardware;
}
