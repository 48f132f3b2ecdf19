#include "hardware/UnitCare.h"

#include <algorithm>
#include <limits>

#include "platform/Numbers.h"

namespace unitcare {
namespace {

constexpr uint16_t kFirstValidYear = 2010;
constexpr float kFloorStep = 5.0f, kFloorWrapBelow = -111.0f, kFloorTop = -40.0f;
constexpr float kSpanStep = 5.0f, kSpanWrapAbove = 51.0f, kSpanBottom = 15.0f;

const char* StationName(int32_t station) { return station == 1 ? "Red" : "Blue"; }

}  // namespace

int32_t ListenButtonIndex(int32_t code) {
    for (int32_t i = 0; i < 4; ++i)
        if (kListenCodes[i] == code) return i;
    return -1;
}

int32_t SteppedVolume(int32_t position, int32_t delta) { return std::clamp(position + delta, 0, kVolumeMax); }

bool ListenCountdown::Tick() {
    const bool due = value < 1;
    if (due) value += kPeriodMs;
    value -= kTickMs;
    return due;
}

ListenCountdown& ListenRefresh() {
    static ListenCountdown countdown;
    return countdown;
}

bool ShowsBarsPicture(int32_t countdown, int32_t bars) {
    return bars > 0 || countdown >= ListenCountdown::kBlinkFrom;
}

std::string FrequencyText(int32_t hz, int32_t channel) {
    return platform::FormatCString("%d.%04dMHz C%d", hz / 1000000, hz % 1000000 / 100, channel);
}

std::string BatteryText(std::optional<float> volts) {
    return volts ? platform::FormatCString("%1.2fV", static_cast<double>(*volts)) : std::string("---");
}

std::string AdcText(int32_t raw, double vref) {
    if (raw < 0) return "---";
    return platform::FormatCString("%d (%.3fV)", raw, raw * vref / 1024.0);
}

std::string RssiText(float present, float smoothed) {
    return platform::FormatCString("%.1fdBm  (%.1fdBm)", static_cast<double>(present),
                                   static_cast<double>(smoothed));
}

std::optional<std::string> DateText(const platform::SystemTime& t) {
    if (t.year < kFirstValidYear) return std::nullopt;
    return platform::FormatCString("%d-%02d-%02d", t.year, t.month, t.day);
}

std::optional<std::string> TimeText(const platform::SystemTime& t) {
    if (t.year < kFirstValidYear) return std::nullopt;
    return platform::FormatCString("%02d:%02d", t.hour, t.minute);
}

float RssiSmoother::Add(float present) noexcept {
    m_value = m_started ? 0.9f * m_value + 0.1f * present : present;
    m_started = true;
    return m_value;
}

bool PasswordMatches(std::u16string_view typed) { return typed == kServiceCode; }

float NextRssiFloor(float floor) {
    const float next = floor - kFloorStep;
    return next < kFloorWrapBelow ? kFloorTop : next;
}

float NextRssiSpan(float span) {
    const float next = span + kSpanStep;
    return next > kSpanWrapAbove ? kSpanBottom : next;
}

bool ForceCorrelationOptions(ConfigurationRecord& config) {
    if (config.testMode) return false;
    const bool changed = !(config.bothPolarities & 1) || config.postFilter != 1;
    config.bothPolarities |= 1;
    config.postFilter = 1;
    return changed;
}

std::string RfStatusText(int32_t station, RfOutcome outcome) {
    const char* what = "";
    switch (outcome) {
    case RfOutcome::None: what = ""; break;
    case RfOutcome::SetOk: what = " (Set OK)"; break;
    case RfOutcome::Fail: what = " (Fail)"; break;
    case RfOutcome::Parallel: what = " (|| Set)"; break;
    }
    return std::string(StationName(station)) + " RF Setting" + what + " >";
}

std::string GainStatusText(int32_t station, bool fixed, bool ok) {
    return std::string(StationName(station)) + (fixed ? " Fixed Gain: " : " Var Gain: ") + (ok ? "Set OK" : "Failed");
}

std::string Range7Text(int32_t hz) { return platform::FormatCString("Range 7 Base %.4fMHz", hz / 1.0e6); }

std::string MinRssiText(float floor) {
    return platform::FormatCString("Min RSSI %.0fdBm", static_cast<double>(floor));
}

std::string RssiRangeText(float span) {
    return platform::FormatCString("RSSI Range %.0fdBm", static_cast<double>(span));
}

bool AppendDigit(uint32_t& value, uint32_t digit) {
    constexpr uint32_t kMax = std::numeric_limits<uint32_t>::max();
    if (digit > 9 || value > (kMax - digit) / 10) return false;
    value = value * 10 + digit;
    return true;
}

int32_t MonthLength(int32_t year, int32_t month) {
    switch (month) {
    case 4: case 6: case 9: case 11: return 30;
    case 2: return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0 ? 29 : 28;
    default: return 31;
    }
}

platform::SystemTime SteppedClock(platform::SystemTime t, ClockField field, int32_t delta) {
    const auto step = [delta](uint16_t v, int32_t lo, int32_t hi) {
        return static_cast<uint16_t>(std::clamp(static_cast<int32_t>(v) + delta, lo, hi));
    };
    switch (field) {
    case ClockField::Year: t.year = step(t.year, 0, std::numeric_limits<uint16_t>::max()); break;
    case ClockField::Month: t.month = step(t.month, 1, 12); break;
    case ClockField::Day: t.day = step(t.day, 1, MonthLength(t.year, t.month)); break;
    case ClockField::Hour: t.hour = step(t.hour, 0, 23); break;
    case ClockField::Minute: t.minute = step(t.minute, 0, 59); break;
    }
    return t;
}

platform::SystemTime ClockStartTime(const platform::SystemTime& read) {
    platform::SystemTime t = read;
    t.second = 0;
    t.milliseconds = 0;
    if (t.year < kFirstValidYear) {
        t = platform::SystemTime{};
        t.year = kFirstValidYear;
        t.month = 1;
        t.day = 1;
        t.dayOfWeek = 5;  // 2010-01-01 was a Friday
        t.hour = 12;
    }
    return t;
}

bool SameTime(const platform::SystemTime& a, const platform::SystemTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute &&
           a.second == b.second && a.milliseconds == b.milliseconds && a.dayOfWeek == b.dayOfWeek;
}

int32_t StepWithin(int32_t value, int32_t delta, int32_t lo, int32_t hi) { return std::clamp(value + delta, lo, hi); }

std::string PercentText(int32_t tenths) { return platform::FormatCString("%d%%", tenths * 10); }

std::string MinutesText(int32_t fiveMinuteSteps) {
    return fiveMinuteSteps == 0 ? std::string("---") : platform::FormatCString("%d", fiveMinuteSteps * 5);
}

}  // namespace unitcare
