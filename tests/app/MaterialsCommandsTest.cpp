// VELOCITY CALC and ABOUT from the menu bar: the run rests while the screen
// is open, and APPLY changes the run's pipe.

#include <gtest/gtest.h>

#include <cmath>

#include "MainRunFixture.h"
#include "ScreenDriver.h"
#include "screens/AboutDlg.h"
#include "screens/SpeedSoundDialog.h"

namespace {

class MaterialsCommands : public MainRun {
protected:
    // The run's timer and stopwatch stand still while a menu screen is open.
    Step Paused(int templateId) {
        return OnScreen(templateId, [this](CDialogBase&) {
            EXPECT_FALSE(dlg->TimerRunning(CCorrelatorDlg::kRunTimer));
            EXPECT_FALSE(dlg->Run().Clock().running);
        });
    }
};

TEST_F(MaterialsCommands, VelocityCalcAppliesTheOutOfBracketVelocityToTheRunsPipe) {
    MakeRunning(30);
    dlg->grab();  // the paint moves the cursor to the peak
    const float delay = dlg->CursorDelay();
    ASSERT_GT(std::fabs(delay), 0.0001f) << "the default world's leak gives a delay";
    Driver driver;
    driver.Queue({Paused(CSpeedSoundDialog::kTemplate), Press(CSpeedSoundDialog::kIdOutOfBracket),
                  Press(CSpeedSoundDialog::kIdApply)});
    Button(kIdMenu)->click();
    Button(kIdVelocityCalc)->click();
    EXPECT_NEAR(dlg->Run().Pipe().GetSection(0).GetVelocity(), 200.0f / std::fabs(delay), 0.5f);
    EXPECT_TRUE(dlg->TimerRunning(CCorrelatorDlg::kRunTimer));
    EXPECT_TRUE(dlg->Run().Clock().running);
}

// The unit's window has no system menu, so the about screen once had no way
// in; MENU offers it, shown in normal colours over a resting run.
TEST_F(MaterialsCommands, AboutOpensFromTheMenuBarAndGivesTheColoursBack) {
    MakeRunning(3);
    g_configuration.colourScheme = 1;
    Driver driver;
    driver.Queue({Paused(CAboutDlg::kTemplateDefault),
                  OnScreen(CAboutDlg::kTemplateDefault, [](CDialogBase& s) {
                      EXPECT_EQ(g_configuration.colourScheme, 0);
                      EXPECT_TRUE(s.ItemText(CAboutDlg::kIdVersion).contains(kSoftwareVersion));
                  }),
                  Press(kResultOk)});
    Button(kIdMenu)->click();
    ASSERT_TRUE(Visible(kIdAbout));
    Button(kIdAbout)->click();
    EXPECT_EQ(g_configuration.colourScheme, 1);
    EXPECT_TRUE(dlg->TimerRunning(CCorrelatorDlg::kRunTimer));
    EXPECT_TRUE(dlg->Run().Clock().running);
    Button(kIdReturn)->click();
    EXPECT_FALSE(Visible(kIdAbout));
}

}  // namespace
