// The front end's lines, converters and settings as the virtual unit sees them.

#include <cstring>

#include "CommaLocale.h"
#include "HardwareFixture.h"

using namespace hw;

namespace {

// Names and levels of the line writes in the log, in order.
std::vector<std::string> LineWrites(const sim::VirtualUnit& unit) {
    std::vector<std::string> w;
    for (const auto& r : unit.RequestsWith(IOCTL_GPIO_SET)) {
        uint32_t level;
        std::memcpy(&level, r.in.data() + 4, 4);
        w.push_back(r.text + "=" + std::to_string(level));
    }
    return w;
}

}  // namespace

class FrontEnd : public HardwareFixture {};

TEST_F(FrontEnd, StartSendsTheLineTableOnceAsTwentySevenRecords) {
    unit->ClearRequests();
    SensorHardware fresh;
    const auto configure = unit->RequestsWith(IOCTL_GPIO_CONFIGURE);
    ASSERT_EQ(configure.size(), 1u);
    ASSERT_EQ(configure[0].in.size(), 540u);
    // First record after its name token: pin 130, level 1, reserved 0 and padding, mode 3.
    const uint8_t first[16] = {130, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0};
    EXPECT_EQ(std::memcmp(configure[0].in.data() + 4, first, 16), 0);
    EXPECT_EQ(configure[0].text.substr(0, 32), "HP_SHDN,HP_VOL_CLK,HP_VOL_UP/DN,");
    EXPECT_EQ(unit->LineState(147).name, "VEXT_DET");
    EXPECT_EQ(unit->LineState(147).mode, sim::kModeInput);
    EXPECT_EQ(unit->LineState(54).level, 1u);  // BYPASS_HPF
    EXPECT_EQ(unit->LineState(13).level, 0u);  // CHG_SHDN: charger held off until the policy allows it
}

TEST_F(FrontEnd, SensorTypeDrivesTheSelectionOnlyWhenItChanges) {
    unit->World().stD = 0;
    unit->World().stE = 1;
    EXPECT_EQ(hw->DetectSensorType(), 1);  // hydrophone
    EXPECT_EQ(LineWrites(*unit), (std::vector<std::string>{"GND_MIC=0", "MONITRAN=0", "A_SENSOR=0", "HYDRO=1"}));
    ASSERT_NE(unit->TimerConfig(1), nullptr);
    EXPECT_EQ(unit->TimerConfig(1)->word[1], 62500u);
    unit->ClearRequests();
    EXPECT_EQ(hw->DetectSensorType(), 1);
    EXPECT_EQ(Sent(IOCTL_GPIO_SET), 0u);
    EXPECT_EQ(Sent(IOCTL_TMR_CONFIG), 0u);
    unit->World().stD = 1;
    unit->World().stE = 1;
    EXPECT_EQ(hw->DetectSensorType(), 3);  // microphone
    EXPECT_EQ(LineWrites(*unit), (std::vector<std::string>{"GND_MIC=0", "HYDRO=0", "A_SENSOR=0", "MONITRAN=1"}));
    EXPECT_EQ(unit->TimerConfig(1)->word[1], 500000u);
}

TEST_F(FrontEnd, SelectionThatFailedIsWrittenAgainNextTime) {
    unit->World().stD = 1;
    unit->World().stE = 0;
    unit->FailRequests(IOCTL_GPIO_SET, 1);
    EXPECT_EQ(hw->DetectSensorType(), 2);
    unit->ClearRequests();
    EXPECT_EQ(hw->DetectSensorType(), 2);
    EXPECT_EQ(LineWrites(*unit), (std::vector<std::string>{"GND_MIC=0", "HYDRO=0", "MONITRAN=0", "A_SENSOR=1"}));
}

TEST_F(FrontEnd, HeadphoneVolumeStepsOnlyForAChange) {
    EXPECT_EQ(hw->ResetHeadphoneVolume(), -1);
    EXPECT_EQ(Sent(IOCTL_GPIO_SET), 45u);  // 15 down steps of three writes
    unit->ClearRequests();
    EXPECT_EQ(hw->ResetHeadphoneVolume(), 0);
    hw->SetHeadphoneVolume(0);
    EXPECT_EQ(Sent(IOCTL_GPIO_SET), 0u);
    hw->SetHeadphoneVolume(2);
    EXPECT_EQ(LineWrites(*unit), (std::vector<std::string>{"HP_VOL_UP/DN=1", "HP_VOL_CLK=0", "HP_VOL_CLK=1",
                                                           "HP_VOL_UP/DN=1", "HP_VOL_CLK=0", "HP_VOL_CLK=1"}));
    unit->ClearRequests();
    hw->SetHeadphoneVolume(2);
    EXPECT_TRUE(unit->Requests().empty());
    hw->SetHeadphoneVolume(1);
    EXPECT_EQ(LineWrites(*unit).front(), "HP_VOL_UP/DN=0");
}

TEST_F(FrontEnd, PowerSourceFromTheSupplyAndTheCharger) {
    // Charging reads as external while the charger is still shut down.
    for (const auto& [supply, source] : {std::pair{sim::Supply::Battery, 2}, {sim::Supply::External, 1}, {sim::Supply::Charging, 1}}) {
        unit->World().supply = supply;
        EXPECT_EQ(hw->GetPowerSource(), source) << source;
    }
    hw->SetChargerShutdown(false);
    EXPECT_EQ(hw->GetPowerSource(), 0);
    EXPECT_EQ(unit->LineState(10).mode, sim::kModeInput);  // CHG back to an input
}

TEST_F(FrontEnd, LedsNotchAndListenSwitches) {
    hw->SetStatusLeds(1);
    EXPECT_EQ(unit->LineState(27).level, 0u);  // green lit
    EXPECT_EQ(unit->LineState(26).level, 1u);
    hw->SetNotchMode(2);
    EXPECT_EQ(LineWrites(*unit).back(), "BYPASS_NOTCH=1");
    unit->ClearRequests();
    hw->SetListenSourceRight(3);
    ASSERT_EQ(Sent(IOCTL_GPIO_CONFIGURE), 1u);
    EXPECT_EQ(unit->RequestsWith(IOCTL_GPIO_CONFIGURE)[0].text, "ASW_S2_B,ASW_S1_B,ASW_S0_B");
    EXPECT_EQ((std::vector<uint32_t>{unit->LineState(62).level, unit->LineState(61).level, unit->LineState(60).level}),
              (std::vector<uint32_t>{0, 1, 1}));
    EXPECT_EQ(hw->GetListenSourceRight(), 3);
    EXPECT_EQ(hw->GetListenSourceLeft(), 6);
}

// Each level band's first and last level, gain 1000 going in.
TEST(LocalGainRule, LevelBandsAndTheirBoundaries) {
    const std::pair<uint16_t, uint16_t> rows[] = {{613, 1122}, {614, 1059}, {634, 1059}, {635, 1023}, {664, 1023}, {665, 1000},
                                        {725, 1000}, {726, 977},  {791, 977},  {792, 944},  {886, 944},  {887, 891}};
    for (const auto& [level, gain] : rows) EXPECT_EQ(SensorHardware::NextLocalGain(level, 1000), gain) << level;
}

TEST(LocalGainRule, SmallGainsMoveByOneAndStayInRange) {
    EXPECT_EQ(SensorHardware::NextLocalGain(0, 5), 6);  // 5 x 1.122 truncates to 5
    EXPECT_EQ(SensorHardware::NextLocalGain(1000, 5), 4);
    EXPECT_EQ(SensorHardware::NextLocalGain(1000, 0), 0);
    EXPECT_EQ(SensorHardware::NextLocalGain(0, 4095), 4095);
    EXPECT_EQ(SensorHardware::NextLocalGain(0, 4000), 4095);
}

TEST_F(FrontEnd, GainControlSettlesTheBaseLevelInItsWindow) {
    unit->World().localSignal = 400;
    for (int i = 0; i < 200 && hw->LocalGainRunning(); ++i) hw->StepLocalGain();
    EXPECT_TRUE(hw->LocalGainRunning());
    EXPECT_GE(hw->LocalLevel(), 665);
    EXPECT_LE(hw->LocalLevel(), 725);
    EXPECT_EQ(unit->LocalGain(), hw->LocalGain());
    unit->ClearRequests();
    hw->StepLocalGain();
    EXPECT_EQ(Sent(IOCTL_SET_LOCAL_GAIN), 0u);  // in the window: nothing sent
}

TEST_F(FrontEnd, FailedGainRequestStopsTheControl) {
    unit->FailRequests(IOCTL_SET_LOCAL_GAIN, 1);
    hw->StepLocalGain();
    EXPECT_FALSE(hw->LocalGainRunning());
    EXPECT_NE(debug.find("SetLocalGain failed\r\n"), std::string::npos);
    unit->FailRequests(IOCTL_GET_LOCAL_LEVEL, 1);
    EXPECT_EQ(hw->GetLocalSignalLevel(), -1);
    EXPECT_NE(debug.find("GetLocalSignalLevel failed\r\n"), std::string::npos);
}

TEST_F(FrontEnd, OldPlatformHasNoBaseGainRequests) {
    unit->World().osVersion = "1.08";
    hw = std::make_unique<SensorHardware>();
    unit->ClearRequests();
    EXPECT_TRUE(hw->SetLocalGain(100));
    EXPECT_EQ(hw->GetLocalSignalLevel(), 0);
    EXPECT_EQ(Sent(IOCTL_SET_LOCAL_GAIN) + Sent(IOCTL_GET_LOCAL_LEVEL), 0u);
}

TEST_F(FrontEnd, PlatformVersionIsReadOnceAndAFailureKeepsOneHundred) {
    unit->World().osVersion = "1.17";
    EXPECT_EQ(hw->GetOsVersion(), 117);
    EXPECT_EQ(hw->GetOsVersionText(), "OS: 1.17");
    unit->World().osVersion = "2.00";
    EXPECT_EQ(hw->GetOsVersion(), 117);
    hw = std::make_unique<SensorHardware>();
    unit->FailRequests(IOCTL_OS_VERSION, 1);
    EXPECT_EQ(hw->GetOsVersion(), 100);
    EXPECT_EQ(hw->GetOsVersion(), 100);
    unit->FailRequests(IOCTL_OS_VERSION, 1);
    EXPECT_EQ(hw->GetOsVersionText(), "OS:");
    unit->World().osVersion = "1.2345678901234567890";  // twenty characters and more: cut at twenty
    EXPECT_EQ(hw->GetOsVersionText(), "OS: 1.234567890123456789");
}

// A version text whose hundredths do not fit the version number keeps one
// hundred; the conversion used to be a plain cast.
TEST_F(FrontEnd, PlatformVersionBeyondItsRangeKeepsOneHundred) {
    for (const auto& [text, version] : {std::pair{"1e300", 100}, {"-1", 100}, {"inf", 100}, {"21474836.48", 100},
                                        {"21474836.46", 2147483646}}) {
        unit->World().osVersion = text;
        EXPECT_EQ(SensorHardware().GetOsVersion(), version) << text;
    }
}

// Regression: under a comma-decimal locale "1.17" was read as 1.0.
TEST_F(FrontEnd, PlatformVersionReadsTheSameUnderACommaLocale) {
    CommaLocale comma;
    unit->World().osVersion = "1.17";
    EXPECT_EQ(hw->GetOsVersion(), 117);
}

TEST_F(FrontEnd, MasterClockFallsBackToTheCounterFrequency) {
    unit->FailRequests(IOCTL_TMR_FREQ, 1);
    EXPECT_EQ(hw->GetMasterClock(), 16000000u);  // 16 x the fake clock's 1 MHz
    EXPECT_NE(debug.find("\r\nIOCTL_TMR_FREQ failed. Deriving MCLK from QueryPerformanceFrequency() call.\r\n"),
              std::string::npos);
    EXPECT_EQ(hw->GetMasterClock(), 16000000u);
}

TEST_F(FrontEnd, FastMasterClockUsesThePrescaler) {
    unit->World().mclk = 4000000000u;  // period 200 000 counts: two bits of prescaling
    hw->ConfigureSampleTimer();
    const sim::TimerChannel* t = unit->TimerConfig(2);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->word[4], 0x0900C401u);
    EXPECT_EQ(t->word[6], 50000u);
}

TEST_F(FrontEnd, AuxiliaryConverterIsPreparedOnceAndRetriedAfterAFailure) {
    unit->World().Of(sim::Station::Red).rssi = -20;
    const int first = hw->ReadAuxAdc(0);
    EXPECT_GT(first, 700);
    EXPECT_EQ(Sent(IOCTL_AUX_WRITE), 2u);
    unit->FailRequests(IOCTL_AUX_CONVERT, 1);
    EXPECT_EQ(hw->ReadAuxAdc(0), -1);
    EXPECT_NEAR(hw->ReadAuxAdc(0), first, 2);
    EXPECT_EQ(Sent(IOCTL_AUX_WRITE), 2u);
}

TEST_F(FrontEnd, BacklightDisplayAndPowerOff) {
    hw->SetBacklight(40);
    EXPECT_EQ(unit->BacklightPercent(), 40);
    EXPECT_NE(debug.find("\r\nIOCTL_PWC_START on PWC0 OK\r\n"), std::string::npos);
    hw->SetBacklight(100);
    EXPECT_EQ(unit->BacklightPercent(), 100);
    EXPECT_NE(debug.find("\r\nIOCTL_PWC_STOP on PWC0 OK\r\n"), std::string::npos);
    unit->ClearRequests();
    unit->FailRequests(IOCTL_PWC_CONFIG, 1);
    hw->SetBacklight(10);
    EXPECT_EQ(Sent(IOCTL_PWC_START), 0u);
    EXPECT_NE(debug.find("\r\nIOCTL_PWC_CONFIG failed on PWC0- 31\r\n"), std::string::npos);
    unit->FailRequests(IOCTL_PWC_START, 1);
    hw->SetBacklight(20);
    EXPECT_NE(debug.find("\r\nIOCTL_PWC_START failed on PWC0- 31\r\n"), std::string::npos);
    hw->SetDisplayPower(false);
    EXPECT_FALSE(unit->DisplayOn());
    hw->PowerOff();
    EXPECT_TRUE(unit->PoweredOff());
}
