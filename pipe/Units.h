#pragma once
// pipe/Units.h — unit codes, conversions and the number formats of lengths,
// velocities, times and diameter ranges.
//
// Inside the program lengths are metres, velocities m/s, times seconds and
// diameters millimetres, all float32. Other units exist only at the edges
// (entry, display, the unit a section was entered in). Codes are stored as
// int32; a code outside the listed ones converts as the base unit and is
// named "?unit?".

#include <cstdint>
#include <string>

struct DiameterBand;

enum class LengthUnit : int32_t { Metres = 0, Feet = 1, Inches = 2, Millimetres = 3 };
enum class VelocityUnit : int32_t { MetresPerSecond = 0, FeetPerSecond = 1, MetresPerMs = 2, FeetPerMs = 3 };
enum class TimeUnit : int32_t { Seconds = 0, Milliseconds = 1 };
enum class DelayUnit : int32_t { Seconds = 0, Milliseconds = 1, Samples = 2 };

// "m", "ft", "in", "mm"; "?unit?" for any other code.
const char* LengthUnitName(LengthUnit unit);
// "m/s", "ft/s", "m/ms", "ft/ms"; "?unit?" for any other code.
const char* VelocityUnitName(VelocityUnit unit);

// Through metres: ft 0.3048, in 0.0254, mm 0.001 on the way in; 3.28084,
// 39.37008, 1000 on the way out.
float ConvertLength(float value, LengthUnit from, LengthUnit to);
// Through m/s: ft/s 0.30479997 (one float step below the length factor; the
// stored velocities were made with it), m/ms 1000, ft/ms 304.8 on the way in.
float ConvertVelocity(float value, VelocityUnit from, VelocityUnit to);
float ConvertTime(float value, TimeUnit from, TimeUnit to);
// The unit's ADC rate in samples per second. A live run is decimated by a
// whole factor 1 ... kMaxDecimation; the correlation and the pipe carry the
// rate in use.
constexpr int32_t kUnitSampleRate = 10000;
constexpr int32_t kMaxDecimation = 10;
// True for a rate a run can have, kUnitSampleRate / n for n = 1 ... 10; a
// rate within half a sample per second of one counts (files store it both
// rounded and exact).
bool IsUnitRate(float rate);

// Through samples at sampleRate (samples per second, > 0). An unknown code
// converts as seconds, the base unit.
float ConvertDelay(float value, DelayUnit from, DelayUnit to, float sampleRate);

// Range index 0-5 of a travel time, choosing the recommended cut-offs:
// thresholds 29.65, 224.25, 897.05, 1558.65, 3795.45 ms, each belonging to
// the next index.
int RangeIndexForTime(float value, TimeUnit unit);

// The velocity unit screens show: metres with velocityPerMs 1 -> m/ms, other
// metres -> m/s; feet with 0 -> ft/s, with 1 -> ft/ms; anything else m/s.
VelocityUnit DisplayVelocityUnit(int32_t unitSystem, int32_t velocityPerMs);

// Metres and feet "%.1f"; inches one decimal below 10, else whole; mm whole.
std::u16string FormatLength(float metres, LengthUnit unit);
// The number and the unit name without a space ("12.5m").
std::u16string FormatLengthWithUnit(float metres, LengthUnit unit);
// m/s and ft/s "%.1f", m/ms and ft/ms "%.4f".
std::u16string FormatVelocity(float metresPerSecond, VelocityUnit unit);
std::u16string FormatVelocityWithUnit(float metresPerSecond, VelocityUnit unit);
// "%.4fs" or "%.1fms".
std::u16string FormatTime(float seconds, TimeUnit unit);
// "" for an empty band, "1000mm +" for an open-ended one, "100 - 199mm".
std::u16string FormatDiameterRange(const DiameterBand& band, LengthUnit unit);

// printf with one float argument, as UTF-16 (the formats are ASCII).
std::u16string FormatNumber(const char* format, double value);
