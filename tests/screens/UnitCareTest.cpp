// The unit-care screens on a virtual unit: listen, status, power, the
// service entry and screen with its radio keypads, brightness, clock and
// touch test. Modal screens are driven by actions queued for the moment they
// show.

#include <gtest/gtest.h>

#include <QLabel>
#include <QMouseEvent>
#include <QSlider>
#include <cstdlib>
#include <tuple>

#include "QtApp.h"
#include "SamplePack.h"
#include "ScreenDriver.h"
#include "UnitOnBench.h"
#include "hardware/DriverRecords.h"
#include "hardware/UserActivity.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Touch.h"
#include "screens/ListenDialog.h"
#include "screens/PowerDlg.h"
#include "screens/ProtectedSetup.h"
#include "screens/RadioSetupDlg.h"
#include "screens/SetBrightnessDialog.h"
#include "screens/SetClockDialog.h"
#include "screens/StatusDialog.h"
#include "screens/TouchTest.h"
#include "settings/Language.h"
#include "ui/KeyboardDialog.h"
#include "ui/PictureSet.h"

namespace {

constexpr int64_t kJune2015 = 1434110400000;  // 2015-06-12 12:00 UTC

void Click(CDialogBase& d, int id) {
    auto* b = d.Item<QAbstractButton>(id);
    ASSERT_NE(b, nullptr) << id;
    ASSERT_TRUE(b->isEnabled()) << id;
    b->click();
}

// Types text on the keyboard screen and presses OK.
void TypeAndAccept(CDialogBase& d, const QString& text) {
    bool shifted = false;
    for (QChar c : text) {
        for (int i = 0; i < CKeyboardDialog::KeyCount(); ++i) {
            const bool plain = CKeyboardDialog::KeyCaption(i, false) == c;
            if (!plain && CKeyboardDialog::KeyCaption(i, true) != c) continue;
            if (shifted == plain) {
                Click(d, CKeyboardDialog::kIdShift);
                shifted = !plain;
            }
            Click(d, CKeyboardDialog::kIdFirstKey + i);
            break;
        }
    }
    Click(d, kResultOk);
}

void Press(QWidget& w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(at), w.mapToGlobal(QPointF(at)), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

class UnitCare : public UnitOnBench {
protected:
    void SetUp() override {
        EnsureQApplication();
        g_configuration = CConfiguration();
        g_factory = CFactoryRecord();
        clock.SetUtcMs(kJune2015);
        Install();
        unitcare::ListenRefresh() = {};
        ResetUserActivity();
    }
    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible()) << "left open: " << w->objectName().toStdString();
        SetLanguage(u"ENG");
    }
    // Volume steps sent to the potentiometer: (down, up).
    std::pair<int, int> VolumeSteps() const {
        int down = 0, up = 0;
        for (const auto& r : unit->Requests())
            if (r.text == "HP_VOL_UP/DN" && r.in.size() >= 8) (r.in[4] ? up : down)++;
        return {down, up};
    }
    // Acquires until both level stores hold a full window.
    void FillLevelStores() {
        LevelOnlySink sink;
        hw->StartSampling(sink);
        for (int i = 0; i < 40 && hw->LevelStore(1).SampleTotal() < CWave::kLevelWindow; ++i)
            hw->ProcessSampleBlock(sink);
        ASSERT_GE(hw->LevelStore(1).SampleTotal(), CWave::kLevelWindow);
    }

};

}  // namespace

// ---- listen ------------------------------------------------------------------------

TEST_F(UnitCare, ListenFirstOpeningResetsTheVolumeAndLaterOpeningsKeepIt) {
    unit->ClearRequests();
    {
        Opened<CListenDialog> screen(*hw, *radio);
        EXPECT_EQ(VolumeSteps(), std::make_pair(15, 7));
        EXPECT_EQ(screen.Item<QSlider>(CListenDialog::kIdVolume)->value(), 7);
        for (int i = 0; i < 3; ++i) Click(screen, CListenDialog::kIdVolumeUp);  // 13
    }
    unit->ClearRequests();
    Opened<CListenDialog> again(*hw, *radio);
    EXPECT_EQ(VolumeSteps(), std::make_pair(0, 0));
    EXPECT_EQ(again.Item<QSlider>(CListenDialog::kIdVolume)->value(), 13);
    for (int i = 0; i < 2; ++i) Click(again, CListenDialog::kIdVolumeUp);
    EXPECT_EQ(hw->GetHeadphoneVolume(), 15);
    EXPECT_EQ(again.Item<QSlider>(CListenDialog::kIdVolume)->value(), 15);
}

// The Persian slider runs from the right (0) to the left (15); the step
// button on the left raises the volume and the handle moves towards it.
TEST_F(UnitCare, ListenStepButtonsMoveTheVolumeTheWayTheMirroredSliderShows) {
    PutSamplePack(root, "FAS");
    SetLanguage(u"FAS");
    Opened<CListenDialog> screen(*hw, *radio);
    auto* down = screen.Item<QAbstractButton>(CListenDialog::kIdVolumeDown);
    auto* up = screen.Item<QAbstractButton>(CListenDialog::kIdVolumeUp);
    auto* slider = screen.Item<QSlider>(CListenDialog::kIdVolume);
    ASSERT_TRUE(slider->isRightToLeft());
    QAbstractButton* left = down->x() < up->x() ? down : up;
    QAbstractButton* right = left == down ? up : down;
    const int volume = hw->GetHeadphoneVolume();
    left->click();
    EXPECT_GT(hw->GetHeadphoneVolume(), volume);
    EXPECT_EQ(left->text(), "<");
    right->click();
    EXPECT_EQ(hw->GetHeadphoneVolume(), volume);
    EXPECT_EQ(right->text(), ">");
}

TEST_F(UnitCare, ListenSelectorsCheckOnlyAKnownCodesButton) {
    hw->SetListenSourceLeft(2);  // no button stands for it
    hw->SetListenSourceRight(1);
    Opened<CListenDialog> screen(*hw, *radio);
    const auto checks = [&] {  // the left selectors' checks, then the right ones'
        std::string c;
        for (const auto& ids : {CListenDialog::kLeftIds, CListenDialog::kRightIds})
            for (int i = 0; i < 4; ++i) c += char('0' + screen.GetCheck(ids[i]));
        return c;
    };
    EXPECT_EQ(checks(), "00000010");
    Click(screen, CListenDialog::kLeftIds[0]);
    EXPECT_EQ(hw->GetListenSourceLeft(), 3);
    Click(screen, CListenDialog::kRightIds[3]);
    EXPECT_EQ(hw->GetListenSourceRight(), 6);
    EXPECT_EQ(checks(), "10000001");
}

TEST_F(UnitCare, ListenStationWithoutReceptionBlinksWithTheCountdown) {
    unit->World().Of(sim::Station::Red).rssi = -135.0;
    unit->World().Of(sim::Station::Blue).rssi = -20.0;
    Opened<CListenDialog> screen(*hw, *radio);
    const auto shown = [&](int id) { return screen.Item<QLabel>(id)->pixmap().cacheKey(); };
    const qint64 zeroBars = Picture(SignalBarsPicture(0)).cacheKey();
    const qint64 none = Picture(kPictureNoReception).cacheKey();
    for (int tick = 0; tick < 11; ++tick) {
        const int countdown = unitcare::ListenRefresh().value;
        screen.Tick();
        EXPECT_EQ(shown(CListenDialog::kIdRedBarsLeft), countdown >= 500 ? zeroBars : none) << countdown;
        EXPECT_EQ(shown(CListenDialog::kIdRedBarsRight), shown(CListenDialog::kIdRedBarsLeft));
        EXPECT_NE(shown(CListenDialog::kIdBlueBarsLeft), none);  // Blue has reception
    }
}

TEST_F(UnitCare, ListenDrawsBothChannelsInTheirStationsRowsAndShowsLevels) {
    g_configuration.testMode = 1;
    FillLevelStores();
    Opened<CListenDialog> screen(*hw, *radio);
    screen.Refresh();
    EXPECT_EQ(screen.EnvelopeOf(0).size(), size_t{CListenDialog::kColumns});
    EXPECT_TRUE(screen.ItemText(CListenDialog::kIdLevelLeft).endsWith("dB"));
    const QImage image = screen.grab().toImage();
    const auto inked = [&](int top, int bottom) {
        int n = 0;
        for (int x = CListenDialog::kAreaLeft; x < CListenDialog::kAreaRight; ++x)
            for (int y = top; y <= bottom; ++y) n += image.pixelColor(x, y) == Qt::black;
        return n;
    };
    EXPECT_GT(inked(153, 256), 400);  // Red row
    EXPECT_GT(inked(273, 376), 400);  // Blue row
    EXPECT_EQ(inked(33, 136), 0);     // no station of the pair in the Base row
}

// ---- status ------------------------------------------------------------------------

TEST_F(UnitCare, StatusRowsFollowTheUnitsPowerAndClock) {
    unit->World().battery = 7.2;
    unit->World().supply = sim::Supply::External;
    Opened<CStatusDialog> screen(*hw, *radio);
    screen.Refresh();
    using S = CStatusDialog;
    EXPECT_EQ(Texts(screen, {S::kIdBattery, S::kIdPowerSource, S::kIdCharging, S::kIdDate, S::kIdRedFrequency, S::kIdSensorType}),
              "BATTERY STATE: 7.20V\nPOWER SOURCE: EXTERNAL\nCHARGING STATE: FULL\nDATE: 2015-06-12\n"
                                   "FREQUENCY: 447.1500MHz C0\nSENSOR TYPE: MICROPHONE");
    unit->World().supply = sim::Supply::Battery;
    clock.SetUtcMs(1230768000000);  // 2009-01-01: a clock that was reset
    screen.Refresh();
    EXPECT_EQ(Texts(screen, {S::kIdPowerSource, S::kIdCharging, S::kIdDate, S::kIdTime}),
              "POWER SOURCE: BATTERY\nCHARGING STATE:\nDATE:\nTIME:");
}

// Regression: a converter that did not open showed a flat "0.00V" battery.
TEST_F(UnitCare, StatusShowsAnUnreadableBatteryAsUnavailable) {
    g_configuration.testMode = 1;
    unit->SetMissing("SPI3:");
    hw = std::make_unique<SensorHardware>();
    radio = std::make_unique<RadioLink>(*hw);
    Opened<CStatusDialog> screen(*hw, *radio);
    screen.Refresh();
    EXPECT_EQ(Texts(screen, {CStatusDialog::kIdBattery, CStatusDialog::kIdBatteryAdc}), "BATTERY STATE: ---\nBATTERY ADC: ---");
}

TEST_F(UnitCare, StatusSmoothingRestartsAtEachOpeningAndEngineeringRowsNeedTestMode) {
    const auto both = [](const QString& row) {  // "RSSI: a dBm  (b dBm)"
        const QStringList parts = row.split(' ', Qt::SkipEmptyParts);
        return std::make_pair(parts[1], parts[2]);
    };
    g_configuration.testMode = 0;
    Opened<CStatusDialog> screen(*hw, *radio);
    screen.Refresh();
    unit->World().Of(sim::Station::Red).rssi = -100.0;
    screen.Refresh();
    auto [present, smoothed] = both(screen.ItemText(CStatusDialog::kIdRedRssi));
    EXPECT_NE("(" + present + ")", smoothed);
    EXPECT_TRUE(screen.GetDlgItem(CStatusDialog::kIdMclk)->isHidden());
    g_configuration.testMode = 1;
    screen.InitForDisplay();  // opened again
    screen.Refresh();
    std::tie(present, smoothed) = both(screen.ItemText(CStatusDialog::kIdRedRssi));
    EXPECT_EQ("(" + present + ")", smoothed);
    EXPECT_FALSE(screen.GetDlgItem(CStatusDialog::kIdMclk)->isHidden());
    EXPECT_EQ(screen.ItemText(CStatusDialog::kIdMclk), "MCLK: 90000000Hz");
}

// ---- power -----------------------------------------------------------------------------

// The rightmost ink column of a label, -1 when it shows nothing.
int RightmostInk(QWidget& label) {
    const QImage image = label.grab().toImage();
    const QRgb ground = image.pixel(0, 0);
    for (int x = image.width() - 1; x >= 0; --x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixel(x, y) != ground) return x;
    return -1;
}

// Values run left to right inside a Persian row, and every row starts at the
// right, also one whose label starts in Latin letters.
TEST_F(UnitCare, StatusValuesRunLeftToRightAndRowsAlignRightInPersian) {
    g_configuration.SetLanguage(u"FAS");
    g_configuration.testMode = 1;
    Opened<CStatusDialog> screen(*hw, *radio);
    screen.Refresh();
    // The label ends in a right-to-left mark, so a Latin label and its value stay apart.
    EXPECT_TRUE(screen.ItemText(CStatusDialog::kIdBattery).contains(QStringLiteral("STATE:\u200F \u202D")));
    for (int id : {CStatusDialog::kIdRedRssi, CStatusDialog::kIdMclk, CStatusDialog::kIdBatteryAdc}) {
        QWidget& row = *screen.GetDlgItem(id);
        EXPECT_GE(RightmostInk(row), row.width() - 8) << id;
    }
}

TEST_F(UnitCare, PowerScreenTurnsTheDisplayOffFiveSecondsAfterOpeningAndEachTouch) {
    Opened<CPowerDlg> screen(*hw);
    const auto onAfter = [&](int ms) {  // whether the display is on after ms and a tick
        clock.Advance(ms);
        screen.Tick();
        return unit->DisplayOn();
    };
    EXPECT_EQ(std::vector({onAfter(4900), onAfter(100)}), std::vector({true, false}));
    EXPECT_TRUE(screen.GetDlgItem(CPowerDlg::kIdPower)->isHidden());
    clock.Advance(3000);
    Press(screen, QEvent::MouseButtonPress, QPoint(20, 20), Qt::LeftButton);
    EXPECT_TRUE(unit->DisplayOn());
    EXPECT_EQ(std::vector({onAfter(4900), onAfter(100)}), std::vector({true, false}));
    WhenShown(CPowerDlg::kTemplate, [](CDialogBase& d) { Click(d, CPowerDlg::kIdPower); });
    EXPECT_EQ(screen.DoModal(), kResultOk);
    EXPECT_TRUE(unit->DisplayOn());
}

// Charging, the status LED blinks red and never green; on the battery both stay dark.
TEST_F(UnitCare, PowerScreenBlinksRedOnlyWhileCharging) {
    constexpr uint32_t kRedLine = 26, kGreenLine = 27;  // lit at 0
    hw->SetChargerShutdown(false);
    Opened<CPowerDlg> screen(*hw);
    for (const sim::Supply supply : {sim::Supply::Charging, sim::Supply::Battery}) {
        unit->World().supply = supply;
        std::string lit;
        for (int i = 0; i < 22; ++i) {
            screen.Tick();
            lit += unit->LineState(kGreenLine).level == 0 ? 'G' : unit->LineState(kRedLine).level == 0 ? 'R' : '.';
        }
        EXPECT_EQ(lit.find('G'), std::string::npos) << lit;
        EXPECT_EQ(lit.find('R') != std::string::npos, supply == sim::Supply::Charging) << lit;
    }
}

// ---- service entry and screen ------------------------------------------------------------

TEST_F(UnitCare, InTestModeServiceOpensWithoutAPasswordAndDimmingWaits) {
    g_configuration.testMode = 1;
    g_configuration.dimDelay = 1;
    WhenShown(CProtectedSetup::kTemplate, [](CDialogBase& d) {
        OnDimTimer();  // the dim timer fires while the technician works
        EXPECT_FALSE(IsDisplayDimmed());
        Click(d, kResultOk);
    });
    EXPECT_EQ(RunServiceEntry(*hw, *radio, nullptr), kResultOk);
    OnDimTimer();
    EXPECT_TRUE(IsDisplayDimmed());
}

// A wrong code, then the right one: the unit-care demo; the rule itself
// (case, spaces): ServiceRules. CANCEL on the keyboard leaves the service screen shut.
TEST_F(UnitCare, CancellingThePasswordLeavesTheServiceScreenShut) {
    g_configuration.testMode = 0;
    WhenShown(CKeyboardDialog::kTemplate, [](CDialogBase& d) { Click(d, kResultCancel); });
    EXPECT_EQ(RunServiceEntry(*hw, *radio, nullptr), kResultCancel);
}

TEST_F(UnitCare, TurningTestModeOffReturnsTheCorrelationOptionsToYesAndPost) {
    g_configuration.testMode = 1;
    g_configuration.bothPolarities = 0;
    g_configuration.postFilter = 0;
    Opened<CProtectedSetup> screen(*hw, *radio);
    EXPECT_EQ(Texts(screen, {CProtectedSetup::kIdFlip, CProtectedSetup::kIdFiltering}), "No\nPre");
    Click(screen, CProtectedSetup::kIdTestMode);
    EXPECT_EQ(g_configuration.testMode, 0);
    EXPECT_EQ(Texts(screen, {CProtectedSetup::kIdFlip, CProtectedSetup::kIdFiltering}), "Yes\nPost");
    // Regression: outside test mode a press stored the flipped option while
    // the screen showed the forced one.
    Click(screen, CProtectedSetup::kIdFlip);
    EXPECT_EQ(screen.ItemText(CProtectedSetup::kIdFlip), "Yes");
    const CConfiguration stored = StoredConfiguration();
    EXPECT_EQ(std::pair(stored.bothPolarities & 1, stored.postFilter), std::pair(1, 1));
}

// In test mode FILTERING turns post-filtering off as well as on, and is kept.
TEST_F(UnitCare, FilteringTurnsBothWaysInTestMode) {
    g_configuration.testMode = 1;
    g_configuration.postFilter = 1;
    Opened<CProtectedSetup> screen(*hw, *radio);
    for (const auto& [shown, stored] : {std::pair("Pre", 0), std::pair("Post", 1)}) {
        Click(screen, CProtectedSetup::kIdFiltering);
        EXPECT_EQ(screen.ItemText(CProtectedSetup::kIdFiltering), shown);
        EXPECT_EQ(StoredConfiguration().postFilter, stored) << shown;
    }
}

// The reception rating's floor and span each step on their own button and are kept.
TEST_F(UnitCare, ReceptionFloorAndSpanStepAndAreKept) {
    Opened<CProtectedSetup> screen(*hw, *radio);
    const float floor = g_configuration.rssiFloor, span = g_configuration.rssiSpan;
    Click(screen, CProtectedSetup::kIdMinRssi);
    Click(screen, CProtectedSetup::kIdRssiRange);
    const CConfiguration stored = StoredConfiguration();
    EXPECT_EQ(stored.rssiFloor, unitcare::NextRssiFloor(floor));
    EXPECT_EQ(stored.rssiSpan, unitcare::NextRssiSpan(span));
    EXPECT_NE(stored.rssiSpan, span);
}

TEST_F(UnitCare, TuningSendsTheChannelAndShowsTheOutcome) {
    Opened<CProtectedSetup> screen(*hw, *radio);
    Click(screen, CProtectedSetup::kIdPlus100kHz);  // the labels it gives: unit_care_demo
    EXPECT_EQ(unit->RadioChannel(1), 8);
    Click(screen, CProtectedSetup::kIdPlusChannel);
    EXPECT_EQ(unit->RadioChannel(1), 9);
    unit->FailRequests(hw::IOCTL_RADIO_COMMAND, -1, "SPI6:");  // Blue's receiver stops answering
    Click(screen, CProtectedSetup::kIdBlueRadio);
    Click(screen, CProtectedSetup::kIdMinus1MHz);
    EXPECT_EQ(screen.ItemText(CProtectedSetup::kIdBlueStatus), "Blue RF Setting (Fail) >");
    EXPECT_EQ(StoredConfiguration().radio[1].frequency, g_configuration.radio[1].frequency);  // saved regardless
}

TEST_F(UnitCare, AManualRedSettingLocksTuningUntilACountryPresetClearsIt) {
    Opened<CProtectedSetup> screen(*hw, *radio);
    WhenShown(CRadioSetupDlg::kTemplate, [](CDialogBase& d) {
        for (int digit : {1, 2}) Click(d, CRadioSetupDlg::kChannelKeys[digit]);
        for (int i = 0; i < 10; ++i) Click(d, CRadioSetupDlg::kFrequencyKeys[9]);  // the tenth 9 is ignored
        EXPECT_EQ(static_cast<CRadioSetupDlg&>(d).Frequency(), 999999999u);
        Click(d, CRadioSetupDlg::kIdFrequencyClear);
        for (char c : std::string("447300000")) Click(d, CRadioSetupDlg::kFrequencyKeys[c - '0']);
        Click(d, CRadioSetupDlg::kIdAccept);
    });
    Click(screen, CProtectedSetup::kIdSetManual);
    EXPECT_EQ(std::tuple(g_configuration.redManual, g_configuration.radio[0].frequency, unit->RadioChannel(1)),
              std::tuple(1, 447300000, 12));
    EXPECT_TRUE(screen.ItemText(CProtectedSetup::kIdRedRadio).endsWith(" Man"));
    for (int id : CProtectedSetup::kTuningIds) EXPECT_FALSE(screen.GetDlgItem(id)->isEnabled()) << id;
    Click(screen, CProtectedSetup::kIdBlueRadio);  // Blue has no mark
    EXPECT_TRUE(screen.GetDlgItem(CProtectedSetup::kIdPlus1MHz)->isEnabled());
    Click(screen, CProtectedSetup::kIdRedRadio);
    EXPECT_FALSE(screen.GetDlgItem(CProtectedSetup::kIdPlus1MHz)->isEnabled());
    Click(screen, 1027);  // UK
    EXPECT_EQ(g_configuration.redManual, 0);
    EXPECT_TRUE(screen.GetDlgItem(CProtectedSetup::kIdPlus1MHz)->isEnabled());
    EXPECT_FALSE(screen.ItemText(CProtectedSetup::kIdRedRadio).endsWith(" Man"));
}

// ---- brightness, clock, touch test ----------------------------------------------------------

TEST_F(UnitCare, SerialNumberEntryStartsEmptyForAnUnsetUnitAndIsStored) {
    g_factory.SetSerial(u"UNSET");
    Opened<CProtectedSetup> screen(*hw, *radio);
    WhenShown(CKeyboardDialog::kTemplate, [](CDialogBase& d) {
        EXPECT_EQ(Texts(d, {CKeyboardDialog::kIdTitle, CKeyboardDialog::kIdText}), "ENTER SERIAL NUMBER\n");
        TypeAndAccept(d, "Q12-7");
    });
    Click(screen, CProtectedSetup::kIdSerial);
    EXPECT_EQ(screen.ItemText(CProtectedSetup::kIdSerial), "Serial Number: Q12-7");
    CFactoryRecord stored;
    stored.Load();
    EXPECT_EQ(stored.Serial(), u"Q12-7");
}

TEST_F(UnitCare, BrightnessNeverGoesBelowOneStepAndCancelKeepsTheSettings) {
    g_configuration.brightness = 2;
    g_configuration.dimDelay = 0;
    Opened<CSetBrightnessDialog> screen(*hw);
    for (int i = 0; i < 3; ++i) Click(screen, CSetBrightnessDialog::kIdBrightnessDown);
    Click(screen, CSetBrightnessDialog::kIdDelayUp);
    EXPECT_EQ(Texts(screen, {CSetBrightnessDialog::kIdBrightness, CSetBrightnessDialog::kIdDelay}), "10%\n5");
    EXPECT_EQ(std::make_pair(screen.Brightness(), unit->BacklightPercent()), std::make_pair(1, 10));  // previewed
    WhenShown(CSetBrightnessDialog::kTemplate, [](CDialogBase& d) { Click(d, kResultCancel); });
    EXPECT_EQ(screen.DoModal(), kResultCancel);
    EXPECT_EQ(g_configuration.brightness, 2);
}

// OK reported the touch before it stored the new delay, so the timer ran on
// with the old one: "---" still dimmed five minutes later.
TEST_F(UnitCare, BrightnessOkRunsTheDimTimerWithTheDelayJustChosen) {
    ClockDimTimer timer;
    SetDimTimer(&timer);
    for (const auto& [from, steps, dims] : {std::tuple{1, -1, false}, std::tuple{0, +2, true}}) {
        g_configuration.dimDelay = from;
        CSetBrightnessDialog screen(*hw);
        WhenShown(CSetBrightnessDialog::kTemplate, [steps = steps](CDialogBase& d) {
            for (int i = 0; i < std::abs(steps); ++i)
                Click(d, steps < 0 ? CSetBrightnessDialog::kIdDelayDown : CSetBrightnessDialog::kIdDelayUp);
            Click(d, kResultOk);
        });
        ASSERT_EQ(screen.DoModal(), kResultOk);
        clock.Advance(599999);  // ten minutes less one ms
        timer.Poll();
        EXPECT_FALSE(IsDisplayDimmed()) << from;
        clock.Advance(1);
        timer.Poll();
        EXPECT_EQ(IsDisplayDimmed(), dims) << from;
        ResetUserActivity();
    }
    SetDimTimer(nullptr);
}

TEST_F(UnitCare, ClockKeepsDay31InAprilAndThePlatformRefusesIt) {
    clock.SetUtcMs(1264939200000);  // 2010-01-31 12:00
    const int64_t before = platform::UnixMsFromSystemTime(platform::GetSystemTime());
    CSetClockDialog screen;
    WhenShown(CSetClockDialog::kTemplate, [](CDialogBase& d) {
        for (int i = 0; i < 3; ++i) Click(d, 1033);  // month up to April
        Click(d, CSetClockDialog::kIdOk);
    });
    EXPECT_EQ(screen.DoModal(), kResultOk);
    EXPECT_EQ((std::pair<int, int>(screen.Time().month, screen.Time().day)), std::make_pair(4, 31));
    EXPECT_FALSE(screen.ClockSet());
    EXPECT_EQ(platform::UnixMsFromSystemTime(platform::GetSystemTime()), before);

    WhenShown(CSetClockDialog::kTemplate, [](CDialogBase& d) {
        EXPECT_EQ(d.ItemText(CSetClockDialog::kIdMonth), "01");  // the clock kept its date
        // Month up twice (31 March exists), a day back and forward again, OK.
        for (int id : {1033, 1033, 1032, 1031, int(CSetClockDialog::kIdOk)}) Click(d, id);
    });
    screen.DoModal();
    EXPECT_TRUE(screen.ClockSet());
    EXPECT_EQ(*unitcare::DateText(platform::GetSystemTime()), "2010-03-31");
}

TEST_F(UnitCare, AClockReadAs2009OpensAt2010NoonAndOkSetsItOnlyWhenChanged) {
    clock.SetUtcMs(1246406400000);  // 2009-07-01
    Opened<CSetClockDialog> screen;
    using C = CSetClockDialog;
    EXPECT_EQ(Texts(screen, {C::kIdYear, C::kIdMonth, C::kIdDay, C::kIdHour, C::kIdMinute}), "2010\n01\n01\n12\n00");
    Click(screen, CSetClockDialog::kIdOk);  // the default is itself a change from 2009
    EXPECT_TRUE(screen.ClockSet());
    EXPECT_EQ(platform::GetSystemTime().year, 2010);
    screen.InitForDisplay();
    Click(screen, CSetClockDialog::kIdOk);
    EXPECT_FALSE(screen.ClockSet());
}

// The pen's trace shows in either scheme: black on white, white on black.
TEST_F(UnitCare, TouchTestTraceShowsInBothSchemes) {
    for (int scheme : {0, 1}) {
        g_configuration.colourScheme = scheme;
        Opened<CTouchTest> screen;
        Press(screen, QEvent::MouseButtonPress, QPoint(103, 23), Qt::LeftButton);
        Press(screen, QEvent::MouseMove, QPoint(203, 23), Qt::LeftButton);
        const QImage image = screen.grab().toImage();
        EXPECT_EQ(image.pixel(163, 23) & 0xFFFFFF, scheme ? 0xFFFFFFu : 0x000000u) << scheme;
        EXPECT_EQ(image.pixel(163, 27) & 0xFFFFFF, scheme ? 0x000000u : 0xFFFFFFu) << scheme;
    }
}

TEST_F(UnitCare, TouchTestReportsAndLogsThePointsAndRecalibrationCopiesTheResult) {
    g_configuration.testMode = 1;
    Opened<CTouchTest> screen;
    Press(screen, QEvent::MouseButtonPress, QPoint(10, 20), Qt::LeftButton);
    EXPECT_EQ(screen.ItemText(CTouchTest::kIdState), "PenDown (10,20)");
    Press(screen, QEvent::MouseMove, QPoint(20, 25), Qt::LeftButton);
    Press(screen, QEvent::MouseButtonRelease, QPoint(30, 40), Qt::NoButton);
    EXPECT_EQ(screen.ItemText(CTouchTest::kIdState), "PenDown (10,20); PenUp(30,40)");
    EXPECT_EQ(screen.Trace().size(), 1u);
    const auto log = platform::ReadWholeFile("\\NandFlash\\log.txt", 4096);
    ASSERT_TRUE(log.has_value());
    EXPECT_NE(log->find("TouchTest: PenDown (10,20); PenUp(30,40)\r\n"), std::string::npos);

    platform::SetTouchCalibrator([] {
        return platform::RegSetString(platform::Hive::LocalMachine, platform::kTouchKey, platform::kTouchValue,
                                      u"512,480,64,64");
    });
    Click(screen, CTouchTest::kIdRecalibrate);
    EXPECT_EQ(g_configuration.TouchCalibration(), u"512,480,64,64");
    platform::RegDeleteKey(platform::Hive::LocalMachine, platform::kTouchKey);
    platform::SetTouchCalibrator([] { return false; });
    Click(screen, CTouchTest::kIdRecalibrate);
    EXPECT_EQ(g_configuration.TouchCalibration(), u"");
    platform::SetTouchCalibrator({});
    EXPECT_EQ(StoredConfiguration().TouchCalibration(), u"");
}
