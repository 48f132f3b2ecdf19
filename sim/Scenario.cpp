#include "sim/Scenario.h"

#include <cmath>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/CheckedCast.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"

namespace sim {
namespace {

constexpr size_t kMaxSections = 10;
constexpr size_t kQuotedChars = 32;  // of a word named in an error

// A word as an error names it: quoted, long words cut.
std::string Quoted(const std::string& word) {
    return "'" + (word.size() > kQuotedChars ? word.substr(0, kQuotedChars) + "..." : word) + "'";
}

// The words of one line, without its comment.
std::vector<std::string> Words(std::string_view line) {
    const size_t hash = line.find('#');
    if (hash != std::string_view::npos) line = line.substr(0, hash);
    std::istringstream is{std::string(line)};
    std::vector<std::string> words;
    for (std::string w; is >> w;) words.push_back(w);
    return words;
}

class LineReader {
public:
    LineReader(int number, std::vector<std::string> words) : m_number(number), m_words(std::move(words)) {}

    [[noreturn]] void Fail(const std::string& what) const {
        throw ScenarioError("scenario line " + std::to_string(m_number) + ": " + what);
    }
    size_t Count() const { return m_words.size(); }
    const std::string& Word(size_t i) const {
        if (i >= m_words.size()) Fail(Quoted(m_words[0]) + " needs more values");
        return m_words[i];
    }
    double Number(size_t i) const {
        const std::string& w = Word(i);
        double v = 0.0;
        if (!platform::ParseWholeDouble(w, v) || !std::isfinite(v)) Fail(Quoted(w) + " is not a number");
        return v;
    }
    // A number that becomes an integer: truncated, and refused beyond Int.
    template <typename Int>
    Int Whole(size_t i, double (*adjust)(double) = nullptr) const {
        const double v = adjust ? adjust(Number(i)) : Number(i);
        const std::optional<Int> whole = platform::TruncateChecked<Int>(v);
        if (!whole) Fail(Quoted(Word(i)) + " is out of range");
        return *whole;
    }
    void ExpectCount(size_t n) const {
        if (m_words.size() != n) Fail(Quoted(m_words[0]) + " takes " + std::to_string(n - 1) + " values");
    }

private:
    int m_number;
    std::vector<std::string> m_words;
};

Station StationNamed(const LineReader& r, const std::string& name) {
    if (name == "red") return Station::Red;
    if (name == "blue") return Station::Blue;
    if (name == "yellow") return Station::Yellow;
    if (name == "base") return Station::Base;
    r.Fail("unknown station " + Quoted(name));
}

void ReadStation(const LineReader& r, StationWorld& s) {
    size_t i = 2;
    while (i < r.Count()) {
        const std::string& key = r.Word(i);
        if (key == "noise") s.noise = r.Number(i + 1), i += 2;
        else if (key == "dc") s.dc = r.Number(i + 1), i += 2;
        else if (key == "hum") s.hum = r.Number(i + 1), i += 2;
        else if (key == "rssi") s.rssi = r.Number(i + 1), i += 2;
        else if (key == "clip") s.clip = {r.Number(i + 1), r.Number(i + 2)}, i += 3;
        else if (key == "dropout") s.dropout = {r.Number(i + 1), r.Number(i + 2)}, i += 3;
        else r.Fail("unknown station setting " + Quoted(key));
    }
}

void ReadLine(const LineReader& r, Scenario& s, bool& sectionsGiven) {
    const std::string& key = r.Word(0);
    if (key == "seed") {
        r.ExpectCount(2);
        s.seed = r.Whole<uint64_t>(1, [](double v) { return std::round(std::fabs(v)); });
    } else if (key == "section") {
        r.ExpectCount(3);
        if (!sectionsGiven) s.sections.clear();
        sectionsGiven = true;
        if (s.sections.size() == kMaxSections) r.Fail("more than 10 sections");
        s.sections.push_back({r.Number(1), r.Number(2)});
    } else if (key == "leak") {
        r.ExpectCount(3);
        s.leakPosition = r.Number(1);
        s.leakLevel = r.Number(2);
    } else if (key == "leak_band") {
        r.ExpectCount(3);
        s.leakLow = r.Number(1);
        s.leakHigh = r.Number(2);
    } else if (key == "yellow_position") {
        r.ExpectCount(2);
        s.yellowPosition = r.Number(1);
    } else if (key == "mains") {
        r.ExpectCount(2);
        s.mains = r.Whole<int>(1);
    } else if (key == "station") {
        ReadStation(r, s.Of(StationNamed(r, r.Word(1))));
    } else if (key == "battery") {
        r.ExpectCount(2);
        s.battery = r.Number(1);
    } else if (key == "supply") {
        r.ExpectCount(2);
        const std::string& v = r.Word(1);
        if (v == "battery") s.supply = Supply::Battery;
        else if (v == "external") s.supply = Supply::External;
        else if (v == "charging") s.supply = Supply::Charging;
        else r.Fail("supply is battery, external or charging");
    } else if (key == "sensor_lines") {
        r.ExpectCount(3);
        s.stD = r.Whole<int>(1);
        s.stE = r.Whole<int>(2);
    } else if (key == "os_version") {
        r.ExpectCount(2);
        s.osVersion = r.Word(1);
    } else if (key == "mclk") {
        r.ExpectCount(2);
        s.mclk = r.Whole<uint32_t>(1, [](double v) { return std::fabs(v); });
    } else if (key == "vref") {
        r.ExpectCount(2);
        s.vref = r.Number(1);
    } else if (key == "local_signal") {
        r.ExpectCount(2);
        s.localSignal = r.Whole<int>(1);
    } else {
        r.Fail("unknown setting " + Quoted(key));
    }
}

void Check(bool ok, const std::string& what) {
    if (!ok) throw ScenarioError("scenario: " + what);
}

}  // namespace

bool Recurring::ActiveAt(double seconds) const noexcept {
    if (every <= 0.0 || length <= 0.0 || seconds < every / 2) return false;
    return std::fmod(seconds - every / 2, every) < length;
}

double Scenario::TotalLength() const {
    double total = 0.0;
    for (const PipeSection& s : sections) total += s.length;
    return total;
}

double Scenario::TravelSeconds(double from, double to) const {
    if (from > to) std::swap(from, to);
    double seconds = 0.0, start = 0.0;
    for (const PipeSection& s : sections) {
        const double lo = std::max(from, start), hi = std::min(to, start + s.length);
        if (hi > lo) seconds += (hi - lo) / s.velocity;
        start += s.length;
    }
    return seconds;
}

double Scenario::ArrivalSeconds(Station s) const {
    switch (s) {
    case Station::Red: return TravelSeconds(leakPosition, 0.0);
    case Station::Blue: return TravelSeconds(leakPosition, TotalLength());
    case Station::Yellow:
        return TravelSeconds(leakPosition, yellowPosition < 0 ? TotalLength() : yellowPosition);
    case Station::Base: return 0.0;
    }
    return 0.0;
}

double Scenario::ExpectedDelaySamples(double rate) const {
    return (ArrivalSeconds(Station::Red) - ArrivalSeconds(Station::Blue)) * rate;
}

void Scenario::Validate() const {
    Check(!sections.empty() && sections.size() <= kMaxSections, "1 to 10 sections");
    for (const PipeSection& s : sections)
        Check(s.length > 0 && s.velocity > 0, "a section needs a positive length and speed of sound");
    // The correlator's widest window is 2 s; a longer pipe has no answer.
    double travel = 0.0;
    for (const PipeSection& s : sections) travel += s.length / s.velocity;
    Check(travel <= 2.0, "the pipe's travel time exceeds 2 s");
    Check(leakPosition >= 0 && leakPosition <= TotalLength(), "the leak lies outside the pipe");
    Check(leakLevel >= 0 && leakLevel <= 2048, "leak level 0 to 2048 counts");
    Check(leakLow > 0 && leakLow < leakHigh && leakHigh < kWorldRate / 2, "leak band 0 < low < high < 5000 Hz");
    Check(yellowPosition <= TotalLength(), "Yellow lies beyond the pipe");
    Check(mains == 50 || mains == 60, "mains is 50 or 60 Hz");
    for (const StationWorld& s : stations) {
        Check(s.noise >= 0 && s.noise <= 2048 && s.hum >= 0 && s.hum <= 2048 && std::fabs(s.dc) <= 2048,
              "noise, hum and dc within 2048 counts");
        Check(s.rssi >= -140 && s.rssi <= 5, "rssi -140 to 5 dBm");
        Check(s.clip.every >= 0 && s.clip.length >= 0 && s.dropout.every >= 0 && s.dropout.length >= 0,
              "clip and dropout times are not negative");
    }
    Check(battery >= 0 && battery <= 20, "battery 0 to 20 V");
    Check((stD == 0 || stD == 1) && (stE == 0 || stE == 1), "sensor lines are 0 or 1");
    Check(!osVersion.empty() && osVersion.size() <= 20, "os_version is 1 to 20 characters");
    Check(vref > 0 && vref <= 10, "vref 0 to 10 V");
    Check(localSignal >= 0 && localSignal <= 4095, "local_signal 0 to 4095");
}

Scenario DefaultScenario() {
    Scenario s;
    s.seed = 20240611;
    s.sections = {{120.0, 1250.0}, {80.0, 450.0}};
    s.leakPosition = 70.0;
    s.leakLevel = 300.0;
    s.leakLow = 250.0;
    s.leakHigh = 1200.0;
    s.mains = 50;
    s.Of(Station::Red) = {40.0, 12.0, 15.0, -38.0, {}, {}};
    s.Of(Station::Blue) = {45.0, -9.0, 20.0, -34.0, {}, {}};
    s.Of(Station::Yellow) = {50.0, 5.0, 15.0, -44.0, {}, {}};
    s.Of(Station::Base) = {30.0, 0.0, 25.0, 5.0, {}, {}};
    return s;
}

Scenario ParseScenario(std::string_view text) {
    Scenario s = DefaultScenario();
    bool sectionsGiven = false;
    int number = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        std::vector<std::string> words = Words(line);
        if (!words.empty()) ReadLine(LineReader(number, std::move(words)), s, sectionsGiven);
    }
    s.Validate();
    return s;
}

Scenario LoadScenarioFile(const std::filesystem::path& file) {
    std::ifstream is(file, std::ios::binary);
    if (!is) throw ScenarioError("scenario: cannot open " + file.string());
    std::string text(kMaxScenarioBytes + 1, '\0');
    is.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(is.gcount()));
    if (text.size() > kMaxScenarioBytes)
        throw ScenarioError("scenario: " + file.string() + " is larger than " + std::to_string(kMaxScenarioBytes) +
                            " bytes");
    return ParseScenario(text);
}

Scenario LoadUnitScenario(const std::filesystem::path& file) {
    if (!file.empty()) return LoadScenarioFile(file);
    const std::filesystem::path inRoot = platform::UnitRoot() / "scenario.txt";
    std::error_code ec;
    if (std::filesystem::exists(inRoot, ec)) return LoadScenarioFile(inRoot);
    return DefaultScenario();
}

}  // namespace sim
