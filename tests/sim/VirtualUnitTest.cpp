// The virtual unit as a driver stack: what it accepts, refuses and delivers,
// and that its world states the truth the program is measured against.

#include <gtest/gtest.h>

#include <cmath>
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
    EXPECT_EQ(std::tuple(s.TotalLength(), s.leakLevel, s.Of(Station::Blue).dc, s.Of(Station::Blue).dropout.length, s.supply, s.osVersion),
              std::tuple(150.0, 250.0, -20.0, 2.0, Supply::Charging, std::string("1.09")));
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

// The unit root's scenario.txt in use: unit_care_demo (its battery of 7.2 V).

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

// The fault hook (a count, then falling through; one device only) is what the
// hardware tests' failed requests rest on: Radios.FailedAttemptIsSentWholeAndRetriedAfterAPause
// and UnitCare.TuningSendsTheChannelAndShowsTheOutcome fail if it misbehaves.

// The shipped scenario file describes the built-in default world.
TEST(ScenarioText, ShippedDefaultFileIsTheBuiltInWorld) {
    const Scenario file = LoadScenarioFile(std::filesystem::path(CORRELATOR_SOURCE_DIR) / "resources/scenarios/default.txt");
    const Scenario built = DefaultScenario();
    EXPECT_EQ(std::tuple(file.seed, file.osVersion), std::tuple(built.seed, built.osVersion));
    EXPECT_DOUBLE_EQ(file.ExpectedDelaySamples(), built.ExpectedDelaySamples());
    for (int i = 0; i < kStationCount; ++i)
        EXPECT_EQ(std::tuple(file.stations[i].noise, file.stations[i].dc, file.stations[i].rssi),
                  std::tuple(built.stations[i].noise, built.stations[i].dc, built.stations[i].rssi)) << i;
}
