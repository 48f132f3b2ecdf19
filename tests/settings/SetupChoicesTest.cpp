// The advanced setup screen's rules without a window: the interlocks between
// engine, display and optimisation, and the sharpening limits.

#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <vector>

#include "settings/Configuration.h"
#include "settings/SetupChoices.h"

using namespace setup;

namespace {

using Press = std::function<void(AdvancedSettings&)>;
const Press kFrequency = [](AdvancedSettings& s) { ChooseTechnique(s, true); };
const Press kTime = [](AdvancedSettings& s) { ChooseTechnique(s, false); };
const Press kMulti = [](AdvancedSettings& s) { ChooseDisplay(s, true); };
const Press kSingle = [](AdvancedSettings& s) { ChooseDisplay(s, false); };
const Press kManual = [](AdvancedSettings& s) { ChooseOptimisation(s, Optimisation::Manual); };
const Press kAutomatic = [](AdvancedSettings& s) { ChooseOptimisation(s, Optimisation::Automatic); };
const Press kDisabled = [](AdvancedSettings& s) { ChooseOptimisation(s, Optimisation::Disabled); };

struct InterlockRow {
    const char* name;
    std::vector<Press> presses;  // from the defaults: time domain, single, automatic
    int32_t fft, multi, optimisation;
};

}  // namespace

TEST(SetupInterlocks, EngineDisplayAndOptimisationExcludeEachOther) {
    const InterlockRow rows[] = {
        {"automatic after frequency domain", {kFrequency, kAutomatic}, 0, 0, 2},
        {"frequency domain after that", {kFrequency, kAutomatic, kFrequency}, 1, 0, 0},
        {"multi-filter disables", {kMulti}, 0, 1, 0},
        {"manual after multi-filter", {kMulti, kManual}, 0, 0, 1},
        {"manual after both", {kMulti, kFrequency, kManual}, 0, 0, 1},
        {"disabled keeps engine and display", {kFrequency, kMulti, kDisabled}, 1, 1, 0},
        {"time domain and single leave optimisation", {kManual, kTime, kSingle}, 0, 0, 1},
    };
    for (const InterlockRow& row : rows) {
        AdvancedSettings s;
        for (const Press& press : row.presses) press(s);
        EXPECT_EQ(s.useFftEngine, row.fft) << row.name;
        EXPECT_EQ(s.multiFilter, row.multi) << row.name;
        EXPECT_EQ(s.filterOptimisation, row.optimisation) << row.name;
    }
}

// Only the selected setting moves, within 0 ... 15; a stored value outside
// the range opens at the nearest limit instead of stepping down from 40.
TEST(SetupSharpness, StepsStayWithinZeroToFifteenOnTheSelectedSetting) {
    CConfiguration record;
    record.peakSharpenPlastic = 40;
    record.peakSharpenOther = 0;
    record.sharpenSelection = 1;
    AdvancedSettings s = AdvancedFrom(record);
    EXPECT_EQ(s.peakSharpenPlastic, 15);
    for (int i = 0; i < 16; ++i) StepSharpness(s, +1);
    EXPECT_EQ(s.peakSharpenOther, 15);
    ToggleSharpenSelection(s);
    for (int i = 0; i < 16; ++i) StepSharpness(s, -1);
    EXPECT_EQ(SelectedSharpness(s), 0);
    EXPECT_EQ(s.peakSharpenOther, 15);

    // The stored choice opens selected: plastic here.
    record.sharpenSelection = 0;
    s = AdvancedFrom(record);
    StepSharpness(s, -1);
    EXPECT_EQ(s.peakSharpenPlastic, 14);
    EXPECT_EQ(s.peakSharpenOther, 0);
}

// The screen opens on what the unit stores, and accepting it unchanged stores
// the same: an imperial unit must not turn metric on OK.
TEST(SetupRecord, AcceptingUnchangedKeepsEveryStoredChoice) {
    CConfiguration stored;
    stored.unitSystem = 1;
    stored.velocityPerMs = 1;
    stored.useFftEngine = 1;
    stored.multiFilter = 1;
    stored.linearFrequencyAxis = 1;
    stored.filterOptimisation = static_cast<int32_t>(Optimisation::Disabled);
    stored.peakSharpenPlastic = 7;
    stored.peakSharpenOther = 9;
    stored.sharpenSelection = 1;
    const auto choices = [](const ConfigurationRecord& r) {
        return std::make_tuple(r.unitSystem, r.velocityPerMs, r.useFftEngine, r.multiFilter, r.linearFrequencyAxis,
                               r.filterOptimisation, r.peakSharpenPlastic, r.peakSharpenOther, r.sharpenSelection);
    };
    CConfiguration accepted;
    StoreAdvanced(AdvancedFrom(stored), accepted);
    EXPECT_EQ(choices(accepted), choices(stored));
}
