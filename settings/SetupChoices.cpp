#include "settings/SetupChoices.h"

#include <algorithm>

#include "settings/Configuration.h"

namespace setup {

namespace {
constexpr int32_t kBase = 0, kRed = 1, kBlue = 2;

int32_t ClampSharpness(int32_t value) { return std::clamp(value, int32_t{0}, kMaxSharpness); }
}  // namespace

StationChoice ChoiceForPair(int32_t stationA, int32_t stationB) {
    if (stationA == kRed && stationB == kBase) return StationChoice::RedWithBase;
    if (stationA == kBlue && stationB == kBase) return StationChoice::BlueWithBase;
    return StationChoice::RedWithBlue;
}

StationPair PairFor(StationChoice choice) {
    switch (choice) {
    case StationChoice::RedWithBase: return {kRed, kBase};
    case StationChoice::BlueWithBase: return {kBlue, kBase};
    case StationChoice::RedWithBlue: break;
    }
    return {kRed, kBlue};
}

bool UsesBase(StationChoice choice) { return choice != StationChoice::RedWithBlue; }

bool BasePairsUsable(int32_t sensorType, int32_t osVersion) {
    return sensorType > 0 && osVersion >= kBasePairVersion;
}

AdvancedSettings AdvancedFrom(const ConfigurationRecord& r) {
    AdvancedSettings s;
    s.unitSystem = r.unitSystem;
    s.velocityPerMs = r.velocityPerMs;
    s.useFftEngine = r.useFftEngine;
    s.multiFilter = r.multiFilter;
    s.linearFrequencyAxis = r.linearFrequencyAxis;
    s.filterOptimisation = r.filterOptimisation;
    s.peakSharpenPlastic = ClampSharpness(r.peakSharpenPlastic);
    s.peakSharpenOther = ClampSharpness(r.peakSharpenOther);
    s.sharpenSelection = r.sharpenSelection;
    return s;
}

void StoreAdvanced(const AdvancedSettings& s, ConfigurationRecord& r) {
    r.unitSystem = s.unitSystem;
    r.velocityPerMs = s.velocityPerMs;
    r.useFftEngine = static_cast<uint8_t>(s.useFftEngine);
    r.multiFilter = static_cast<uint8_t>(s.multiFilter);
    r.linearFrequencyAxis = s.linearFrequencyAxis;
    r.filterOptimisation = s.filterOptimisation;
    r.peakSharpenPlastic = s.peakSharpenPlastic;
    r.peakSharpenOther = s.peakSharpenOther;
    r.sharpenSelection = s.sharpenSelection;
    if (s.filterOptimisation != static_cast<int32_t>(Optimisation::Disabled)) r.postFilter = 1;
}

void ChooseTechnique(AdvancedSettings& s, bool frequencyDomain) {
    s.useFftEngine = frequencyDomain ? 1 : 0;
    if (frequencyDomain) s.filterOptimisation = static_cast<int32_t>(Optimisation::Disabled);
}

void ChooseDisplay(AdvancedSettings& s, bool multiFilter) {
    s.multiFilter = multiFilter ? 1 : 0;
    if (multiFilter) s.filterOptimisation = static_cast<int32_t>(Optimisation::Disabled);
}

void ChooseOptimisation(AdvancedSettings& s, Optimisation mode) {
    s.filterOptimisation = static_cast<int32_t>(mode);
    if (mode == Optimisation::Disabled) return;
    s.useFftEngine = 0;
    s.multiFilter = 0;
}

void ToggleSharpenSelection(AdvancedSettings& s) { s.sharpenSelection = s.sharpenSelection == 0 ? 1 : 0; }

int32_t SelectedSharpness(const AdvancedSettings& s) {
    return s.sharpenSelection == 0 ? s.peakSharpenPlastic : s.peakSharpenOther;
}

void SetSelectedSharpness(AdvancedSettings& s, int32_t value) {
    (s.sharpenSelection == 0 ? s.peakSharpenPlastic : s.peakSharpenOther) = ClampSharpness(value);
}

void StepSharpness(AdvancedSettings& s, int32_t delta) { SetSelectedSharpness(s, SelectedSharpness(s) + delta); }

}  // namespace setup
