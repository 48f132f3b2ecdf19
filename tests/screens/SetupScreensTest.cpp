// The configuration and advanced configuration screens on a virtual unit:
// the station pair as stored and as OK stores it, CANCEL leaving the file as
// it was, what OK stores from the advanced screen, and when the Base pairs
// are offered.

#include <gtest/gtest.h>

#include <iterator>

#include "QtApp.h"
#include "ScreenDriver.h"
#include "UnitOnBench.h"
#include "hardware/UserActivity.h"
#include "screens/AdvancedConfigDialog.h"
#include "screens/ConfigurationDialog.h"

namespace {

using Config = CConfigurationDialog;
using Advanced = CAdvancedConfigDialog;

std::string FileBytes(const char* devicePath) {
    std::ifstream f(platform::HostPath(devicePath), std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

class SetupScreens : public UnitOnBench {
protected:
    void SetUp() override {
        EnsureQApplication();
        g_configuration = CConfiguration();
        ResetUserActivity();
    }
    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible()) << "left open";
    }
    // A world whose Base input has a sensor (or none) on a platform version.
    static sim::Scenario World(const char* osVersion, bool sensor) {
        sim::Scenario world = sim::DefaultScenario();
        world.osVersion = osVersion;
        world.stD = world.stE = sensor ? 1 : 0;
        return world;
    }
    Driver driver;
};

}  // namespace

TEST_F(SetupScreens, BlueWithRedOpensAsRedWithBlueAndOkStoresTheUsualPair) {
    Install();
    g_configuration.stationA = 2;
    g_configuration.stationB = 1;
    Config screen(*hw, *radio);
    driver.Queue({OnScreen(Config::kTemplate,
                           [](CDialogBase& s) {
                               EXPECT_EQ(std::pair(s.GetCheck(Config::kIdRedWithBlue), s.GetCheck(Config::kIdRedWithBase)), std::pair(1, 0));
                           }),
                  Press(Config::kIdOk)});
    EXPECT_EQ(screen.DoModal(), kResultOk);
    const CConfiguration stored = StoredConfiguration();
    EXPECT_EQ(std::vector<int>({stored.stationA, stored.stationB, g_configuration.stationA}), std::vector<int>({1, 2, 1}));
}

TEST_F(SetupScreens, CancelOnEitherScreenLeavesTheConfigurationFileByteIdentical) {
    Install();
    ASSERT_TRUE(g_configuration.Save());
    const std::string before = FileBytes(kConfigurationFile);
    ASSERT_EQ(before.size(), 18u + CConfiguration::kRecordSize);
    Config screen(*hw, *radio);
    driver.Queue({Press(Config::kIdRedWithBase), Press(Config::kIdAdvanced),
                  Press(Advanced::kIdImperial), Press(Advanced::kIdMilliseconds), Press(Advanced::kIdFrequencyDomain),
                  Press(Advanced::kIdMultiFilter), Press(Advanced::kIdLinear), Press(Advanced::kIdSharpnessUp),
                  Press(Advanced::kIdSelectMaterial), Press(Advanced::kIdCancel),
                  OnScreen(Config::kTemplate, [](CDialogBase&) {}), Press(Config::kIdCancel)});
    EXPECT_EQ(screen.DoModal(), kResultCancel);
    EXPECT_EQ(FileBytes(kConfigurationFile), before);
    EXPECT_EQ(g_configuration.RecordBytes(), CConfiguration().RecordBytes());
}

// The label names the setting SELECT MATERIAL picks; OK stores what the
// checks show, postFilter with the optimisation.
TEST_F(SetupScreens, AdvancedOkStoresWhatTheScreenShows) {
    Install();
    g_configuration.peakSharpenOther = 0;
    g_configuration.sharpenSelection = 1;
    g_configuration.postFilter = 0;
    g_configuration.filterOptimisation = 0;
    Advanced screen;
    const auto label = [](const char* text) {
        return [text](CDialogBase& s) { EXPECT_EQ(s.ItemText(Advanced::kIdSharpnessLabel), text); };
    };
    driver.Queue({Press(Advanced::kIdImperial), Press(Advanced::kIdMilliseconds), Press(Advanced::kIdSharpnessUp),
                  label("OTHER: 1"), Press(Advanced::kIdSelectMaterial), label("PLASTIC: 1"),
                  Press(Advanced::kIdFrequencyDomain), Press(Advanced::kIdAutomatic),
                  [](CDialogBase& s) {
                      EXPECT_EQ(std::pair(s.GetCheck(Advanced::kIdTimeDomain), s.GetCheck(Advanced::kIdFrequencyDomain)), std::pair(1, 0));
                  },
                  Press(Advanced::kIdOk)});
    EXPECT_EQ(screen.DoModal(), kResultOk);
    const CConfiguration stored = StoredConfiguration();
    EXPECT_EQ(std::vector<int>({stored.unitSystem, stored.velocityPerMs, stored.useFftEngine, stored.filterOptimisation,
                                stored.postFilter, stored.peakSharpenOther, stored.sharpenSelection}),
              std::vector<int>({1, 1, 0, 2, 1, 1, 0}));
}

// ---- when the Base pairs are offered ------------------------------------------------

struct BaseRow {
    const char* osVersion;
    bool sensor;
    bool usable;
};

class BasePairs : public SetupScreens, public ::testing::WithParamInterface<BaseRow> {};

TEST_P(BasePairs, NeedASensorOnTheBaseInputAndPlatformVersion110) {
    const BaseRow& row = GetParam();
    Install(World(row.osVersion, row.sensor));
    g_configuration.stationA = 1;
    g_configuration.stationB = 0;
    Opened<Config> screen(*hw, *radio);
    for (int id : {Config::kIdRedWithBase, Config::kIdBlueWithBase})
        EXPECT_EQ(screen.GetDlgItem(id)->isEnabled(), row.usable) << id;
    for (int id : {Config::kIdRedWithBaseAvailable, Config::kIdBlueWithBaseAvailable})
        EXPECT_EQ(screen.ItemText(id), row.usable ? "AVAILABLE" : "") << id;
    // A stored Base pair the unit cannot serve is not offered as chosen.
    EXPECT_EQ(screen.Choice(), row.usable ? setup::StationChoice::RedWithBase : setup::StationChoice::RedWithBlue);
}

INSTANTIATE_TEST_SUITE_P(Rows, BasePairs,
                         ::testing::Values(BaseRow{"1.09", true, false}, BaseRow{"1.10", true, true},
                                           BaseRow{"1.20", false, false}, BaseRow{"1.20", true, true}));

TEST_F(SetupScreens, TheBaseInputGoingFallsBackToRedWithBlueAndComingBackOffersItAgain) {
    Install(World("1.20", true));
    Opened<Config> screen(*hw, *radio);
    ASSERT_TRUE(screen.TimerRunning(Config::kIdTimer));
    screen.Item<QAbstractButton>(Config::kIdBlueWithBase)->click();
    ASSERT_EQ(screen.Choice(), setup::StationChoice::BlueWithBase);
    unit->World().stD = unit->World().stE = 0;
    screen.CheckAvailability();
    EXPECT_EQ(std::tuple(screen.Choice(), screen.GetCheck(Config::kIdRedWithBlue), screen.GetDlgItem(Config::kIdBlueWithBase)->isEnabled()),
              std::tuple(setup::StationChoice::RedWithBlue, 1, false));
    unit->World().stD = unit->World().stE = 1;
    screen.CheckAvailability();
    EXPECT_TRUE(screen.GetDlgItem(Config::kIdBlueWithBase)->isEnabled());
    EXPECT_EQ(screen.Choice(), setup::StationChoice::RedWithBlue);
    screen.EndDialog(kResultCancel);
}
