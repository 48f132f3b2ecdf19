#include "hardware/RadioLink.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "hardware/SensorHardware.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "settings/EventLog.h"

namespace {

constexpr BandTable kBands = {{
    {407700000, 407925000},
    {433062500, 434787500},
    {439700000, 447125000},
    {447150000, 454150000},
    {458500000, 465500000},
    {467800000, 474700000},
    {kRange7Low, 0},  // Range 7: the station's base, one frequency
}};

std::array<BandTable, 3>& Tables() {
    static std::array<BandTable, 3> tables = {kBands, kBands, kBands};
    return tables;
}

// The band's upper edge as a frequency: Range 7's stored 0 means its base.
int32_t UpperEdge(const RadioBand& b) { return b.upper < b.lower ? b.lower : b.upper; }

// The band nearest a frequency that lies in none.
int32_t NearestBand(const BandTable& t, int32_t f) {
    int32_t best = 0;
    int64_t bestDistance = INT64_MAX;
    for (int32_t i = 0; i < kBandCount; ++i) {
        const RadioBand& b = t[static_cast<size_t>(i)];
        const int64_t d = f < b.lower ? int64_t{b.lower} - f : std::max<int64_t>(0, int64_t{f} - UpperEdge(b));
        if (d < bestDistance) bestDistance = d, best = i;
    }
    return best;
}

int32_t FindBand(const BandTable& t, int32_t f) {
    for (int32_t i = 0; i < kBandCount; ++i)
        if (t[static_cast<size_t>(i)].lower <= f && f <= t[static_cast<size_t>(i)].upper) return i;
    return -1;
}

const char* const kRadioNames[2] = {"Red Radio:", "Blue Radio:"};

}  // namespace

const BandTable& BandTableOf(uint32_t station) {
    return Tables()[station >= 1 && station <= 3 ? station - 1 : 0];
}

void SetRange7Base(uint32_t station, int32_t base) {
    if (station >= 1 && station <= 3) Tables()[station - 1][kRange7Index].lower = base;
}

void LoadRange7Bases() {
    // Until the Red fields have been copied from Blue's they hold nothing.
    SetRange7Base(1, g_factory.initialised ? g_factory.redRadioFrequency : g_factory.radioFrequency);
    SetRange7Base(2, g_factory.radioFrequency);
    SetRange7Base(3, g_factory.radioFrequency);
}

int32_t BandOf(const RadioRecord& r) {
    if (r.bandIndex >= 0 && r.bandIndex < kBandCount) return r.bandIndex;
    return FindBand(BandTableOf(r.bandTable), r.frequency);
}

int32_t ChannelFor(const RadioRecord& r) {
    const int32_t b = BandOf(r);
    if (b < 0 || b > 5 || r.spacing <= 0) return 0;
    // A band index from a file need not hold the frequency: the channel stays
    // inside the band.
    const RadioBand& band = BandTableOf(r.bandTable)[static_cast<size_t>(b)];
    const int64_t channel = (int64_t{r.frequency} - band.lower) / r.spacing;
    const int64_t last = (int64_t{UpperEdge(band)} - band.lower) / r.spacing;
    return static_cast<int32_t>(std::clamp<int64_t>(channel, 0, last));
}

void LookUpBand(RadioRecord& r, int32_t frequency) {
    r.frequency = frequency;
    r.bandIndex = FindBand(BandTableOf(r.bandTable), frequency);
}

void TuneStep(RadioRecord& r, int32_t step) {
    const BandTable& t = BandTableOf(r.bandTable);
    int32_t b = BandOf(r);
    if (b < 0) b = NearestBand(t, r.frequency);  // a frequency in no band tunes from the nearest
    const int32_t lo = t[static_cast<size_t>(b)].lower, hi = UpperEdge(t[static_cast<size_t>(b)]);
    const int64_t f = r.frequency, moved = f + step;
    if (lo <= moved && moved <= hi) {
        r.frequency = static_cast<int32_t>(moved);
    } else if (step > 0) {
        if (f == hi && b < kBandCount - 1) ++b, r.frequency = t[static_cast<size_t>(b)].lower;
        else r.frequency = hi;
    } else {
        if (f == lo && b > 0) --b, r.frequency = UpperEdge(t[static_cast<size_t>(b)]);
        else r.frequency = lo;
    }
    r.bandIndex = b;
}

float RssiToDbm(int32_t raw) {
    const float volts = static_cast<float>(raw) * static_cast<float>(SensorHardware::ReferenceVoltage()) / 1024.0f;
    return std::clamp((volts - 1.0f) * 84.61539f - 120.0f, -140.0f, 5.0f);
}

int32_t BarsForLevel(float dbm, float rssiFloor, float rssiSpan) {
    const float bars = std::floor((dbm - rssiFloor) * 10.0f / std::max(rssiSpan, 5.0f));
    if (!(bars >= 0.0f)) return 0;  // also a floor or span from a file that is not a number
    return bars >= 10.0f ? 10 : static_cast<int32_t>(bars);
}

void ReceptionWindow::Add(int32_t reading) noexcept {
    m_values[static_cast<size_t>(m_next)] = reading;
    m_next = (m_next + 1) % kReadings;
    m_count = std::min(m_count + 1, kReadings);
}

int32_t ReceptionWindow::Average() const noexcept {
    if (m_count == 0) return 0;
    int32_t sum = 0;
    for (int32_t i = 0; i < m_count; ++i) sum += m_values[static_cast<size_t>(i)];
    return sum / m_count;
}

// ---- commands --------------------------------------------------------------------

bool RadioLink::SendRadioCommand(int32_t station, std::string_view text) {
    return m_hw.SendRadioCommand(station, text);
}

bool RadioLink::SetRadioChannel(int32_t station, int32_t channel) {
    char select[16], confirm[16];
    std::snprintf(select, sizeof select, "H04 %02X", static_cast<unsigned>(channel));
    std::snprintf(confirm, sizeof confirm, "H08 %02X", static_cast<unsigned>(channel));
    for (int32_t attempt = 0; attempt < kAttempts; ++attempt) {
        // All three go out whatever the earlier ones returned.
        const bool a = SendRadioCommand(station, select);
        const bool b = SendRadioCommand(station, "H06 01");
        const bool c = SendRadioCommand(station, confirm);
        if (a && b && c) return true;
        platform::Sleep(kRetryPauseMs);
    }
    return false;
}

bool RadioLink::SetRadioGainMode(int32_t station, bool fixed) {
    return SendRadioCommand(station, fixed ? "H07 01" : "H07 00");
}

bool RadioLink::SetParallelMode(int32_t station) {
    for (int32_t attempt = 0; attempt < kAttempts; ++attempt) {
        if (SendRadioCommand(station, "H09 0")) return true;
        platform::Sleep(kRetryPauseMs);
    }
    return false;
}

void RadioLink::DumpRadioInfo() {
    if (!g_configuration.testMode) return;
    std::string text;
    for (int32_t station = 1; station <= 2; ++station) {
        if (!m_hw.HasRadioPort(station)) continue;
        text += kRadioNames[station - 1];
        for (const char* command : {"H01", "H02", "H03"}) {
            std::u16string reply;
            text += std::string("  ") + command + ":";
            if (m_hw.SendRadioCommand(station, command, &reply)) {
                for (char16_t c : reply) text += c == 0 ? '`' : (c < 0x80 ? static_cast<char>(c) : '?');
            } else {
                text += "*FAIL*";
            }
        }
        text += "\r\n";
    }
    if (text.empty()) return;
    std::ofstream log = platform::OpenForWrite(kEventLogFile, false);
    if (!log.is_open()) return;
    log.seekp(0, std::ios::end);
    log.write(text.data(), static_cast<std::streamsize>(text.size()));
}

int32_t RadioLink::GetSignalBars(int32_t stationCode) {
    if (stationCode == 0) return 10;
    if (stationCode < 0 || stationCode > 3) return 0;
    const int32_t channel = stationCode - 1;
    m_hw.ReadAuxAdc(channel);  // the first conversion after a channel change is discarded
    ReceptionWindow& w = m_windows[static_cast<size_t>(channel)];
    w.Add(m_hw.ReadAuxAdc(channel));
    return BarsForLevel(RssiToDbm(w.Average()), g_configuration.rssiFloor, g_configuration.rssiSpan);
}

RadioLink& Radio() {
    static RadioLink* radio = new RadioLink(Hardware());
    return *radio;
}

// ---- presets and factory toggles -------------------------------------------------

namespace {

constexpr CountryPreset kPresets[] = {
    {"Argentina", 458500000, 458800000, 0},   {"China", 458500000, 458800000, 0},
    {"Ireland", 458500000, 458800000, 0},     {"Mexico", 458500000, 458800000, 0},
    {"South Africa", 458500000, 458800000, 0}, {"UK", 458500000, 458800000, 0},
    {"Australia", 471225000, 471800000, 0},   {"Canada", 446300000, 445500000, 1},
    {"Chile", 474350000, 474700000, 0},       {"Finland", 468125000, 468675000, 0},
    {"France", 407700000, 407925000, 0},      {"Germany", 433125000, 434725000, 0},
    {"Greece", 433300000, 433600000, 0},      {"Korea", 458500000, 458800000, 1},
    {"Malaysia", 460625000, 460300000, 0},    {"New Zealand", 470300000, 470400000, 0},
    {"Norway", 440925000, 441125000, 0},      {"Poland", 451950000, 461950000, 0},
    {"Portugal", 445275000, 447125000, 0},    {"Spain", 433075000, 433350000, 0},
    {"Sweden", 439700000, 439925000, 0},      {"USA", 467925000, 467800000, 1},
};

// The first change of a Red factory field copies Blue's into it.
void CopyRedFieldsOnce() {
    if (g_factory.initialised) return;
    g_factory.redRadioSetting = static_cast<uint8_t>(g_factory.radioSetting & 0xFF);
    g_factory.redRadioFrequency = g_factory.radioFrequency;
    g_factory.initialised = 1;
}

}  // namespace

std::span<const CountryPreset> CountryPresets() { return kPresets; }

const CountryPreset* FindCountryPreset(std::string_view name) {
    for (const CountryPreset& p : kPresets)
        if (name == p.name) return &p;
    return nullptr;
}

RadioSetResult ApplyCountryPreset(RadioLink& radio, SensorHardware& hardware, const CountryPreset& preset) {
    const bool poland = std::string_view(preset.name) == "Poland";
    RadioRecord& red = g_configuration.radio[0];
    RadioRecord& blue = g_configuration.radio[1];
    LookUpBand(red, preset.red);
    LookUpBand(blue, preset.blue);
    g_configuration.notchMode = preset.notch;
    g_configuration.branding = std::string_view(preset.name) == "USA" ? 1 : 0;
    g_configuration.redManual = 0;
    g_configuration.blueManual = 0;
    if (poland) {
        red.spacing = 25000;
        blue.spacing = 12500;
        CopyRedFieldsOnce();
        g_factory.redRadioSetting = 0;
        g_factory.radioSetting = (g_factory.radioSetting & ~0xFF) | 1;
        g_configuration.redManual = 1;
        g_factory.Save();
    }
    g_configuration.Save();
    RadioSetResult result;
    result.red = radio.SetRadioChannel(1, ChannelFor(red));
    result.blue = radio.SetRadioChannel(2, ChannelFor(blue));
    if (poland) result.red = radio.SetRadioChannel(1, ChannelFor(red));
    hardware.SetNotchMode(g_configuration.notchMode);
    return result;
}

bool ToggleSpacing(RadioLink& radio, int32_t station) {
    CopyRedFieldsOnce();
    int32_t spacing;
    if (station == 1) {
        g_factory.redRadioSetting = g_factory.redRadioSetting ? 0 : 1;
        spacing = g_factory.redRadioSetting ? 12500 : 25000;
        g_configuration.radio[0].spacing = spacing;
    } else {
        const bool fine = !(g_factory.radioSetting & 0xFF);
        g_factory.radioSetting = (g_factory.radioSetting & ~0xFF) | (fine ? 1 : 0);
        spacing = fine ? 12500 : 25000;
        g_configuration.radio[1].spacing = spacing;
        g_configuration.radio[2].spacing = spacing;
        station = 2;
    }
    g_factory.Save();
    return radio.SetRadioChannel(station, ChannelFor(g_configuration.radio[station - 1]));
}

bool ToggleRange7Base(RadioLink& radio, int32_t station) {
    CopyRedFieldsOnce();
    int32_t& base = station == 1 ? g_factory.redRadioFrequency : g_factory.radioFrequency;
    base = base == kRange7Low ? kRange7High : kRange7Low;
    if (station == 1) {
        SetRange7Base(1, base);
    } else {
        SetRange7Base(2, base);
        SetRange7Base(3, base);
        station = 2;
    }
    g_factory.Save();
    return radio.SetRadioChannel(station, ChannelFor(g_configuration.radio[station - 1]));
}
