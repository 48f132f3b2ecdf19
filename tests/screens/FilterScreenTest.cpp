// The filter screen over a correlation fed with tones: what it leaves in the
// correlation's filters on ACCEPT and CANCEL, the set choice of a three-trace
// run, markers dragged with the pen; the gallery shows the panel's pixels.

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <cmath>
#include <sstream>

#include "QtApp.h"
#include "ScopedSettings.h"
#include "ScreenDriver.h"
#include "dsp/Correlation.h"
#include "screens/FilterDialog.h"
#include "screens/FilterSpectrumPanel.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

void Pen(QWidget& w, QEvent::Type type, QPoint p) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(p), QPointF(w.mapToGlobal(p)), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

// A stroke in the graph from one axis column to another.
Step Drag(int fromColumn, int toColumn, int y = 250) {
    return [=](CDialogBase& s) {
        Pen(s, QEvent::MouseButtonPress, {kSpectrumLeft + fromColumn, y});
        Pen(s, QEvent::MouseMove, {kSpectrumLeft + (fromColumn + toColumn) / 2, y});
        Pen(s, QEvent::MouseMove, {kSpectrumLeft + toColumn, y});
        Pen(s, QEvent::MouseButtonRelease, {kSpectrumLeft + toColumn, y});
    };
}

std::string Records(CCorrelation& run) {
    std::ostringstream os;
    for (int k = 0; k < CCorrelation::kTraces; ++k) {
        for (const CFilter* f : {&run.RedFilter(k), &run.BlueFilter(k), &run.PostFilterOf(k)}) {
            f->Write(os);
            for (int32_t c : f->FirTaps().half) os << c << ',';
            os << f->FirTaps().length << (f->Bypass() ? 'b' : 'f');
        }
    }
    return os.str();
}

class FilterScreen : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQApplication();
        g_configuration.colourScheme = 0;
        g_configuration.linearFrequencyAxis = 0;
        FilterBand band;
        band.lowCut = 0.03f;
        band.highCut = 0.2f;
        band.notchOn = true;
        band.notchLow = 0.099f;
        band.notchHigh = 0.101f;
        for (int k = 0; k < 3; ++k) {
            run.RedFilter(k).SetBand(band);
            run.BlueFilter(k).SetBand(band);
            run.PostFilterOf(k).SetBand(band, fir::kWelch, CCorrelation::kPostFilterTaps);
        }
    }
    void TearDown() override {
        CloseAll();
        for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible()) << "a screen stayed open";
    }
    // Both channels hear a tone (Hz) with a little of another on Red only.
    void FeedTone(double hz, int32_t n = 8192) {
        std::vector<int16_t> red(static_cast<size_t>(n)), blue(static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i) {
            const double t = static_cast<double>(i) / 10000.0;
            blue[static_cast<size_t>(i)] = static_cast<int16_t>(std::lround(800 * std::sin(2 * kPi * hz * t)));
            red[static_cast<size_t>(i)] =
                static_cast<int16_t>(std::lround(800 * std::sin(2 * kPi * hz * t + 1) + 200 * std::sin(2 * kPi * 3000 * t)));
        }
        run.AddRedSamples(red.data(), n);
        run.AddBlueSamples(blue.data(), n);
    }
    ScopedSettings settings;
    CCorrelation run{500, 100, 100.0f, 1, 10000.0f};
    Driver driver;
};

}  // namespace

// ---- what ACCEPT and CANCEL leave in the correlation ----------------------------------

TEST_F(FilterScreen, CancelAfterManyChangesLeavesEveryFilterByteIdentical) {
    FeedTone(500);
    const std::string before = Records(run);
    CFilterDialog screen(run);
    driver.Queue({Press(CFilterDialog::kIdQuickMetallic), Press(CFilterDialog::kIdSetLow), Drag(100, 160),
                   Press(CFilterDialog::kIdAutomatic), Press(CFilterDialog::kIdSetNotch), Drag(300, 320),
                   Drag(330, 340), Press(CFilterDialog::kIdMaterialDefaults), Press(CFilterDialog::kIdClearAll),
                   Press(CFilterDialog::kIdQuickPlastic), Press(CFilterDialog::kIdCancel)});
    EXPECT_EQ(screen.DoModal(), kResultCancel);
    EXPECT_EQ(Records(run), before);
    EXPECT_FALSE(screen.TimerRunning(CFilterDialog::kSpectrumTimer));
}

// Dragging the high marker down with the pen; SET buttons are released at pen up.
TEST_F(FilterScreen, DraggingTheHighMarkerMovesTheHighCutoff) {
    CFilterDialog screen(run);
    const int high = spectrum::FrequencyAxis{10000.0f, false}.ColumnOf(2000.0f);
    QString during;
    int pressedAfter = -1;
    driver.Queue({[&](CDialogBase& s) {
                       Pen(s, QEvent::MouseButtonPress, {kSpectrumLeft + high + 8, 200});
                       Pen(s, QEvent::MouseMove, {kSpectrumLeft + 420, 200});
                       during = s.ItemText(CFilterDialog::kIdHighLabel);
                       Pen(s, QEvent::MouseButtonRelease, {kSpectrumLeft + 420, 200});
                       pressedAfter = s.GetCheck(CFilterDialog::kIdSetHigh);
                   },
                   Press(CFilterDialog::kIdAccept)});
    ASSERT_EQ(screen.DoModal(), kResultOk);
    const float expected = spectrum::FrequencyAxis{10000.0f, false}.FrequencyAt(420);
    EXPECT_EQ(during, QStringLiteral("HIGH CUTOFF: %1Hz").arg(std::lround(expected)));
    EXPECT_EQ(pressedAfter, 0);
    EXPECT_NEAR(run.RedFilter(0).Band().highCut * 10000.0f, expected, 0.5f);
}

// ---- three traces -------------------------------------------------------------------------

TEST_F(FilterScreen, ThreeTracesChooseTheSetInsteadOfAutomaticSettings) {
    run.SetTraceCount(3);
    run.RedFilter(2).SetBand(FilterBand{0.01f, 0.02f, false, 0, 0});
    Opened<CFilterDialog> screen(run);
    const auto hidden = [&](std::initializer_list<int> ids) {
        std::string h;
        for (int id : ids) h += screen.GetDlgItem(id)->isHidden() ? '1' : '0';
        return h;
    };
    EXPECT_EQ(hidden({CFilterDialog::kIdAutomatic, CFilterDialog::kIdSelectSet, CFilterDialog::kIdFilterSet1}), "101");

    screen.show();
    screen.Item<QAbstractButton>(CFilterDialog::kIdSelectSet)->click();  // the gallery shows the set choice
    screen.Item<QAbstractButton>(CFilterDialog::kIdFilterSet1)->click();  // set 3 - 1 = 2
    EXPECT_EQ(screen.Editor().CurrentSet(), 2);
    EXPECT_EQ(Texts(screen, {CFilterDialog::kIdLowLabel, CFilterDialog::kIdHighLabel}), "LOW CUTOFF: 100Hz\nHIGH CUTOFF: 200Hz");
    EXPECT_EQ(hidden({CFilterDialog::kIdSetLow, CFilterDialog::kIdFilterSet3}), "01");
    screen.hide();
}

// ---- the spectrum --------------------------------------------------------------------------

// Silence, or a store shorter than a transform, draws flat; automatic
// settings then leave the band open and the labels say so.
TEST_F(FilterScreen, AutomaticSettingsOnSilenceLeaveTheBandOpen) {
    FeedTone(0.0, 3000);
    Opened<CFilterDialog> screen(run);
    EXPECT_EQ(screen.Spectrum().DominantHz(), 0.0f);
    screen.Item<QAbstractButton>(CFilterDialog::kIdAutomatic)->click();
    EXPECT_EQ(screen.GetCheck(CFilterDialog::kIdAutomatic), 1);
    EXPECT_EQ(Texts(screen, {CFilterDialog::kIdLowLabel, CFilterDialog::kIdHighLabel}), "LOW CUTOFF: None\nHIGH CUTOFF: None");
    // Samples arrive: the next refresh follows the tone.
    FeedTone(600.0);
    screen.RefreshSpectrum();
    EXPECT_NEAR(screen.Spectrum().DominantHz(), 600.0, 10000.0 / 4096);
    EXPECT_EQ(screen.ItemText(CFilterDialog::kIdLowLabel), "LOW CUTOFF: Auto");
    EXPECT_NEAR(screen.Editor().Set(0).low, 150.0f, 1.0f);
}
