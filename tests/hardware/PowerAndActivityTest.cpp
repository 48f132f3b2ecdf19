// Battery, power policy and the user-activity rule with the unit's backlight.

#include "HardwareFixture.h"
#include "hardware/HardwareStartup.h"
#include "hardware/Power.h"
#include "hardware/UserActivity.h"
#include "platform/Files.h"
#include "settings/EventLog.h"

using namespace hw;

TEST(BatteryBars, StrictEdges) {
    for (const auto& [volts, bars] : {std::pair{7.31f, 5}, {7.3f, 4}, {7.1f, 2}, {7.0f, 0}, {6.51f, 0}, {6.5f, -1}, {0.0f, -1}})
        EXPECT_EQ(GetBatteryBars(volts), bars) << volts;
}

class PowerPolicy : public HardwareFixture {};

// On battery: the bars of a healthy pack, the blinking empty picture of a low
// one, and a flat pack switching the unit off.
TEST_F(PowerPolicy, BatteryLevelsShowTheirPictureAndOnlyAFlatPackSwitchesOff) {
    using P = PowerStatus::Picture;
    struct Row { double volts; uint32_t step; P picture; int32_t level; bool off; };
    for (const Row& r : {Row{7.6, 0, P::Level, 5, false}, Row{6.8, 4, P::Empty, 0, false},
                         Row{6.8, 5, P::Blank, 0, false}, Row{6.4, 2, P::Empty, 0, true}}) {
        unit->World().battery = r.volts;
        const PowerStatus s = PowerPolicyStep(*hw, r.step);
        EXPECT_EQ(s.source, 2) << r.volts;
        EXPECT_EQ(s.picture, r.picture) << r.volts << " step " << r.step;
        EXPECT_EQ(s.level, r.level) << r.volts;
        EXPECT_EQ(s.poweredOff, r.off) << r.volts;
        EXPECT_EQ(unit->PoweredOff(), r.off) << r.volts;
    }
    EXPECT_NEAR(GetBatteryVoltage(*hw), 6.4f, 0.01f);
}

// Regression: a battery that could not be read counted as 0 V and switched
// the unit off at the first check.
TEST_F(PowerPolicy, UnreadableBatteryNeverSwitchesOff) {
    unit->FailRequests(IOCTL_AUX_CONVERT, -1);
    const PowerStatus s = PowerPolicyStep(*hw, 0);
    EXPECT_FALSE(s.batteryRead);
    EXPECT_FALSE(s.poweredOff);
    EXPECT_EQ(s.picture, PowerStatus::Picture::Empty);
    EXPECT_EQ(Sent(IOCTL_POWER_OFF), 0u);
    EXPECT_EQ(GetBatteryVoltage(*hw), 0.0f);
}

TEST_F(PowerPolicy, ExternalSupplyStopsTheChargerAboveItsLimit) {
    unit->World().supply = sim::Supply::External;
    unit->World().battery = 8.4;
    EXPECT_EQ(PowerPolicyStep(*hw, 0).picture, PowerStatus::Picture::Full);
    EXPECT_TRUE(hw->GetChargerShutdown());
    EXPECT_EQ(unit->LineState(13).level, 0u);
    unit->World().battery = 8.0;
    PowerPolicyStep(*hw, 1);
    EXPECT_FALSE(hw->GetChargerShutdown());
    EXPECT_EQ(unit->LineState(13).level, 1u);
}

TEST(ChargerRule, StopsOnlyStrictlyAboveTheLimit) {
    EXPECT_FALSE(ChargerStops(8.3f));
    EXPECT_TRUE(ChargerStops(8.31f));
}

TEST_F(PowerPolicy, ChargingAnimatesThroughFivePictures) {
    unit->World().supply = sim::Supply::Charging;
    unit->World().battery = 7.9;
    EXPECT_EQ(PowerPolicyStep(*hw, 0).source, 1);  // charger held off at start: not charging yet
    const PowerStatus s = PowerPolicyStep(*hw, 7);
    EXPECT_EQ(s.source, 0);
    EXPECT_EQ(s.picture, PowerStatus::Picture::Charging);
    EXPECT_EQ(s.frame, 2);
}

// A unit without devices reads no supply and keeps running.
TEST_F(PowerPolicy, SupplyAtStartFromTheDetectLine) {
    unit->World().supply = sim::Supply::Battery;
    EXPECT_FALSE(IsExternalSupplyAtStart(*hw));
    unit->World().supply = sim::Supply::External;
    EXPECT_TRUE(IsExternalSupplyAtStart(*hw));
    platform::SetDeviceProvider(nullptr);
    hw = std::make_unique<SensorHardware>();
    EXPECT_FALSE(IsExternalSupplyAtStart(*hw));
    EXPECT_FALSE(PowerPolicyStep(*hw, 0).poweredOff);
}

class UserActivityRule : public HardwareFixture {
protected:
    void SetUp() override {
        HardwareFixture::SetUp();
        ResetUserActivity();
        SetDimTimer(&timer);
        SetBacklightControl([this](int percent) { hw->SetBacklight(percent); });
        g_configuration.brightness = 8;
        g_configuration.dimLevel = 2;
        g_configuration.dimDelay = 1;  // five minutes
    }
    void TearDown() override {
        SetDimTimer(nullptr);
        SetBacklightControl({});
        ResetUserActivity();
        HardwareFixture::TearDown();
    }
    ClockDimTimer timer;
};

TEST_F(UserActivityRule, DimmedDisplaysFirstTouchOnlyWakesIt) {
    EXPECT_TRUE(ReportUserActivity());
    EXPECT_EQ(unit->BacklightPercent(), 80);
    clock.Advance(299999);
    timer.Poll();
    EXPECT_EQ(unit->BacklightPercent(), 80);
    clock.Advance(1);
    timer.Poll();
    EXPECT_EQ(unit->BacklightPercent(), 20);
    EXPECT_TRUE(IsDisplayDimmed());
    EXPECT_FALSE(timer.Running());
    EXPECT_FALSE(ReportUserActivity());  // wakes only
    EXPECT_EQ(unit->BacklightPercent(), 80);
    EXPECT_TRUE(ReportUserActivity());   // the next touch acts
}

TEST_F(UserActivityRule, ActivityRestartsTheInactivityTime) {
    ReportUserActivity();
    clock.Advance(200000);
    ReportUserActivity();
    clock.Advance(200000);
    timer.Poll();
    EXPECT_FALSE(IsDisplayDimmed());
    clock.Advance(100000);
    timer.Poll();
    EXPECT_TRUE(IsDisplayDimmed());
}

TEST_F(UserActivityRule, NoDimDelayAndDisabledDimmingNeverDim) {
    g_configuration.dimDelay = 0;
    ReportUserActivity();
    EXPECT_FALSE(timer.Running());
    clock.Advance(10 * 300000);
    timer.Poll();
    EXPECT_FALSE(IsDisplayDimmed());
    g_configuration.dimDelay = 1;
    EnableDimming(false);
    ReportUserActivity();
    clock.Advance(300000);
    timer.Poll();
    EXPECT_FALSE(IsDisplayDimmed());
    EXPECT_EQ(unit->BacklightPercent(), 80);
}

// Full brightness stops the PWM: FrontEnd.BacklightDisplayAndPowerOff.

// Start-up brings the program's hardware up on the unit installed at that time.
TEST_F(UserActivityRule, StartUpWiresTheBacklightAndDumpsTheRadiosInTestMode) {
    g_configuration.testMode = 1;
    g_configuration.notchMode = 1;
    StartSensorHardware();
    EXPECT_EQ(unit->BacklightPercent(), 80);
    EXPECT_EQ(unit->LineState(142).level, 1u);
    EXPECT_EQ(platform::ReadWholeFile(kEventLogFile, 10000).value_or("").rfind("Red Radio:", 0), 0u);
    g_configuration.brightness = 5;
    ReportUserActivity();  // through the program's hardware
    EXPECT_EQ(unit->BacklightPercent(), 50);
}
