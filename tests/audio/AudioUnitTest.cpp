// The audio interface as the unit's converter: the --unit value, the 12-bit
// scale, a capture read through corrtool acquire from ALSA's file device
// (prepared noise with a known fractional delay between the channels, so no
// sound hardware is needed), absent and unusable devices, the device list,
// and the wired unit behind the other devices.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <unistd.h>

#include "TempUnitRoot.h"
#include "TestSignal.h"
#include "app/RunLoop.h"
#include "audio/AudioUnit.h"
#include "dsp/Correlation.h"
#include "hardware/CorrelationInput.h"
#include "hardware/RadioLink.h"
#include "hardware/SensorHardware.h"
#include "platform/Clock.h"
#include "platform/DeviceIo.h"
#include "sim/DriverAbi.h"
#include "tools/ToolRun.h"

namespace fs = std::filesystem;

// ---- the --unit value ----------------------------------------------------------

struct OptionRow {
    const char* text;
    bool ok;
    const char* device;
    unsigned rate;
};

class UnitOption : public ::testing::TestWithParam<OptionRow> {};

TEST_P(UnitOption, NamesTheDeviceAndRate) {
    const OptionRow& row = GetParam();
    audio::CaptureRequest request;
    std::string error;
    ASSERT_EQ(audio::ParseUnitOption(row.text, request, error), row.ok) << row.text;
    if (!row.ok) {
        EXPECT_FALSE(error.empty());
        return;
    }
    EXPECT_EQ(request.device, row.device);
    EXPECT_EQ(request.rate, row.rate);
}

INSTANTIATE_TEST_SUITE_P(
    Values, UnitOption,
    ::testing::Values(OptionRow{"audio", true, "default", 0}, OptionRow{"audio:hw:1,0", true, "hw:1,0", 0},
                      OptionRow{"audio:plughw:CARD=USB,DEV=0@44100", true, "plughw:CARD=USB,DEV=0", 44100},
                      OptionRow{"audio:", false, "", 0}, OptionRow{"audiox", false, "", 0},
                      OptionRow{"audio:x@", false, "", 0}, OptionRow{"audio:x@48k", false, "", 0},
                      OptionRow{"audio:x@9999", false, "", 0}, OptionRow{"audio:x@4294967296", false, "", 0},
                      OptionRow{"audio:@48000", false, "", 0}));

// ---- the 12-bit scale ----------------------------------------------------------

// 2048 counts per full scale; anything at or past full scale sits on a rail,
// where the channel chain blanks it as a clip, and never wraps round.
TEST(AudioScale, FullScaleIs2048CountsAndClipsOnTheRails) {
    const std::pair<float, int> rows[] = {{0.0f, 0},           {0.5f, 1024},      {-0.5f, -1024},
                                          {1.0f / 2048, 1},    {0.999f, 2046},    {1.0f, 2047},
                                          {-1.0f, -2048},      {7.5f, 2047},      {-7.5f, -2048},
                                          {NAN, -2048},        {INFINITY, 2047},  {-INFINITY, -2048}};
    for (const auto& [x, counts] : rows) EXPECT_EQ(audio::ToCounts(x), counts) << x;
}

// ---- captures from ALSA's file device ----------------------------------------------

namespace {

// Writes the captures and an ALSA configuration naming them once per run.
class FileDevices : public ::testing::Environment {
public:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("corr-audio-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        std::string config;
        auto add = [&](const std::string& name, unsigned rate, double seconds, double delay) {
            testsignal::Signal s;
            s.rate = rate;
            s.seconds = seconds;
            s.leftDelaySamples = delay;
            const std::string raw = (m_dir / (name + ".raw")).string();
            ASSERT_TRUE(testsignal::Write(raw, testsignal::Make(s)));
            config += testsignal::FileDeviceConfig(name, raw);
        };
        add("t48", 48000, 7.0, 12.3);
        add("t44", 44100, 7.0, -37.6);
        // A device whose only samples are mu-law.
        config += "pcm.ulaw { type mulaw slave { pcm { type null } format S16_LE } }\n";
        const fs::path conf = m_dir / "asoundrc";
        std::ofstream(conf) << config;
        ::setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

private:
    fs::path m_dir;
};

const auto* const kDevices = ::testing::AddGlobalTestEnvironment(new FileDevices);

double Number(const ToolResult& r, const std::string& key) {
    const std::string v = FieldOf(r.out, key);
    EXPECT_FALSE(v.empty()) << key << " missing in\n" << r.out << r.err;
    return v.empty() ? NAN : std::stod(v);
}

}  // namespace

struct CaptureRow {
    const char* unit;
    const char* stations;
    unsigned rate;
    double truth;  // samples at 10 kHz, Red later than Blue
};

class AudioAcquire : public ::testing::TestWithParam<CaptureRow> {
protected:
    void TearDown() override { platform::SetDeviceProvider(nullptr); }
    TempUnitRoot root;
};

// The resampled stream keeps the delay between the channels: the peak is the
// nearest whole lag to the true fractional one. Swapping the stations swaps
// the inputs, so the peak changes sign.
TEST_P(AudioAcquire, PeakWithinOneSampleOfTheTrueDelay) {
    const CaptureRow& row = GetParam();
    const ToolResult r = Tool({"--root", root.Path().string(), "acquire", "--unit", row.unit, "--seconds", "5",
                               "--pipe", "100:1250", "--stations", row.stations});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Number(r, "native_rate"), row.rate);
    EXPECT_EQ(Number(r, "sample_rate"), 10000);
    EXPECT_EQ(Number(r, "xruns"), 0);
    EXPECT_EQ(FieldOf(r.out, "input_ended"), "");
    EXPECT_GE(Number(r, "blocks"), 45);
    EXPECT_NEAR(Number(r, "peak_lag"), row.truth, 1.0) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Captures, AudioAcquire,
                         ::testing::Values(CaptureRow{"audio:t48", "1,2", 48000, 12.3},
                                           CaptureRow{"audio:t44@44100", "1,2", 44100, -37.6},
                                           CaptureRow{"audio:t48", "2,1", 48000, -12.3}));

// An input that ends mid-run: audio_run_demo (the run stops, says why and
// keeps its answer).

// An absent or unusable device is refused at once with a message, not a hang
// or a run of nothing.
TEST_F(AudioAcquire, UnusableDeviceIsAClearErrorAndAFailure) {
    const std::pair<const char*, const char*> rows[] = {
        {"audio:nothere", "Audio device \"nothere\" not found"},
        {"audio:hw:97,0", "Audio device \"hw:97,0\" not found"},
        {"audio:ulaw", "offers no 16-bit, 32-bit or float samples"},
        {"audio:t48@1000", "whole number of Hz from 10000"}};
    const auto start = std::chrono::steady_clock::now();
    for (const auto& [unit, message] : rows) {
        const ToolResult r = Tool({"--root", root.Path().string(), "acquire", "--unit", unit});
        EXPECT_EQ(r.code, 1) << unit;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(AudioAcquire, DevicesListsTheCaptureDevicesWithChannelsAndRates) {
    const ToolResult r = Tool({"devices"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("device=t48 channels=1-"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("rates=48000,44100,"), std::string::npos) << r.out;
}

// ---- the wired unit ---------------------------------------------------------------

// The devices an audio interface lacks answer as a unit on a cable: no sensor
// on the sensor lines, an external supply, both stations fully received, and
// the receivers' commands answered.
TEST_F(AudioAcquire, OtherDevicesBehaveAsAWiredUnit) {
    audio::CaptureRequest request;
    request.device = "t48";
    audio::InstallAudioUnit(request);
    SensorHardware hardware;
    RadioLink radio(hardware);
    EXPECT_EQ(hardware.DetectSensorType(), 0);
    EXPECT_EQ(hardware.GetPowerSource(), 1);
    for (int32_t station : {1, 2}) {
        EXPECT_TRUE(hardware.SendRadioCommand(station, "H01")) << station;
        EXPECT_EQ(radio.GetSignalBars(station), 10) << station;
    }
    // The converter refuses a gather request of the wrong size, and then has nothing armed.
    const platform::Handle adc = platform::CreateFile("SPI4:");
    const uint8_t shortRequest[3] = {};
    EXPECT_FALSE(platform::DeviceIoControl(adc, sim::ioctl::kGatherSamplesV2, shortRequest, sizeof shortRequest,
                                           nullptr, 0, nullptr));
    EXPECT_FALSE(platform::DeviceIoControl(adc, sim::ioctl::kAttachTimer, nullptr, 0, nullptr, 0, nullptr));
    platform::CloseHandle(adc);
}
