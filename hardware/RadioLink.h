#pragma once
// hardware/RadioLink.h — the Red, Blue and Yellow receivers: the H-command
// protocol, channels and bands, manual tuning, country presets, the factory
// spacing and Range 7 toggles, and the reception rating from the receivers'
// signal-strength voltages.
//
// Frequencies are Hz (int32). Stations are 1 Red, 2 Blue, 3 Yellow; a radio
// record's bandTable field names its station's band table.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "settings/Configuration.h"

class SensorHardware;

// One band: lower and upper edge, Hz. Range 7 holds one frequency, its base.
struct RadioBand {
    int32_t lower;
    int32_t upper;
};
constexpr int32_t kBandCount = 7;
constexpr int32_t kRange7Index = 6;
using BandTable = std::array<RadioBand, kBandCount>;

// The Range 7 bases the factory record may hold.
constexpr int32_t kRange7Low = 467800000;
constexpr int32_t kRange7High = 467925000;

// Station 1..3's band table; any other number reads Red's.
const BandTable& BandTableOf(uint32_t station);
// Sets entry 6 of a station's table.
void SetRange7Base(uint32_t station, int32_t base);
// Start-up: Red's base from the factory's Red field, Blue and Yellow's from the shared one.
void LoadRange7Bases();

// The band a record's frequency is tuned in: its band index when 0..6,
// otherwise looked up from the frequency (-1 when it lies in no band). A file
// may carry any index; only this one is ever used to reach the table.
int32_t BandOf(const RadioRecord& r);
// (frequency - lower edge) / spacing in bands 0..5; 0 in Range 7 or no band.
int32_t ChannelFor(const RadioRecord& r);
// Stores the frequency and the first band holding it (-1 for none).
void LookUpBand(RadioRecord& r, int32_t frequency);
// One manual step: +-1 000 000, +-100 000 or +- spacing. Within the band the
// frequency moves; at an edge it moves into the next band's nearer edge;
// otherwise it stops at the edge.
void TuneStep(RadioRecord& r, int32_t step);

// Radio level in dBm of a ten-bit reading, -140..5.
float RssiToDbm(int32_t raw);
// Bars 0..10 of a level: (dbm - rssiFloor) x 10 / max(rssiSpan, 5), floored.
int32_t BarsForLevel(float dbm, float rssiFloor, float rssiSpan);

// The last 20 readings of one receiver's level (a failed read counts as -1).
class ReceptionWindow {
public:
    static constexpr int32_t kReadings = 20;
    void Add(int32_t reading) noexcept;
    int32_t Count() const noexcept { return m_count; }
    // Sum / count, integer division; 0 when empty.
    int32_t Average() const noexcept;

private:
    std::array<int32_t, kReadings> m_values{};
    int32_t m_next = 0;
    int32_t m_count = 0;
};

class RadioLink {
public:
    static constexpr int32_t kAttempts = 3;
    static constexpr uint32_t kRetryPauseMs = 50;

    explicit RadioLink(SensorHardware& hardware) : m_hw(hardware) {}

    bool SendRadioCommand(int32_t station, std::string_view text);
    // "H04 cc", "H06 01", "H08 cc" (cc upper-case hex), up to three attempts
    // 50 ms apart; true when one attempt had all three succeed.
    bool SetRadioChannel(int32_t station, int32_t channel);
    // "H07 01" fixed, "H07 00" variable; one attempt.
    bool SetRadioGainMode(int32_t station, bool fixed);
    // "H09 0", up to three attempts.
    bool SetParallelMode(int32_t station);
    // Test mode: Red's and Blue's answers to H01-H03 appended to the event log.
    void DumpRadioInfo();
    // 0 Base: 10; 1-3: the receiver's rating 0..10; any other code 0.
    int32_t GetSignalBars(int32_t stationCode);
    const ReceptionWindow& Window(int32_t station) const { return m_windows[static_cast<size_t>(station - 1)]; }

private:
    SensorHardware& m_hw;
    std::array<ReceptionWindow, 3> m_windows;
};

// The program's radio link on Hardware().
RadioLink& Radio();

// ---- presets and factory toggles -------------------------------------------------

struct CountryPreset {
    const char* name;
    int32_t red;    // Hz
    int32_t blue;   // Hz
    int32_t notch;  // 0 50 Hz, 1 60 Hz
};
std::span<const CountryPreset> CountryPresets();
const CountryPreset* FindCountryPreset(std::string_view name);

// Outcome of the channel requests a change sent.
struct RadioSetResult {
    bool red = false;
    bool blue = false;
};

// Both frequencies, notch and branding, manual marks cleared (Poland: its
// spacings and Red's mark); saves, sends Red then Blue, applies the notch.
RadioSetResult ApplyCountryPreset(RadioLink& radio, SensorHardware& hardware, const CountryPreset& preset);
// Flips a station's (1 Red, 2 Blue; Blue carries Yellow) 12.5 kHz flag and
// spacing, saves the factory record and sends the channel; the result.
bool ToggleSpacing(RadioLink& radio, int32_t station);
// Swaps a station's Range 7 base between 467 800 000 and 467 925 000.
bool ToggleRange7Base(RadioLink& radio, int32_t station);
