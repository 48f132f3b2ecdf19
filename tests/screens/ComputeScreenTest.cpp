// The velocity computation screen: the result lines and the point buttons'
// enabling, exclusion, files in the display units and an unreadable run.

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "QtApp.h"
#include "ScopedSettings.h"
#include "ScreenDriver.h"
#include "TempUnitRoot.h"
#include "platform/Files.h"
#include "screens/ComputeDialog.h"
#include "screens/ComputeGraph.h"
#include "screens/FileListDialog.h"

namespace {

constexpr const char* kData = "\\NandFlash\\Data\\";
using C = CComputeDialog;

Computation Points(std::initializer_list<std::pair<float, float>> xy) {
    Computation c;
    for (const auto& [x, y] : xy) c.points.Append(x, y);
    return c;
}

std::string CompBytes(const Computation& c) {
    std::ostringstream os;
    WriteComputation(os, c, LengthUnit::Metres, TimeUnit::Seconds);
    return os.str();
}

std::string Text(const CDialogBase& s, int id) { return s.ItemText(id).toStdString(); }
bool Enabled(const CDialogBase& s, int id) { return s.GetDlgItem(id)->isEnabled(); }
void Click(CDialogBase& s, int id) { s.Item<QAbstractButton>(id)->click(); }

// A file screen closes on a 1 ms timer; its modal loop unwinds in the turn
// after that.
Step Unwind() {
    return [](CDialogBase&) { std::this_thread::sleep_for(std::chrono::milliseconds(5)); };
}

class ComputeScreen : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQApplication();
        platform::CreateDirectory("\\NandFlash\\Data");
        g_configuration.unitSystem = 0;
        g_configuration.velocityPerMs = 0;
    }
    void TearDown() override {
        CloseAll();
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }

    ScopedSettings settings;
    TempUnitRoot root;
    Driver driver;
};

}  // namespace

// Selection stops at both ends; removing returns to the first point; with
// fewer than two points nothing is fitted and with none every line is empty.
TEST_F(ComputeScreen, ResultLinesAndPointButtonsFollowThePoints) {
    C screen;
    screen.SetComputation(Points({{100.0f, 0.05f}, {200.0f, 0.15f}}));
    screen.InitForDisplay();  // the texts themselves: ComputationTest and the gallery
    EXPECT_EQ(Text(screen, C::kIdDelay), "MEASURED TIME DELAY: 0.0500s");
    EXPECT_EQ(std::pair(Enabled(screen, C::kIdSelectPrevious), Enabled(screen, C::kIdSelectNext)), std::pair(false, true));
    // The delay axis's title stands clear above the plot the fitted line crosses.
    EXPECT_LT(screen.GetDlgItem(C::kIdDelayAxis)->geometry().bottom() + 4, kComputePlot.top());

    Click(screen, C::kIdSelectNext);
    EXPECT_EQ(screen.Selected(), 1u);
    EXPECT_EQ(Text(screen, C::kIdDelay), "MEASURED TIME DELAY: 0.1500s");
    EXPECT_EQ(std::pair(Enabled(screen, C::kIdSelectPrevious), Enabled(screen, C::kIdSelectNext)), std::pair(true, false));

    Click(screen, C::kIdRemoveResult);
    EXPECT_EQ(screen.Selected(), 0u);
    EXPECT_EQ(Text(screen, C::kIdVelocity), "CALCULATED VELOCITY: ");
    EXPECT_FALSE(Enabled(screen, C::kIdSelectNext));

    Click(screen, C::kIdRemoveResult);
    for (int id : {C::kIdSeparation, C::kIdLeakDistance, C::kIdVelocity, C::kIdDelay})
        EXPECT_EQ(Text(screen, id), "") << id;
    for (int id : {C::kIdRemoveResult, C::kIdToggleResult, C::kIdSelectPrevious, C::kIdSelectNext})
        EXPECT_FALSE(Enabled(screen, id)) << id;
}

TEST_F(ComputeScreen, ExcludingAPointFitsTheOthersAndTogglingRestoresIt) {
    C screen;
    screen.SetComputation(Points({{100.0f, 0.05f}, {200.0f, 0.15f}, {300.0f, 0.5f}}));
    screen.InitForDisplay();
    const std::string all = Text(screen, C::kIdVelocity);
    Click(screen, C::kIdSelectNext);
    Click(screen, C::kIdSelectNext);
    Click(screen, C::kIdToggleResult);
    EXPECT_EQ(screen.GetComputation().points.Point(2).included, 0);
    EXPECT_EQ(Texts(screen, {C::kIdVelocity, C::kIdLeakDistance}), "CALCULATED VELOCITY: 1000.0m/s\nLEAK DISTANCE: 25.0m");
    Click(screen, C::kIdToggleResult);
    EXPECT_EQ(Text(screen, C::kIdVelocity), all);
    EXPECT_NE(all, "CALCULATED VELOCITY: 1000.0m/s");
}

// A file saved in metres and seconds shows in feet and milliseconds; a file
// broken past its header changes no point and says why.
TEST_F(ComputeScreen, FilesShowInTheDisplayUnitsAndABrokenOneChangesNothing) {
    const std::string good = CompBytes(Points({{100.0f, 0.05f}, {200.0f, 0.15f}}));
    root.Put(std::string(kData) + "M.comp", good);
    root.Put(std::string(kData) + "CUT.comp", CompBytes(Points({{1.0f, 1.0f}})).substr(0, 40));
    g_configuration.unitSystem = 1;
    g_configuration.velocityPerMs = 1;
    Opened<C> screen;
    ASSERT_TRUE(screen.ReadFile(std::string(kData) + "M.comp"));
    EXPECT_EQ(Texts(screen, {C::kIdSeparation, C::kIdDelay, C::kIdVelocity, C::kIdSeparationAxis, C::kIdDelayAxis}),
              "SENSOR SEPARATION: 328.1ft\nMEASURED TIME DELAY: 50.0ms\nCALCULATED VELOCITY: 3.2808ft/ms\n"
              "SENSOR SEPARATION (ft)\nMEASURED TIME DELAY (ms)");

    EXPECT_FALSE(screen.ReadFile(std::string(kData) + "CUT.comp"));
    EXPECT_EQ(Texts(screen, {C::kIdMessage, C::kIdVelocity}), "CComputeDialog Read: Unknown file type\nCALCULATED VELOCITY: 3.2808ft/ms");
    EXPECT_EQ(screen.GetComputation().points.Size(), 2u);
    EXPECT_TRUE(screen.ReadFile(std::string(kData) + "M.comp"));
    EXPECT_EQ(Text(screen, C::kIdMessage), "");
}

// Journey 7 adds three runs (one decimated), saves, removes and reopens them;
// here a run that cannot be read adds no point and says so.
TEST_F(ComputeScreen, AnUnreadableRunAddsNoPointAndSaysWhy) {
    root.Put(std::string(kData) + "C.corr", "TkCo broken");
    C screen;
    driver.Queue({Press(C::kIdAddResult), Press(CFileListDialog::kIdOpen), Unwind(), Unwind(),
                  OnScreen(C::kTemplate, [](CDialogBase& s) { EXPECT_NE(Text(s, C::kIdMessage), ""); }),
                  Press(C::kIdExit)});
    EXPECT_EQ(screen.DoModal(), kResultOk);
    EXPECT_EQ(screen.GetComputation().points.Size(), 0u);
}
