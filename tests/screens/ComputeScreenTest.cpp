// The velocity computation screen: the result lines and the point buttons'
// enabling, exclusion, and the modal flow ADD RESULT, SAVE AS and OPEN over
// the file screens.

#include <gtest/gtest.h>

#include <QAbstractButton>
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
#include "screens/FilenameDialog.h"
#include "screens/TextKeypadDialog.h"
#include "settings/Configuration.h"

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

// A run over metres of pipe at rate whose correlation peaks at lag samples;
// decimated as START decimates, so its pipe record keeps 10000 Hz.
std::string RunBytes(float rate, float metres, int32_t lag) {
    CCorrelation run(500, 100, 100.0f, 1, 10000.0f);
    run.SetSampleRate(rate);
    run.SetRange(100.0f, 1);
    PipeSegment s;
    s.SetLength(metres, LengthUnit::Metres);
    s.SetVelocity(1250.0f);
    run.Pipe().AddSection(s);
    run.Accumulator(0)[static_cast<size_t>(run.MaxLag() + lag)] = 900;
    std::ostringstream os;
    run.Write(os);
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
    screen.InitForDisplay();
    EXPECT_EQ(Text(screen, C::kIdSeparation), "SENSOR SEPARATION: 100.0m");
    EXPECT_EQ(Text(screen, C::kIdLeakDistance), "LEAK DISTANCE: 25.0m");
    EXPECT_EQ(Text(screen, C::kIdVelocity), "CALCULATED VELOCITY: 1000.0m/s");
    EXPECT_EQ(Text(screen, C::kIdDelay), "MEASURED TIME DELAY: 0.0500s");
    EXPECT_FALSE(Enabled(screen, C::kIdSelectPrevious));
    EXPECT_TRUE(Enabled(screen, C::kIdSelectNext));
    // The delay axis's title stands clear above the plot the fitted line crosses.
    EXPECT_LT(screen.GetDlgItem(C::kIdDelayAxis)->geometry().bottom() + 4, kComputePlot.top());

    Click(screen, C::kIdSelectNext);
    EXPECT_EQ(screen.Selected(), 1u);
    EXPECT_EQ(Text(screen, C::kIdDelay), "MEASURED TIME DELAY: 0.1500s");
    EXPECT_TRUE(Enabled(screen, C::kIdSelectPrevious));
    EXPECT_FALSE(Enabled(screen, C::kIdSelectNext));

    Click(screen, C::kIdRemoveResult);
    EXPECT_EQ(screen.Selected(), 0u);
    EXPECT_EQ(Text(screen, C::kIdSeparation), "SENSOR SEPARATION: 100.0m");
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
    EXPECT_EQ(Text(screen, C::kIdVelocity), "CALCULATED VELOCITY: 1000.0m/s");
    EXPECT_EQ(Text(screen, C::kIdLeakDistance), "LEAK DISTANCE: 25.0m");
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
    C screen;
    screen.InitForDisplay();
    ASSERT_TRUE(screen.ReadFile(std::string(kData) + "M.comp"));
    EXPECT_FLOAT_EQ(screen.GetComputation().points.Point(0).x, 100.0f * 3.28084f);
    EXPECT_FLOAT_EQ(screen.GetComputation().points.Point(1).y, 150.0f);
    EXPECT_EQ(Text(screen, C::kIdSeparation), "SENSOR SEPARATION: 328.1ft");
    EXPECT_EQ(Text(screen, C::kIdDelay), "MEASURED TIME DELAY: 50.0ms");
    EXPECT_EQ(Text(screen, C::kIdVelocity), "CALCULATED VELOCITY: 3.2808ft/ms");
    EXPECT_EQ(Text(screen, C::kIdSeparationAxis), "SENSOR SEPARATION (ft)");
    EXPECT_EQ(Text(screen, C::kIdDelayAxis), "MEASURED TIME DELAY (ms)");

    EXPECT_FALSE(screen.ReadFile(std::string(kData) + "CUT.comp"));
    EXPECT_EQ(Text(screen, C::kIdMessage), "CComputeDialog Read: Unknown file type");
    EXPECT_EQ(screen.GetComputation().points.Size(), 2u);
    EXPECT_EQ(Text(screen, C::kIdVelocity), "CALCULATED VELOCITY: 3.2808ft/ms");
    EXPECT_TRUE(screen.ReadFile(std::string(kData) + "M.comp"));
    EXPECT_EQ(Text(screen, C::kIdMessage), "");
}

// ADD RESULT of a run decimated to 2000 Hz (lag -40 is 20 ms there, not 4),
// then of one at 10000 Hz; SAVE AS writes them, OPEN brings them back after
// a REMOVE.
TEST_F(ComputeScreen, AddedRunsAreSavedAndReopened) {
    root.Put(std::string(kData) + "A.corr", RunBytes(2000.0f, 150.0f, -40));
    root.Put(std::string(kData) + "B.corr", RunBytes(10000.0f, 250.0f, -800));
    root.Put(std::string(kData) + "C.corr", "TkCo broken");
    g_configuration.velocityPerMs = 1;
    C screen;
    auto press = [](int id) { return Press(id); };
    driver.Queue({
        press(C::kIdAddResult), press(CFileListDialog::kIdOpen), Unwind(), Unwind(),
        OnScreen(C::kTemplate, [](CDialogBase& s) {
            EXPECT_EQ(Text(s, C::kIdDelay), "MEASURED TIME DELAY: ");
            EXPECT_EQ(Text(s, C::kIdSeparation), "SENSOR SEPARATION: 150.0m");
        }),
        press(C::kIdAddResult), press(CFileListDialog::kIdSelectDown), press(CFileListDialog::kIdOpen), Unwind(),
        Unwind(),
        OnScreen(C::kTemplate, [](CDialogBase& s) {
            EXPECT_EQ(Text(s, C::kIdDelay), "MEASURED TIME DELAY: -80.0ms");  // the new point is selected
            EXPECT_EQ(Text(s, C::kIdVelocity), "CALCULATED VELOCITY: 1.6667m/ms");
        }),
        press(C::kIdAddResult), press(CFileListDialog::kIdSelectDown), press(CFileListDialog::kIdSelectDown),
        press(CFileListDialog::kIdOpen), Unwind(), Unwind(),
        OnScreen(C::kTemplate, [](CDialogBase& s) { EXPECT_NE(Text(s, C::kIdMessage), ""); }),
        press(C::kIdSaveAs), press(CTextKeypadDialog::KeyOf('P')), press(CTextKeypadDialog::kIdEnter), Unwind(),
        Unwind(), press(C::kIdRemoveResult), press(C::kIdOpen), press(CFileListDialog::kIdOpen), Unwind(), Unwind(),
        press(C::kIdExit),
    });
    EXPECT_EQ(screen.DoModal(), kResultOk);
    ASSERT_TRUE(platform::PathExists(std::string(kData) + "P.comp"));
    const LinearRegression& points = screen.GetComputation().points;
    ASSERT_EQ(points.Size(), 2u);
    EXPECT_FLOAT_EQ(points.Point(0).y, -20.0f);
    EXPECT_FLOAT_EQ(points.Point(1).y, -80.0f);
    EXPECT_EQ(screen.GetComputation().leftStation, 1);
}
