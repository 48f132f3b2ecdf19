#pragma once
// sim/Scenario.h — the world the virtual unit lives in: the pipe between the
// stations, the leak, what each station's sensor and radio pick up, the
// battery and supply, and the unit's fixed facts (platform version, master
// clock, converter reference). Tests and demos set the world here, never in
// the devices, and compare the program's answer with the truth stated below.
//
// Text form, one setting per line, '#' starts a comment:
//
//   seed 20240611                  random streams (every run repeats)
//   section 120 1250               length m, speed of sound m/s; 1-10 lines
//   leak 70 300                    position m from Red, RMS level (ADC counts)
//   leak_band 250 1200             Hz, 0 < low < high < 5000
//   yellow_position 200            m from Red; default: at Blue
//   mains 50                       hum frequency, 50 or 60 Hz
//   station red noise 40 dc 12 hum 15 rssi -62 clip 12 0.05 dropout 30 1.5
//                                  per station (red, blue, yellow, base):
//                                  independent noise RMS, DC offset, hum
//                                  amplitude (counts), radio level (dBm),
//                                  clip bursts and radio drop-outs (every
//                                  s, lasting s; 0 none)
//   battery 7.6                    volts at the pack
//   supply battery                 battery | external | charging
//   sensor_lines 1 1               ST_D ST_E (1 1 microphone ... 0 0 none)
//   os_version 1.20                the platform's version text
//   mclk 90000000                  timer master clock, Hz
//   vref 3.0                       auxiliary converter reference, V
//   local_signal 400               Base input amplitude seen by the gain control

#include <array>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// The world's stations, numbered as the program's station codes number them
// (0 Base, 1 Red, 2 Blue, 3 Yellow); the converter's source codes and the
// auxiliary converter's channels are mapped to them where they are decoded.
enum class Station { Base = 0, Red = 1, Blue = 2, Yellow = 3 };
constexpr int kStationCount = 4;

// The world's sampling rate: the converter triggers at 10 kHz.
constexpr double kWorldRate = 10000.0;

struct PipeSection {
    double length = 0.0;    // m, > 0
    double velocity = 0.0;  // m/s, > 0
};

// A repeating event: starts at every / 2 and then every `every` seconds,
// lasting `length` seconds. every 0 means never.
struct Recurring {
    double every = 0.0;
    double length = 0.0;
    bool ActiveAt(double seconds) const noexcept;
};

struct StationWorld {
    double noise = 30.0;    // independent sensor noise, RMS counts
    double dc = 0.0;        // counts
    double hum = 0.0;       // mains hum amplitude, counts
    double rssi = -60.0;    // radio level, dBm
    Recurring clip;         // bursts that drive the input to both rails
    Recurring dropout;      // radio lost: receiver hiss, level at the floor
};

enum class Supply { Battery, External, Charging };

class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Scenario {
    uint64_t seed = 1;
    std::vector<PipeSection> sections;
    double leakPosition = 0.0;  // m from Red
    double leakLevel = 0.0;     // RMS counts at each sensor
    double leakLow = 250.0;     // Hz
    double leakHigh = 1200.0;   // Hz
    double yellowPosition = -1.0;  // m from Red; < 0: at Blue
    int mains = 50;
    std::array<StationWorld, kStationCount> stations{};
    double battery = 7.6;  // V
    Supply supply = Supply::Battery;
    int stD = 1, stE = 1;
    std::string osVersion = "1.20";
    uint32_t mclk = 90000000;
    double vref = 3.0;
    int localSignal = 400;

    StationWorld& Of(Station s) { return stations[static_cast<size_t>(s)]; }
    const StationWorld& Of(Station s) const { return stations[static_cast<size_t>(s)]; }

    // The truth the program should find.
    double TotalLength() const;
    // Seconds for sound to travel between two points (m from Red).
    double TravelSeconds(double from, double to) const;
    // Seconds from the leak to a station's sensor; the Base hears no leak (0).
    double ArrivalSeconds(Station s) const;
    // Red's arrival minus Blue's, in samples at `rate`: positive when the
    // leak is nearer Blue, so Red hears it later.
    double ExpectedDelaySamples(double rate = kWorldRate) const;
    // How far the correlation peak may sit from ExpectedDelaySamples: the
    // nearest whole lag, so within one sample.
    static constexpr double kDelayTolerance = 1.0;

    // Throws ScenarioError when a value is out of its range.
    void Validate() const;
};

// A plausible field case: two sections of 120 m iron and 80 m plastic-lined
// pipe, a leak 70 m from Red, moderate noise and hum, good radio, a healthy
// battery. The program finds the leak out of the box.
Scenario DefaultScenario();

// Largest scenario file read, in bytes: a world is a few dozen lines.
constexpr uintmax_t kMaxScenarioBytes = 64 * 1024;

// Settings of the text over the defaults; throws ScenarioError
// "scenario line N: ..." on the first bad line, quoting at most the first
// 32 characters of a word.
Scenario ParseScenario(std::string_view text);
// Throws ScenarioError for a file that cannot be opened or is larger than
// kMaxScenarioBytes, before reading it.
Scenario LoadScenarioFile(const std::filesystem::path& file);

// The scenario a run of the program uses: `file` when given, else
// "scenario.txt" in the unit root when it exists, else the default.
Scenario LoadUnitScenario(const std::filesystem::path& file = {});

}  // namespace sim
