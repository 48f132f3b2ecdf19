// The setup screens' rules without a window: the interlocks between engine,
// display and optimisation, the sharpening limits, what OK writes, and the
// pair a stored station pair shows as.

#include <gtest/gtest.h>

#include <functional>
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

TEST(SetupSharpness, StepsStayWithinZeroToFifteenOnTheSelectedSetting) {
    AdvancedSettings s;
    s.sharpenSelection = 1;
    s.peakSharpenOther = 0;
    s.peakSharpenPlastic = 4;
    for (int i = 0; i < 16; ++i) StepSharpness(s, +1);
    EXPECT_EQ(s.peakSharpenOther, 15);
    EXPECT_EQ(s.peakSharpenPlastic, 4);
    ToggleSharpenSelection(s);
    for (int i = 0; i < 6; ++i) StepSharpness(s, -1);
    EXPECT_EQ(SelectedSharpness(s), 0);
    EXPECT_EQ(s.peakSharpenOther, 15);
}

// A record edited elsewhere may hold any value: the screen shows and steps
// from the nearest limit instead of stepping down from 40.
TEST(SetupSharpness, StoredValuesOutsideTheRangeOpenAtTheNearestLimit) {
    CConfiguration record;
    record.peakSharpenPlastic = 40;
    record.peakSharpenOther = -3;
    const AdvancedSettings s = AdvancedFrom(record);
    EXPECT_EQ(s.peakSharpenPlastic, 15);
    EXPECT_EQ(s.peakSharpenOther, 0);
}

TEST(SetupStore, OkWritesTheNineValuesAndPostFilterOnlyWhenOptimising) {
    for (int32_t optimisation : {0, 1, 2}) {
        CConfiguration record;
        record.postFilter = 0;
        AdvancedSettings s;
        s.unitSystem = 1;
        s.velocityPerMs = 0;
        s.linearFrequencyAxis = 1;
        s.filterOptimisation = optimisation;
        s.peakSharpenPlastic = 7;
        s.peakSharpenOther = 15;
        s.sharpenSelection = 0;
        StoreAdvanced(s, record);
        EXPECT_EQ(AdvancedFrom(record), s) << optimisation;
        EXPECT_EQ(record.postFilter, optimisation != 0 ? 1 : 0) << optimisation;
    }
}

TEST(SetupStations, AStoredPairShowsAsOneOfTheThreeChoices) {
    struct Row { int32_t a, b; StationChoice shown; };
    for (const Row& r : {Row{2, 1, StationChoice::RedWithBlue}, Row{1, 0, StationChoice::RedWithBase},
                         Row{2, 0, StationChoice::BlueWithBase}, Row{0, 1, StationChoice::RedWithBlue},
                         Row{3, 0, StationChoice::RedWithBlue}}) {
        const StationChoice shown = ChoiceForPair(r.a, r.b);
        EXPECT_EQ(shown, r.shown) << r.a << "," << r.b;
        if (shown == StationChoice::RedWithBlue) {
            EXPECT_EQ(PairFor(shown).a, 1);
            EXPECT_EQ(PairFor(shown).b, 2);
        }
    }
}
