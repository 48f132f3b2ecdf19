// The virtual unit as a driver stack: what it accepts, refuses and delivers,
// and that its world states the truth the program is measured against.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "TempUnitRoot.h"
#include "platform/Clock.h"
#include "platform/DeviceIo.h"
#include "sim/VirtualUnit.h"

using namespace sim;

namespace {

// A quiet world: no noise, hum or offsets unless a test adds them.
Scenario QuietWorld() {
    Scenario s = DefaultScenario();
    for (StationWorld& st : s.stations) st = StationWorld{0.0, 0.0, 0.0, -60.0, {}, {}};
    s.leakLevel = 0;
    return s;
}

template <typename T>
bool Call(platform::Handle h, uint32_t code, const T& in, void* out = nullptr, uint32_t outSize = 0,
          uint32_t* returned = nullptr) {
    return platform::DeviceIoControl(h, code, &in, sizeof in, out, outSize, returned);
}

int16_t Decode(uint16_t raw) { return static_cast<int16_t>(static_cast<int16_t>(raw ^ 0x800F) >> 4); }

}  // namespace

TEST(ScenarioText, SettingsOverrideTheDefaultsLineByLine) {
    const Scenario s = ParseScenario(
        "# two sections\n"
        "section 100 1000\n"
        "section 50 500   # plastic\n"
        "leak 40 250\n"
        "station blue noise 10 dc -20 dropout 30 2\n"
        "supply charging\n"
        "os_version 1.09\n");
    ASSERT_EQ(s.sections.size(), 2u);
    EXPECT_DOUBLE_EQ(s.TotalLength(), 150.0);
    EXPECT_DOUBLE_EQ(s.leakLevel, 250.0);
    EXPECT_DOUBLE_EQ(s.Of(Station::Blue).dc, -20.0);
    EXPECT_DOUBLE_EQ(s.Of(Station::Blue).dropout.length, 2.0);
    EXPECT_EQ(s.supply, Supply::Charging);
    EXPECT_EQ(s.osVersion, "1.09");
}

TEST(ScenarioText, ABadLineIsNamedByItsNumber) {
    try {
        ParseScenario("seed 4\n\nleak 10 x\n");
        FAIL() << "no error";
    } catch (const ScenarioError& e) {
        EXPECT_STREQ(e.what(), "scenario line 3: 'x' is not a number");
    }
    EXPECT_THROW(ParseScenario("colour red\n"), ScenarioError);
    EXPECT_THROW(ParseScenario("station green noise 1\n"), ScenarioError);
    EXPECT_THROW(ParseScenario("section 100 1000\nleak 120 300\n"), ScenarioError);  // beyond the pipe
    EXPECT_THROW(ParseScenario("mains 55\n"), ScenarioError);
}

// Numbers that become integers used to be cast unchecked: "mains 1e300" was
// undefined behaviour instead of an error.
TEST(ScenarioText, WholeNumbersBeyondTheirTypeAreRefused) {
    for (const char* line : {"mains 1e300", "mains -3e9", "sensor_lines 1e10 1", "sensor_lines 1 -1e10",
                             "local_signal 4294967296", "mclk 4294967296", "mclk -1e30", "seed 1e20"}) {
        try {
            ParseScenario(line);
            ADD_FAILURE() << line;
        } catch (const ScenarioError& e) {
            EXPECT_NE(std::string(e.what()).find("is out of range"), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(ParseScenario("mclk 4294967295\n").mclk, 4294967295u);
    EXPECT_EQ(ParseScenario("seed 1e18\n").seed, 1000000000000000000u);
    EXPECT_EQ(ParseScenario("mains 60.9\n").mains, 60);
}

TEST(ScenarioText, UnitRootFileIsUsedWhenNoFileIsNamed) {
    TempUnitRoot root;
    EXPECT_EQ(LoadUnitScenario().sections.size(), DefaultScenario().sections.size());
    std::ofstream(root.Path() / "scenario.txt") << "section 300 1200\nleak 100 200\n";
    EXPECT_DOUBLE_EQ(LoadUnitScenario().TotalLength(), 300.0);
}

// A scenario file is bounded before it is read, and an error quotes only the
// start of a word (a 1.5 GB file took 4.6 GB of memory and its refusal
// printed the whole word).
TEST(ScenarioText, AFileOverTheBoundIsRefusedAndLongWordsAreCut) {
    TempUnitRoot root;
    const auto file = root.Path() / "scenario.txt";
    std::ofstream(file) << "seed 5\n" << std::string(kMaxScenarioBytes - 7, '#');
    EXPECT_EQ(LoadUnitScenario().seed, 5u);
    std::ofstream(file, std::ios::app) << '#';
    EXPECT_THROW(LoadUnitScenario(), ScenarioError);
    try {
        ParseScenario("leak 10 " + std::string(1000, 'x'));
        FAIL() << "no error";
    } catch (const ScenarioError& e) {
        EXPECT_EQ(std::string(e.what()), "scenario line 1: '" + std::string(32, 'x') + "...' is not a number");
    }
}

TEST(ScenarioTruth, DelayFollowsTheSectionsSpeeds) {
    Scenario s = QuietWorld();
    s.sections = {{100.0, 1000.0}, {50.0, 500.0}};
    s.leakPosition = 40.0;  // 40 ms to Red; 60 ms + 100 ms to Blue
    EXPECT_NEAR(s.ExpectedDelaySamples(), (0.04 - 0.16) * 10000, 1e-6);
    s.leakPosition = 150.0;
    EXPECT_NEAR(s.ExpectedDelaySamples(), 0.2 * 10000, 1e-6);
}

// The signal is a function of the sample number alone.
TEST(SignalWorldStream, AnyBlockSplitGivesTheSameSamples) {
    Scenario s = DefaultScenario();
    s.Of(Station::Red).clip = {0.2, 0.01};
    SignalWorld world(s);
    std::vector<int16_t> whole(3000), parts(3000);
    world.Render(Station::Red, 5000, whole);
    for (size_t at = 0; at < parts.size(); at += 7)
        world.Render(Station::Red, 5000 + static_cast<int64_t>(at),
                     std::span<int16_t>(parts).subspan(at, std::min<size_t>(7, parts.size() - at)));
    EXPECT_EQ(whole, parts);
}

TEST(SignalWorldStream, LeakReachesBothStationsWithTheStatedDelay) {
    Scenario s = QuietWorld();
    s.sections = {{120.0, 1250.0}};
    s.leakPosition = 45.5;  // a fractional delay: (45.5 - 74.5) / 1250 s = -232 samples
    s.leakLevel = 400;
    SignalWorld world(s);
    const int n = 20000;
    std::vector<int16_t> red(n), blue(n);
    world.Render(Station::Red, 0, red);
    world.Render(Station::Blue, 0, blue);
    const int expected = static_cast<int>(std::lround(s.ExpectedDelaySamples()));
    int best = 0;
    double bestSum = -1e300;
    for (int lag = expected - 4; lag <= expected + 4; ++lag) {
        double sum = 0;
        for (int i = 3000; i < n - 3000; ++i) sum += double(blue[i]) * red[i + lag];
        if (sum > bestSum) bestSum = sum, best = lag;
    }
    EXPECT_EQ(best, expected);
}

class VirtualDevices : public ::testing::Test {
protected:
    void SetUp() override {
        unit = InstallVirtualUnit(QuietWorld());
        unit->ClearFaults();
    }
    void TearDown() override { platform::SetDeviceProvider(nullptr); }
    platform::Handle Open(const char* name) { return platform::CreateFile(name); }

    platform::FakeClock clock;
    platform::ScopedClock scoped{clock};
    std::shared_ptr<VirtualUnit> unit;
};

TEST_F(VirtualDevices, UnknownNamesAndMissingDevicesDoNotOpen) {
    EXPECT_EQ(Open("SPI9:"), platform::kInvalidHandle);
    EXPECT_NE(Open("spi4:"), platform::kInvalidHandle);  // names are case-insensitive
    unit->SetMissing("SPI5:");
    EXPECT_EQ(Open("SPI5:"), platform::kInvalidHandle);
    EXPECT_NE(platform::ActivateDeviceEx("\\Drivers\\SensorDAC"), platform::kInvalidHandle);
    EXPECT_EQ(platform::ActivateDeviceEx("\\Drivers\\Other"), platform::kInvalidHandle);
}

TEST_F(VirtualDevices, UnknownCodesAndWrongSizesAreRefused) {
    const platform::Handle gpio = Open("PIO1:"), aux = Open("SPI3:"), adc = Open("SPI4:");
    const uint32_t pin = 55;
    uint8_t out[8];
    EXPECT_FALSE(Call(gpio, 0x00220000, pin));
    EXPECT_FALSE(Call(gpio, ioctl::kGpioGet, pin, out, 8));  // 4 bytes in, 8 wanted
    EXPECT_FALSE(Call(aux, ioctl::kAuxConvert, uint16_t{9}, out, 2));  // no channel 9
    EXPECT_FALSE(Call(aux, ioctl::kDisplayPower, uint8_t{2}));
    uint8_t small[100];
    EXPECT_FALSE(platform::DeviceIoControl(adc, ioctl::kReadBlock, nullptr, 0, small, sizeof small, nullptr));
    EXPECT_FALSE(platform::DeviceIoControl(adc, ioctl::kAttachTimer, nullptr, 0, nullptr, 0, nullptr));  // nothing armed
}

TEST_F(VirtualDevices, FaultHookFailsTheNamedCountThenFallsThrough) {
    const platform::Handle aux = Open("SPI3:");
    unit->FailRequests(ioctl::kDisplayPower, 2);
    EXPECT_FALSE(Call(aux, ioctl::kDisplayPower, uint8_t{0}));
    EXPECT_FALSE(Call(aux, ioctl::kDisplayPower, uint8_t{0}));
    EXPECT_TRUE(unit->DisplayOn());  // a failed request never reached the device
    EXPECT_TRUE(Call(aux, ioctl::kDisplayPower, uint8_t{0}));
    EXPECT_FALSE(unit->DisplayOn());
    unit->FailRequests(ioctl::kDisplayPower, -1, "SPI7:");  // another device: no effect here
    EXPECT_TRUE(Call(aux, ioctl::kDisplayPower, uint8_t{1}));
}

TEST_F(VirtualDevices, AuxiliaryConverterReadsZeroUntilPreparedThenTheWorld) {
    const platform::Handle aux = Open("SPI3:");
    unit->World().battery = 7.6;
    uint16_t raw = 1;
    ASSERT_TRUE(Call(aux, ioctl::kAuxConvert, uint16_t{kAuxBattery}, &raw, 2));
    EXPECT_EQ(raw, 0);
    uint16_t ignored;
    Call(aux, ioctl::kAuxWrite, uint16_t{0xA000}, &ignored, 2);
    Call(aux, ioctl::kAuxWrite, uint16_t{0xA204}, &ignored, 2);
    ASSERT_TRUE(Call(aux, ioctl::kAuxConvert, uint16_t{kAuxBattery}, &raw, 2));
    EXPECT_EQ(raw & 0x3F, 0);  // ten bits, shifted left by six
    EXPECT_NEAR((raw >> 6) * 3.0 / 1024 * 43 / 15, 7.6, 0.01);
}

TEST_F(VirtualDevices, ChargeStatusFollowsSupplyAndChargerLine) {
    const platform::Handle gpio = Open("PIO1:");
    unit->World().supply = Supply::Charging;
    EXPECT_EQ(unit->ReadPin(147), 0u);  // supply present
    EXPECT_EQ(unit->ReadPin(12), 1u);   // charger line never enabled: not charging
    const char name[] = "CHG_SHDN";
    const uint32_t token = platform::RegisterSharedBuffer(const_cast<char*>(name), sizeof name);
    GpioLine line{token, 13, 1, 0, {}, kModeOutput};
    ASSERT_TRUE(Call(gpio, ioctl::kGpioConfigure, line));
    EXPECT_EQ(unit->ReadPin(12), 0u);
    EXPECT_EQ(unit->LineState(13).name, "CHG_SHDN");
    line.reserved = 1;  // a malformed record changes nothing
    line.level = 0;
    EXPECT_FALSE(Call(gpio, ioctl::kGpioConfigure, line));
    EXPECT_EQ(unit->ReadPin(12), 0u);
    platform::UnregisterSharedBuffer(token);
}

TEST_F(VirtualDevices, ReceiverTakesAChannelOnlyFromTheFullSequence) {
    const platform::Handle red = Open("SPI5:");
    std::u16string reply(100, u'x');
    auto send = [&](const std::u16string& text) {
        std::u16string t = text;
        RadioCommand c{platform::RegisterSharedBuffer(reply.data(), 200),
                       platform::RegisterSharedBuffer(t.data(), static_cast<uint32_t>(t.size() * 2)),
                       static_cast<uint32_t>(t.size())};
        const bool ok = Call(red, ioctl::kRadioCommand, c);
        platform::UnregisterSharedBuffer(c.reply);
        platform::UnregisterSharedBuffer(c.text);
        return ok;
    };
    EXPECT_TRUE(send(u"H04 19"));
    EXPECT_FALSE(send(u"H08 19"));  // H06 01 missing
    EXPECT_TRUE(send(u"H06 01"));
    EXPECT_FALSE(send(u"H08 1A"));  // not the channel of H04
    EXPECT_EQ(unit->RadioChannel(1), -1);
    EXPECT_TRUE(send(u"H04 19"));
    EXPECT_TRUE(send(u"H06 01"));
    EXPECT_TRUE(send(u"H08 19"));
    EXPECT_EQ(unit->RadioChannel(1), 0x19);
    EXPECT_TRUE(send(u"H01"));
    EXPECT_EQ(reply.substr(0, 6), u"RX RED");
    EXPECT_EQ(reply[99], u'\0');
    EXPECT_FALSE(send(u"H05"));
}

// The sampling converter: arming, trigger, pacing and the selected inputs.
class VirtualConverter : public VirtualDevices {
protected:
    void SetUp() override {
        VirtualDevices::SetUp();
        Scenario s = QuietWorld();
        s.Of(Station::Red).dc = 300;
        s.Of(Station::Blue).dc = -200;
        s.Of(Station::Base).dc = 50;
        unit->SetScenario(s);
        adc = Open("SPI4:");
        timer = Open("TMR0:");
        for (auto& b : blocks) b.fill(0xFF);
        for (size_t i = 0; i < blocks.size(); ++i)
            table[i] = platform::RegisterSharedBuffer(blocks[i].data(), kBlockBytes);
        tableToken = platform::RegisterSharedBuffer(table.data(), sizeof table);
    }
    void TearDown() override {
        for (uint32_t t : table) platform::UnregisterSharedBuffer(t);
        platform::UnregisterSharedBuffer(tableToken);
        VirtualDevices::TearDown();
    }
    bool Arm(uint32_t code, uint32_t left, uint32_t right) {
        const GatherRequest g{left, right, kPairsPerBlock, 4, tableToken};
        return Call(adc, code, g) &&
               platform::DeviceIoControl(adc, ioctl::kAttachTimer, nullptr, 0, nullptr, 0, nullptr);
    }
    void Trigger(uint32_t period) {
        TimerChannel t{};
        t.word[0] = 2;
        t.word[1] = 10000;
        t.word[4] = 0x0900C400;
        t.word[6] = period;
        ASSERT_TRUE(Call(timer, ioctl::kTmrConfig, t));
    }
    static uint32_t Header(const std::array<uint8_t, kBlockBytes>& b) {
        uint32_t h;
        std::memcpy(&h, b.data(), 4);
        return h;
    }
    static int16_t Sample(const std::array<uint8_t, kBlockBytes>& b, int pair, int side) {
        uint16_t w;
        std::memcpy(&w, b.data() + 4 + 4 * pair + 2 * side, 2);
        return Decode(w);
    }

    platform::Handle adc = platform::kInvalidHandle, timer = platform::kInvalidHandle;
    std::array<std::array<uint8_t, kBlockBytes>, 4> blocks{};
    std::array<uint32_t, 4> table{};
    uint32_t tableToken = 0;
};

TEST_F(VirtualConverter, BlockReadWaitsOnTheClockForAFullBlock) {
    ASSERT_TRUE(Arm(ioctl::kGatherSamplesV2, kSourceRed, kSourceBlue));
    Trigger(4500);  // 90 MHz / (2 x 4500) = 10 kHz
    std::array<uint8_t, kBlockBytes> out{};
    uint32_t returned = 0;
    ASSERT_TRUE(platform::DeviceIoControl(adc, ioctl::kReadBlock, nullptr, 0, out.data(), kBlockBytes, &returned));
    EXPECT_EQ(returned, kBlockBytes);
    EXPECT_GE(clock.TickCountMs(), 102u);  // 1023 pairs at 10 kHz
    EXPECT_LE(clock.TickCountMs(), 103u);
    EXPECT_NE(Header(out), kEmptyHeader);
    EXPECT_EQ(Sample(out, 10, 0), 300);
    EXPECT_EQ(Sample(out, 10, 1), -200);
}

TEST_F(VirtualConverter, SourceCodesSelectTheStations) {
    ASSERT_TRUE(Arm(ioctl::kGatherSamplesV2, kSourceBase, kSourceRed));
    Trigger(4500);
    std::array<uint8_t, kBlockBytes> out{};
    ASSERT_TRUE(platform::DeviceIoControl(adc, ioctl::kReadBlock, nullptr, 0, out.data(), kBlockBytes, nullptr));
    EXPECT_EQ(Sample(out, 0, 0), 50);
    EXPECT_EQ(Sample(out, 0, 1), 300);
}

TEST_F(VirtualConverter, NoConversionsWithoutATenKilohertzTrigger) {
    ASSERT_TRUE(Arm(ioctl::kGatherSamplesV2, kSourceRed, kSourceBlue));
    std::array<uint8_t, kBlockBytes> out{};
    EXPECT_FALSE(platform::DeviceIoControl(adc, ioctl::kReadBlock, nullptr, 0, out.data(), kBlockBytes, nullptr));
    Trigger(800);  // 56 kHz
    EXPECT_FALSE(platform::DeviceIoControl(adc, ioctl::kReadBlock, nullptr, 0, out.data(), kBlockBytes, nullptr));
}

TEST_F(VirtualConverter, GatherModeFillsArmedBlocksAsTimePasses) {
    ASSERT_TRUE(Arm(ioctl::kGatherSamples, kSourceRed, kSourceBlue));
    Trigger(4500);
    clock.Advance(150);
    unit->Service();
    EXPECT_NE(Header(blocks[0]), kEmptyHeader);
    EXPECT_EQ(Header(blocks[1]), kEmptyHeader);
    EXPECT_EQ(Sample(blocks[0], 1022, 0), 300);
    clock.Advance(1000);
    unit->Service();
    for (const auto& b : blocks) EXPECT_NE(Header(b), kEmptyHeader);
    EXPECT_EQ(unit->SamplesDelivered(), 4 * 1023);  // one-shot: the gather ends after its count
}

// The shipped scenario file describes the built-in default world.
TEST(ScenarioText, ShippedDefaultFileIsTheBuiltInWorld) {
    const Scenario file = LoadScenarioFile(std::filesystem::path(CORRELATOR_SOURCE_DIR) / "resources/scenarios/default.txt");
    const Scenario built = DefaultScenario();
    EXPECT_EQ(file.seed, built.seed);
    EXPECT_DOUBLE_EQ(file.ExpectedDelaySamples(), built.ExpectedDelaySamples());
    for (int i = 0; i < kStationCount; ++i) {
        EXPECT_DOUBLE_EQ(file.stations[i].noise, built.stations[i].noise);
        EXPECT_DOUBLE_EQ(file.stations[i].dc, built.stations[i].dc);
        EXPECT_DOUBLE_EQ(file.stations[i].rssi, built.stations[i].rssi);
    }
    EXPECT_EQ(file.osVersion, built.osVersion);
}
