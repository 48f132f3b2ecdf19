// The survey configuration screen: what it shows for the stored settings,
// what ACCEPT, CANCEL and SET DEFAULTS store, and the custom band made on the
// filter screen it runs.

#include <gtest/gtest.h>

#include "QtApp.h"
#include "ScopedSettings.h"
#include "ScreenDriver.h"
#include "TempUnitRoot.h"
#include "dsp/Correlation.h"
#include "screens/FilterDialog.h"
#include "screens/SurveyDialog.h"

namespace {

class SurveyScreen : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQApplication();
        g_configuration.unitSystem = 0;
        g_configuration.surveyRange = 1;
        g_configuration.surveyFilter = 0;
        for (float& c : g_configuration.surveyCustomCutoffs) c = 0;
    }
    void TearDown() override {
        CloseAll();
        for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible()) << "a screen stayed open";
    }
    int Checked(CSurveyDialog& s, std::initializer_list<int> ids) {
        int checked = 0, which = -1;
        for (int id : ids)
            if (s.GetCheck(id)) ++checked, which = id;
        return checked == 1 ? which : -checked;
    }

    ScopedSettings settings;
    TempUnitRoot root;
    Driver driver;
};

// A step that does nothing: the filter screen's modal loop still unwinds
// during the step after its ACCEPT, before the survey screen takes its band.
Step Settle() {
    return [](CDialogBase&) {};
}

constexpr std::initializer_list<int> kRanges = {CSurveyDialog::kIdShort, CSurveyDialog::kIdMedium,
                                                CSurveyDialog::kIdLong, CSurveyDialog::kIdMaximum};
constexpr std::initializer_list<int> kPresets = {CSurveyDialog::kIdOpen, CSurveyDialog::kIdMetallic,
                                                 CSurveyDialog::kIdPlastic, CSurveyDialog::kIdCustom};

}  // namespace

// Stored values the screen does not know open as short range and open band.
TEST_F(SurveyScreen, OpeningChecksTheStoredRangeAndPresetAlone) {
    struct Row { int32_t range, preset; int rangeId, presetId; };
    for (const Row& r : {Row{2, 2, CSurveyDialog::kIdLong, CSurveyDialog::kIdPlastic},
                         Row{7, 3, CSurveyDialog::kIdShort, CSurveyDialog::kIdCustom},
                         Row{0, -4, CSurveyDialog::kIdShort, CSurveyDialog::kIdOpen}}) {
        g_configuration.surveyRange = r.range;
        g_configuration.surveyFilter = r.preset;
        Opened<CSurveyDialog> screen;
        EXPECT_EQ(Checked(screen, kRanges), r.rangeId) << r.range;
        EXPECT_EQ(Checked(screen, kPresets), r.presetId) << r.preset;
    }
}

// SET DEFAULTS picks the short range and shows it; the stored 0 survives the next start.
TEST_F(SurveyScreen, SetDefaultsStoresShortRangeAndMetallic) {
    g_configuration.surveyRange = 3;
    g_configuration.surveyFilter = 2;
    g_configuration.unitSystem = 1;  // a checked setting that a rejected 0 would reset
    CSurveyDialog screen;
    // The short range shows checked in medium's place; touching it brings medium back.
    const auto shown = [](int range) {
        return [range](CDialogBase& s) {
            EXPECT_EQ(std::tuple(s.GetDlgItem(CSurveyDialog::kIdShort)->isVisible(), s.GetDlgItem(CSurveyDialog::kIdMedium)->isVisible(),
                                 static_cast<CSurveyDialog&>(s).SelectedRange()), std::tuple(range == 0, range != 0, range));
        };
    };
    driver.Queue({shown(3), Press(CSurveyDialog::kIdSetDefaults), shown(0), Press(CSurveyDialog::kIdShort), shown(1),
                  Press(CSurveyDialog::kIdSetDefaults), Press(CSurveyDialog::kIdAccept)});
    ASSERT_EQ(screen.DoModal(), kResultOk);
    const CConfiguration stored = StoredConfiguration();
    EXPECT_EQ(std::tuple(stored.surveyRange, stored.surveyFilter, stored.unitSystem), std::tuple(0, 1, 1));
}

TEST_F(SurveyScreen, CancelStoresNothing) {
    g_configuration.Save();
    CSurveyDialog screen;
    driver.Queue(
        {Press(CSurveyDialog::kIdMaximum), Press(CSurveyDialog::kIdPlastic), Press(CSurveyDialog::kIdCancel)});
    ASSERT_EQ(screen.DoModal(), kResultCancel);
    EXPECT_EQ(std::tuple(g_configuration.surveyRange, StoredConfiguration().surveyRange, StoredConfiguration().surveyFilter), std::tuple(1, 1, 0));
}

// DEFINE CUSTOM SETTINGS keeps the band the filter screen accepts, at once;
// a cancelled filter screen changes nothing.
TEST_F(SurveyScreen, CustomBandComesFromTheFilterScreenItRuns) {
    CCorrelation run(500, 100, 100.0f, 1, 10000.0f);
    CFilterDialog filters(run);
    CSurveyDialog screen;
    screen.SetFilterScreen(&filters);
    driver.Queue({Press(CSurveyDialog::kIdCustom), Press(CFilterDialog::kIdQuickPlastic), Press(CFilterDialog::kIdCancel),
                  Press(CSurveyDialog::kIdCancel)});
    ASSERT_EQ(screen.DoModal(), kResultCancel);
    EXPECT_EQ(StoredConfiguration().surveyCustomCutoffs[1], 0.0f);

    driver.Queue({Press(CSurveyDialog::kIdCustom), Press(CFilterDialog::kIdQuickPlastic), Press(CFilterDialog::kIdAccept),
                  Press(CSurveyDialog::kIdCancel)});
    ASSERT_EQ(screen.DoModal(), kResultCancel);
    const CConfiguration stored = StoredConfiguration();  // the preset itself waits for ACCEPT
    EXPECT_EQ(std::pair(stored.surveyCustomCutoffs[0], stored.surveyFilter), std::pair(0.0f, 0));
    EXPECT_FLOAT_EQ(stored.surveyCustomCutoffs[1], 200.0f);

    driver.Queue({Press(CSurveyDialog::kIdCustom), Press(CFilterDialog::kIdAccept), Settle(),
                  Press(CSurveyDialog::kIdAccept)});
    ASSERT_EQ(screen.DoModal(), kResultOk);
    EXPECT_EQ(std::pair(screen.SelectedPreset(), StoredConfiguration().surveyFilter), std::pair(3, 3));
}
