#pragma once
// settings/SetupChoices.h — the choices of the configuration and advanced
// configuration screens as plain values: the station pair, when the pairs
// with the Base may be offered, and the nine advanced values with the
// interlocks between technique, display and filter optimisation. The screens
// bind these to their buttons; nothing here touches a widget or a file.

#include <cstdint>

struct ConfigurationRecord;

namespace setup {

// ---- station pair ---------------------------------------------------------------

// The three pairs offered, in the order of the screen's buttons.
enum class StationChoice { RedWithBlue = 0, RedWithBase = 1, BlueWithBase = 2 };

struct StationPair {
    int32_t a;  // stationA: 0 Base, 1 Red, 2 Blue
    int32_t b;  // stationB
};

// The choice a stored pair shows: A 1 with B 0 and A 2 with B 0 are the Base
// pairs; anything else (Blue with Red included) is Red with Blue.
StationChoice ChoiceForPair(int32_t stationA, int32_t stationB);
StationPair PairFor(StationChoice choice);
bool UsesBase(StationChoice choice);

// Platform version x 100 from which the Base can be one of the pair.
constexpr int32_t kBasePairVersion = 110;

// Whether the Base pairs may be chosen: a sensor on the Base input (sensor
// type 1..3; 0 none, -1 unreadable) on a platform of version 1.10 or later.
bool BasePairsUsable(int32_t sensorType, int32_t osVersion);

// ---- advanced settings -------------------------------------------------------------

// Sharpening settings run 0 ... 15.
constexpr int32_t kMaxSharpness = 15;

enum class Optimisation : int32_t { Disabled = 0, Manual = 1, Automatic = 2 };

// The screen's copy of the nine values, named as the configuration names them.
struct AdvancedSettings {
    int32_t unitSystem = 0;           // 0 metric, 1 imperial
    int32_t velocityPerMs = 1;        // 0 per second, 1 per millisecond
    int32_t useFftEngine = 0;         // 0 time domain, 1 frequency domain
    int32_t multiFilter = 0;          // 0 single histogram, 1 multi-filter display
    int32_t linearFrequencyAxis = 0;  // 0 logarithmic, 1 linear
    int32_t filterOptimisation = 2;   // Optimisation
    int32_t peakSharpenPlastic = 1;   // 0 ... 15
    int32_t peakSharpenOther = 0;     // 0 ... 15
    int32_t sharpenSelection = 1;     // 0 plastic, otherwise other

    bool operator==(const AdvancedSettings&) const = default;
};

// The nine values of a record; sharpening outside 0 ... 15 is taken as the
// nearest limit, so the label and the steps never show more than 15.
AdvancedSettings AdvancedFrom(const ConfigurationRecord& record);

// Writes the nine values into a record; an optimisation other than disabled
// also sets postFilter to 1, since optimising needs the unfiltered signals.
void StoreAdvanced(const AdvancedSettings& settings, ConfigurationRecord& record);

// The interlocks: the frequency-domain engine and the multi-filter display
// each disable the optimisation; a manual or automatic optimisation returns
// the engine to the time domain and the display to a single histogram.
void ChooseTechnique(AdvancedSettings& s, bool frequencyDomain);
void ChooseDisplay(AdvancedSettings& s, bool multiFilter);
void ChooseOptimisation(AdvancedSettings& s, Optimisation mode);

// SELECT MATERIAL: plastic <-> other.
void ToggleSharpenSelection(AdvancedSettings& s);
// The selected sharpening value, and + / - within 0 ... 15.
int32_t SelectedSharpness(const AdvancedSettings& s);
void SetSelectedSharpness(AdvancedSettings& s, int32_t value);
void StepSharpness(AdvancedSettings& s, int32_t delta);

}  // namespace setup
