#pragma once
// pipe/SpeedOfSound.h — the speed of sound of a pipe from a noise source at a
// known position and the delay the correlation measured for it, and the
// figures of the velocity table's entry fields.
//
// A source d metres from one station of a pipe of length L lies
// h = |L/2 - d| from the midpoint; its noise reaches the nearer station
// 2h / v earlier, so v = 2h / |tau|. A source beyond one station
// ("out of bracket") is entered as d = 0, which gives v = L / |tau|.

#include <optional>
#include <string_view>

// The delay error the accuracy is quoted for: one sample period at the unit's
// full rate, s.
constexpr double kDelayErrorSeconds = 0.0001;

// A source closer to the midpoint than this fraction of L/2 (or of d) is at
// the midpoint: the entry's unit and the pipe's may differ, and feet and
// metres do not convert exactly (328.084 ft is 100.000003 m), so a midpoint
// typed in feet on a pipe entered in metres must not leave a few micrometres
// to divide.
constexpr double kMidpointTolerance = 1e-6;

// The slowest speed the screen offers to apply, m/s: far below sound in any
// pipe (plastics carry it at some hundreds of m/s), so a slower result comes
// from a source next to the midpoint, not from a measurement.
constexpr double kSlowestUsableVelocity = 1.0;

struct SpeedOfSound {
    float midpointDistance = 0;    // h, m
    bool defined = false;          // velocity is a usable speed (finite, kSlowestUsableVelocity or more)
    float velocity = 0;            // v, m/s; 0 unless defined
    bool accuracyDefined = false;  // |tau| exceeds one sample period
    float accuracy = 0;            // m/s either way for one sample of delay error
};

// pipeLength: L, m (0 for a pipe without sections). leakDistance: d, m, or
// nothing for an entry that is not a number. delaySeconds: tau, either sign
// (the station nearer the source decides the sign; d is from either one).
// Undefined when the entry is invalid, tau is 0 or not finite, h is 0 within
// kMidpointTolerance (a source at the midpoint gives no delay to measure a
// speed from), or v is below kSlowestUsableVelocity.
SpeedOfSound ComputeSpeedOfSound(float pipeLength, std::optional<float> leakDistance, float delaySeconds);

// The distance entry: valid only when the whole text is a decimal number
// ("12.", ".5" and "60" are; "", "." and "1.2.3" are not).
std::optional<float> ParseDistanceEntry(std::string_view text);

// A field of the velocity table's entry keypad, read as "%f" reads it: the
// number at the start of the text; nothing when no number starts it or it is
// not finite ("nan", "inf", beyond single precision).
std::optional<float> ParseBandField(std::string_view text);

// Why a band entry cannot be stored.
enum class BandEntryFault {
    None,
    Diameter,        // a diameter negative or not finite
    EmptyRange,      // both diameters 0: the band would read as an unused slot
    Velocity,        // velocity 0, negative or not finite
};

// Checks the three fields once converted (mm, mm, m/s). A minimum of 0 (a
// material's first band) and a maximum of 0 (no upper limit) are each valid.
BandEntryFault CheckBandEntry(float minDiameter, float maxDiameter, float velocity);
