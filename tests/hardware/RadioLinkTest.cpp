// The receivers: channel sequence and retries, bands and tuning, presets,
// reception rating, and the information dump.

#include <limits>
#include <set>
#include <tuple>
#include <vector>
#include <utility>

#include "HardwareFixture.h"
#include "hardware/RadioLink.h"
#include "platform/Files.h"
#include "settings/EventLog.h"

using namespace hw;

namespace {

RadioRecord Record(int32_t frequency, int32_t band, int32_t spacing = 12500, uint32_t station = 2) {
    return RadioRecord{frequency, 0, band, station, spacing};
}

}  // namespace

class Radios : public HardwareFixture {
protected:
    void SetUp() override {
        HardwareFixture::SetUp();
        LoadRange7Bases();
        radio = std::make_unique<RadioLink>(*hw);
    }
    // The signal bars of stations 0 ... 4 (the base first).
    std::vector<int> Bars() {
        std::vector<int> bars;
        for (int station = 0; station <= 4; ++station) bars.push_back(radio->GetSignalBars(station));
        return bars;
    }
    std::unique_ptr<RadioLink> radio;
};

TEST_F(Radios, ChannelSequenceForAFrequencyInBandFive) {
    const RadioRecord r = Record(458812500, 4);
    EXPECT_EQ(ChannelFor(r), 25);
    // The command and reply buffers live on the sender's stack: none stays reachable.
    EXPECT_EQ(BuffersLeftRegistered([&] { EXPECT_TRUE(radio->SetRadioChannel(2, ChannelFor(r))); }),
              std::vector<uint32_t>{});
    EXPECT_EQ(unit->RadioCommands("SPI6:"), (std::vector<std::string>{"H04 19", "H06 01", "H08 19"}));
    EXPECT_EQ(unit->RadioChannel(2), 25);
    EXPECT_EQ(clock.TickCountMs(), 0u);  // no pause after a success
}

TEST_F(Radios, FailedAttemptIsSentWholeAndRetriedAfterAPause) {
    unit->FailRequests(IOCTL_RADIO_COMMAND, 1);
    EXPECT_TRUE(radio->SetRadioChannel(1, 0x19));
    EXPECT_EQ(unit->RadioCommands("SPI5:"),
              (std::vector<std::string>{"", "H06 01", "H08 19", "H04 19", "H06 01", "H08 19"}));
    EXPECT_EQ(clock.TickCountMs(), 50u);
    EXPECT_EQ(unit->RadioChannel(1), 0x19);
}

TEST_F(Radios, ThreeFailedAttemptsReportFailure) {
    unit->FailRequests(IOCTL_RADIO_COMMAND, -1, "SPI5:");
    EXPECT_FALSE(radio->SetRadioChannel(1, 3));
    EXPECT_EQ(unit->RadioCommands("SPI5:").size(), 9u);
    EXPECT_EQ(clock.TickCountMs(), 150u);
    EXPECT_TRUE(radio->SetRadioChannel(2, 3));  // the other receiver is unaffected
}

TEST_F(Radios, CommandsToNoStationOrAMissingPortSendNothing) {
    EXPECT_FALSE(radio->SendRadioCommand(0, "H01"));
    EXPECT_FALSE(radio->SendRadioCommand(4, "H01"));
    unit->SetMissing("SPI7:");
    hw = std::make_unique<SensorHardware>();
    radio = std::make_unique<RadioLink>(*hw);
    unit->ClearRequests();
    EXPECT_FALSE(radio->SetParallelMode(3));
    EXPECT_TRUE(unit->Requests().empty());
}

TEST_F(Radios, GainAndParallelModes) {
    EXPECT_TRUE(radio->SetRadioGainMode(1, true));
    EXPECT_TRUE(unit->RadioFixedGain(1));
    EXPECT_TRUE(radio->SetRadioGainMode(1, false));
    EXPECT_FALSE(unit->RadioFixedGain(1));
    unit->FailRequests(IOCTL_RADIO_COMMAND, 1);
    EXPECT_FALSE(radio->SetRadioGainMode(2, true));  // one attempt only
    unit->FailRequests(IOCTL_RADIO_COMMAND, 2);
    EXPECT_TRUE(radio->SetParallelMode(2));
    EXPECT_EQ(unit->RadioCommands("SPI6:").back(), "H09 0");
    EXPECT_TRUE(unit->RadioParallel(2));
}

TEST(RadioBands, RangeSevenAndNoBandSendChannelZero) {
    LoadRange7Bases();
    EXPECT_EQ(ChannelFor(Record(467800000, 6)), 0);
    EXPECT_EQ(ChannelFor(Record(420000000, -1)), 0);
    EXPECT_EQ(ChannelFor(Record(447175000, 3, 25000)), 1);
}

TEST(RadioBands, LookUpTakesTheFirstBandHoldingTheFrequency) {
    RadioRecord r = Record(0, 0);
    for (const auto& [frequency, band] : {std::pair{447125000, 2}, {447150000, 3}, {467800000, 5}, {456000000, -1}}) {
        LookUpBand(r, frequency);
        EXPECT_EQ(r.bandIndex, band) << frequency;
    }
    EXPECT_EQ(r.frequency, 456000000);
}

// Regression: a band index read from a file outside 0..6 reached past the table.
TEST(RadioBands, IndexOutsideTheTableIsLookedUpFromTheFrequency) {
    EXPECT_EQ(ChannelFor(Record(458812500, 99)), 25);
    EXPECT_EQ(ChannelFor(Record(458812500, -7)), 25);
    // A stored index whose band does not hold the frequency stays in that band.
    EXPECT_EQ(ChannelFor(Record(458812500, 5)), 0);
    EXPECT_EQ(ChannelFor(Record(458812500, 0)), 18);  // band 0's last channel
    RadioRecord r = Record(458812500, 1234567);
    TuneStep(r, 100000);
    EXPECT_EQ(r.frequency, 458912500);
    EXPECT_EQ(r.bandIndex, 4);
    r = Record(456000000, -1);  // in no band: tunes from the nearest, band 4 (index 3)
    TuneStep(r, 1000000);
    EXPECT_EQ(r.frequency, 454150000);
    EXPECT_EQ(r.bandIndex, 3);
    r = Record(456325000, -1);  // as near band 4 (index 3) as band 5: the first of them
    TuneStep(r, 1000000);
    EXPECT_EQ(r.bandIndex, 3);
}

TEST(RadioTuning, StepsCrossBandEdges) {
    g_factory = CFactoryRecord();
    LoadRange7Bases();
    struct Step {
        int32_t by, frequency, band;
    };
    // Up: clamped at band 5's edge, then into Range 7 at its base, then down out of it.
    RadioRecord r = Record(474200000, 5);
    for (const Step& s : {Step{1000000, 474700000, 5}, {1000000, 467800000, 6}, {-12500, 474700000, 5}}) {
        TuneStep(r, s.by);
        EXPECT_EQ(r.frequency, s.frequency) << s.by;
        EXPECT_EQ(r.bandIndex, s.band) << s.by;
    }
    // Down into band 0, where the lowest edge holds.
    r = Record(433062500, 1);
    for (const Step& s : {Step{-100000, 407925000, 0}, {-100000, 407825000, 0}, {-1000000, 407700000, 0}, {-1000000, 407700000, 0}}) {
        TuneStep(r, s.by);
        EXPECT_EQ(r.frequency, s.frequency) << s.by;
        EXPECT_EQ(r.bandIndex, s.band) << s.by;
    }
}

// Regression: stepping up inside Range 7 (upper edge 0) set the frequency to 0 Hz.
TEST(RadioTuning, UpwardStepInRangeSevenKeepsItsBase) {
    g_factory = CFactoryRecord();
    g_factory.redRadioFrequency = kRange7High;
    g_factory.initialised = 1;
    LoadRange7Bases();
    RadioRecord r = Record(kRange7High, 6, 12500, 1);
    for (int32_t step : {12500, 100000, 1000000}) {
        TuneStep(r, step);
        EXPECT_EQ(r.frequency, kRange7High);
        EXPECT_EQ(r.bandIndex, 6);
    }
}

TEST(ReceptionRating, BarsForLevels) {
    for (const auto& [level, bars] : {std::pair{-35.0f, 5}, {-20.0f, 10}, {5.0f, 10}, {-50.0f, 0}, {-90.0f, 0}})
        EXPECT_EQ(BarsForLevel(level, -50.0f, 30.0f), bars) << level;
    EXPECT_EQ(BarsForLevel(-48.0f, -50.0f, 1.0f), 4);  // span below 5 dB counts as 5
}

// A settings file can hold any float: the rating never converts a NaN or an
// infinity to an integer.
TEST(ReceptionRating, NonFiniteFloorOrSpanGivesABarCountInRange) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    for (auto [floor, span, bars] : {std::tuple{nan, 30.0f, 0}, {-50.0f, nan, 0}, {-inf, 30.0f, 10}, {inf, 30.0f, 0}, {-50.0f, inf, 0}})
        EXPECT_EQ(BarsForLevel(-35.0f, floor, span), bars) << floor << " " << span;
}

TEST(ReceptionRating, WindowKeepsTheLastTwentyReadings) {
    ReceptionWindow w;
    for (int i = 0; i < 5; ++i) w.Add(-1);
    for (int i = 0; i < 20; ++i) w.Add(700);
    EXPECT_EQ(w.Count(), 20);
    EXPECT_EQ(w.Average(), 700);
    w.Add(681);
    EXPECT_EQ(w.Average(), (19 * 700 + 681) / 20);
}

TEST(ReceptionRating, LevelFromTheConverter) {
    g_factory = CFactoryRecord();  // 3.0 V reference
    EXPECT_NEAR(RssiToDbm(341), -120.0826f, 1e-3);  // 1 V less 1 mV at 84.6 dB/V above -120 dBm
    EXPECT_EQ(RssiToDbm(0), -140.0f);
    EXPECT_EQ(RssiToDbm(1023), 5.0f);
}

TEST_F(Radios, SignalBarsFollowTheWorldsRadioLevels) {
    unit->World().Of(sim::Station::Red).rssi = -34;
    unit->World().Of(sim::Station::Blue).rssi = -20;
    unit->World().Of(sim::Station::Yellow).rssi = -50;
    EXPECT_EQ(Bars(), (std::vector<int>{10, 5, 10, 0, 0}));
    EXPECT_EQ(Sent(IOCTL_AUX_CONVERT), 6u);  // two conversions per radio, the first discarded
}

TEST_F(Radios, FailedReadingsLowerTheRating) {
    unit->World().Of(sim::Station::Red).rssi = -18;
    EXPECT_EQ(radio->GetSignalBars(1), 10);
    unit->FailRequests(IOCTL_AUX_CONVERT, -1);
    EXPECT_EQ(radio->GetSignalBars(1), 0);  // one good reading and one -1 average far below the floor
}

TEST_F(Radios, InformationDumpGoesToTheLogInTestMode) {
    g_configuration.testMode = 1;
    unit->FailRequests(IOCTL_RADIO_COMMAND, 1, "SPI6:");
    radio->DumpRadioInfo();
    const std::string log = platform::ReadWholeFile(kEventLogFile, 10000).value_or("");
    const std::string red = "Red Radio:  H01:RX RED SN 4018 FW 2.31" + std::string(100 - 23, '`');
    EXPECT_EQ(log.substr(0, red.size()), red);
    EXPECT_NE(log.find("Blue Radio:  H01:*FAIL*  H02:BAND"), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 2), "\r\n");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2);
    EXPECT_EQ(unit->RadioCommands("SPI7:").size(), 0u);  // Yellow is not asked
    g_configuration.testMode = 0;
    radio->DumpRadioInfo();
    EXPECT_EQ(platform::ReadWholeFile(kEventLogFile, 10000).value_or(""), log);
}

TEST_F(Radios, CountryPresetSetsBothStationsAndTheNotch) {
    g_configuration.redManual = 1;
    const CountryPreset* canada = FindCountryPreset("Canada");
    ASSERT_NE(canada, nullptr);
    const RadioSetResult r = ApplyCountryPreset(*radio, *hw, *canada);
    EXPECT_TRUE(r.red && r.blue);
    // Red's frequency and band, the notch setting and line (60 Hz), the manual mark, Red's channel and commands.
    EXPECT_EQ(std::vector<int>({g_configuration.radio[0].frequency, g_configuration.radio[0].bandIndex,
                                g_configuration.notchMode, static_cast<int>(unit->LineState(142).level),
                                g_configuration.redManual, unit->RadioChannel(1),
                                static_cast<int>(unit->RadioCommands("SPI5:").size())}),
              std::vector<int>({446300000, 2, 1, 1, 0, (446300000 - 439700000) / 12500, 3}));
}

TEST_F(Radios, PolandPresetSetsSpacingsAndSendsRedTwice) {
    ApplyCountryPreset(*radio, *hw, *FindCountryPreset("Poland"));
    // Spacings, the factory's 12.5 kHz flags, the manual mark, Red's commands and channel.
    EXPECT_EQ(std::vector<int>({g_configuration.radio[0].spacing, g_configuration.radio[1].spacing, g_factory.redRadioSetting,
                                g_factory.radioSetting & 0xFF, g_configuration.redManual,
                                static_cast<int>(unit->RadioCommands("SPI5:").size()), unit->RadioChannel(1)}),
              std::vector<int>({25000, 12500, 0, 1, 1, 6, (451950000 - 447150000) / 25000}));
}

// Red's spacing is its own: each toggle changes it and leaves Blue's alone.
TEST_F(Radios, RedSpacingToggleLeavesBlueAlone) {
    const int32_t blue = g_configuration.radio[1].spacing;
    std::vector<int32_t> red;
    for (int k = 0; k < 2; ++k) {
        EXPECT_TRUE(ToggleSpacing(*radio, 1));
        red.push_back(g_configuration.radio[0].spacing);
        EXPECT_EQ(g_configuration.radio[1].spacing, blue) << k;
    }
    EXPECT_EQ(std::set<int32_t>(red.begin(), red.end()), (std::set<int32_t>{12500, 25000}));
}

TEST_F(Radios, RangeSevenToggleMovesTheBaseOfBlueAndYellow) {
    g_factory.initialised = 0;
    g_factory.radioFrequency = kRange7Low;
    EXPECT_TRUE(ToggleRange7Base(*radio, 2));
    EXPECT_EQ(g_factory.radioFrequency, kRange7High);
    EXPECT_EQ(g_factory.redRadioFrequency, kRange7Low);  // copied before the first change
    EXPECT_EQ(BandTableOf(3)[6].lower, kRange7High);
    EXPECT_EQ(BandTableOf(1)[6].lower, kRange7Low);
    EXPECT_TRUE(ToggleSpacing(*radio, 2));
    EXPECT_EQ(g_configuration.radio[2].spacing, 25000);
}
