// SETUP from the main screen on the virtual unit: a code passed up from the
// setup screens ends the program after the badge flash; accepted settings
// reach the run without a restart; a stored pair naming the base falls back
// to Red and Blue on a unit without one.

#include <gtest/gtest.h>


#include "ScreenDriver.h"
#include "UnitOnBench.h"
#include "app/CorrelatorDlg.h"
#include "hardware/UserActivity.h"
#include "screens/AdvancedConfigDialog.h"
#include "screens/ConfigurationDialog.h"

namespace {

using Config = CConfigurationDialog;
using Advanced = CAdvancedConfigDialog;
constexpr int kMainTemplate = 102;
constexpr int kEnglish = 1400;  // the language screen's first button

class MainSetup : public UnitOnBench {
protected:
    void SetUp() override {
        g_configuration = CConfiguration();
        g_configuration.testMode = 1;
        g_upgradeRequested = false;
        ResetUserActivity();
        Install();
        dlg = std::make_unique<CCorrelatorDlg>(*hw, *radio);
    }
    void TearDown() override {
        dlg.reset();
        g_upgradeRequested = false;
        for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible()) << "left open";
    }
    std::unique_ptr<CCorrelatorDlg> dlg;
    Driver driver;
};

// Back on the main screen: the badge shows for four ticks with the screen
// still open; the fifth closes it.
Step BadgeFlashEndsTheScreen() {
    return OnScreen(kMainTemplate, [](CDialogBase& s) {
        auto& main = static_cast<CCorrelatorDlg&>(s);
        main.ShowItem(kIdBadge, false);
        for (int tick = 0; tick < 4; ++tick) main.TickNow();
        EXPECT_FALSE(main.GetDlgItem(kIdBadge)->isHidden());
        EXPECT_TRUE(main.isVisible());
        main.TickNow();
    });
}

}  // namespace

// A language chosen three screens deep, or EXIT TO UPGRADE: the main screen
// closes with 1032 after the flash; only the upgrade marks the exit status.
TEST_F(MainSetup, APassedUpCodeEndsTheProgramAfterTheBadgeFlash) {
    struct Row { std::vector<Step> onAdvanced; bool upgrade; };
    const Row rows[] = {{{Press(Advanced::kIdSetLanguage), Press(kEnglish)}, false},
                        {{Press(Advanced::kIdExitToUpgrade)}, true}};
    for (const Row& row : rows) {
        g_configuration.SetLanguage(u"DEU");
        Driver driver;  // one per modal run
        driver.Queue(std::vector<Step>{Press(kIdSetup), Press(Config::kIdAdvanced)} + row.onAdvanced +
                     std::vector<Step>{BadgeFlashEndsTheScreen()});
        EXPECT_EQ(dlg->DoModal(), kResultUpgrade);
        EXPECT_EQ(g_upgradeRequested, row.upgrade);
        EXPECT_EQ(g_configuration.Language(), row.upgrade ? u"DEU" : u"ENG");
    }
}

// Engine, sharpening and the station pair reach the run at once; X follows
// test mode.
// A unit with no base station hardware cannot use a stored pair that names
// the base: the main screen falls back to Red and Blue, and keeps them.
TEST_F(MainSetup, APairNamingTheBaseFallsBackToRedAndBlueWithoutABase) {
    g_configuration.stationA = static_cast<int32_t>(StationCode::Yellow);
    g_configuration.stationB = static_cast<int32_t>(StationCode::Base);
    unit->World().stD = unit->World().stE = 0;  // no base station's sensor
    dlg = std::make_unique<CCorrelatorDlg>(*hw, *radio);
    const CCorrelation& run = dlg->Run();
    EXPECT_EQ(std::tuple(g_configuration.stationA, g_configuration.stationB, run.Pipe().GetStationA(), run.Pipe().GetStationB()),
              std::tuple(static_cast<int32_t>(StationCode::Red), static_cast<int32_t>(StationCode::Blue), StationCode::Red,
                         StationCode::Blue));
}

TEST_F(MainSetup, AcceptedSettingsReachTheRunWithoutARestart) {
    std::vector<Step> steps = {Press(kIdSetup), Press(Config::kIdBlueWithBase), Press(Config::kIdAdvanced),
                               Press(Advanced::kIdFrequencyDomain)};
    for (int i = 0; i < 3; ++i) steps.push_back(Press(Advanced::kIdSharpnessUp));  // other: 0 -> 3
    steps.push_back(Press(Advanced::kIdOk));
    steps.push_back(Press(Config::kIdOk));
    steps.push_back(OnScreen(kMainTemplate, [](CDialogBase& s) {
        auto& main = static_cast<CCorrelatorDlg&>(s);
        const CCorrelation& run = main.Run();
        EXPECT_EQ(std::tuple(run.Options().useFftEngine, run.Options().peakSharpenOther, run.Pipe().GetStationA(),
                             run.Pipe().GetStationB()), std::tuple(true, 3, StationCode::Blue, StationCode::Base));
        main.EndDialog(kResultOk);
    }));
    driver.Queue(steps);
    EXPECT_EQ(dlg->DoModal(), kResultOk);
}
