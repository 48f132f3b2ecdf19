#pragma once
// hardware/UnitCare.h — the rules of the screens that look after the unit
// (listen, status, power, service, radio setup, clock, brightness), kept apart
// from the widgets so that they are tested without a window.
//
// Texts are built in the "C" locale: a decimal point whatever the host's
// locale is.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "settings/Configuration.h"

namespace unitcare {

// ---- listen ---------------------------------------------------------------------

// Listen selector codes in the order of each group's buttons: BASE, RED,
// BLUE and "---" (headphones off).
constexpr int32_t kListenCodes[4] = {3, 0, 1, 6};
// The button of a group that a code checks, 0..3; -1 for any other code.
int32_t ListenButtonIndex(int32_t code);

constexpr int32_t kVolumeMax = 15;       // the potentiometer's top position
constexpr int32_t kFirstOpenVolume = 7;  // after the first reset to 0
constexpr int32_t kVolumeStep = 2;       // "<" and ">"
// The slider's position after a step, kept inside 0..15.
int32_t SteppedVolume(int32_t position, int32_t delta);

// The listen screen's once-a-second refresh countdown, ms. Program-wide: it
// survives the screen's closing, so a reopened screen keeps its rhythm.
struct ListenCountdown {
    static constexpr int32_t kTickMs = 100;
    static constexpr int32_t kPeriodMs = 1000;
    static constexpr int32_t kBlinkFrom = 500;  // at or above: the bars picture
    int32_t value = 0;
    // One 100 ms tick after the pictures were chosen: true when the envelopes
    // and levels are due (the countdown had run out; it gains 1000), then the
    // countdown drops by 100.
    bool Tick();
};
ListenCountdown& ListenRefresh();

// Whether a reception picture shows the bars (else the no-reception picture):
// always with bars above 0; with 0 bars in the first half of each second, so
// a station without reception blinks.
bool ShowsBarsPicture(int32_t countdown, int32_t bars);

// ---- status -----------------------------------------------------------------------

// "%d.%04dMHz C%d": whole MHz, the rest in 100 Hz, the channel.
std::string FrequencyText(int32_t hz, int32_t channel);
// "%1.2fV", or "---" when the converter gave no reading: a port that did not
// open is not a flat battery.
std::string BatteryText(std::optional<float> volts);
// "%d (%.3fV)" of a raw ten-bit reading and reading x vref / 1024; "---" for
// a failed reading (negative).
std::string AdcText(int32_t raw, double vref);
// "%.1fdBm  (%.1fdBm)": the present level and the smoothed one.
std::string RssiText(float present, float smoothed);
// "%d-%02d-%02d" and "%02d:%02d"; nothing before 2010 (a clock that was reset).
std::optional<std::string> DateText(const platform::SystemTime& t);
std::optional<std::string> TimeText(const platform::SystemTime& t);

// One radio's level as the status screen smooths it: the first reading after
// Restart is taken as it is, later ones as 0.9 x smoothed + 0.1 x present.
class RssiSmoother {
public:
    void Restart() noexcept { m_started = false; }
    float Add(float present) noexcept;
    float Value() const noexcept { return m_value; }

private:
    float m_value = 0.0f;
    bool m_started = false;
};

// ---- service screens -------------------------------------------------------------------

// The service screen's access code, compared case-sensitively.
constexpr std::u16string_view kServiceCode = u"VORTELUMS";
bool PasswordMatches(std::u16string_view typed);

// The reception limits the service screen steps: the floor goes down 5 dBm
// and wraps from below -111 to -40; the span goes up 5 dB and wraps from
// above 51 to 15.
float NextRssiFloor(float floor);
float NextRssiSpan(float span);

// Outside test mode the two correlation options are fixed: both polarities
// (bit 0) and filtering of the correlation. Returns whether a field changed.
bool ForceCorrelationOptions(ConfigurationRecord& config);

// Outcome of the last channel request a radio's status text reports.
enum class RfOutcome { None, SetOk, Fail, Parallel };
// "Red RF Setting (Set OK) >" ... "Blue RF Setting >"; station 1 Red, else Blue.
std::string RfStatusText(int32_t station, RfOutcome outcome);
// "Red Fixed Gain: Set OK" ... "Blue Var Gain: Failed".
std::string GainStatusText(int32_t station, bool fixed, bool ok);
// "Range 7 Base %.4fMHz".
std::string Range7Text(int32_t hz);
// "Min RSSI %.0fdBm", "RSSI Range %.0fdBm".
std::string MinRssiText(float floor);
std::string RssiRangeText(float span);

// A radio setup keypad: value x 10 + digit. A digit that would take the value
// past 32 bits is refused (false) and the value stays.
bool AppendDigit(uint32_t& value, uint32_t digit);

// ---- clock -----------------------------------------------------------------------------

enum class ClockField { Year, Month, Day, Hour, Minute };
// Days of a month: 30 for April, June, September, November; February 29 in
// a leap year, else 28; 31 for the others.
int32_t MonthLength(int32_t year, int32_t month);
// The clock screen's step: month 1..12, day 1..month length, hour 0..23,
// minute 0..59, each limited rather than wrapped; the year moves freely
// within its 16-bit field. Changing the month or year leaves the day alone,
// so 31 may stand in April until the platform is asked to set it.
platform::SystemTime SteppedClock(platform::SystemTime t, ClockField field, int32_t delta);
// What the clock screen opens on: the time read, seconds and milliseconds
// cleared; a year before 2010 (a reset clock) gives 2010-01-01 12:00.
platform::SystemTime ClockStartTime(const platform::SystemTime& read);
bool SameTime(const platform::SystemTime& a, const platform::SystemTime& b);

// ---- brightness --------------------------------------------------------------------------

// value + delta kept inside lo..hi.
int32_t StepWithin(int32_t value, int32_t delta, int32_t lo, int32_t hi);
// "%d%%" of value x 10.
std::string PercentText(int32_t tenths);
// "%d" of value x 5 minutes; "---" for 0 (never).
std::string MinutesText(int32_t fiveMinuteSteps);

}  // namespace unitcare
