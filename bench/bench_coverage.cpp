// bench_coverage: how often the 95 % interval holds the true leak position
// over 200 synthetic runs with different noise seeds. Each world's true
// velocity is drawn 2 % (one standard deviation) about the one the analysis
// is told, which takes --velocity-error 2; a second series keeps the
// velocity exact and the velocity error 0, so that the delay's own standard
// error (the jackknife over blocks) is checked alone. Passes when both
// cover the truth in 90-97 % of the runs.

#include <cmath>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>
#include <atomic>

#include "FieldWorld.h"
#include "tools/AnalyzeJob.h"

namespace {

constexpr int32_t kRuns = 200;
constexpr int32_t kFrames = 1 << 17;  // 13 s at 10 kHz
constexpr double kRate = 10000;

struct Series {
    const char* name;
    double velocitySd;     // of the world's true velocity, relative
    double velocityError;  // what the analysis is told
};

field::World World() {
    field::World w;
    w.name = "coverage";
    w.sources = {{70}};
    // A weak leak, so that the delay's spread is not negligible.
    w.red.noise = w.blue.noise = 1.5;
    w.bandLow = 100, w.bandHigh = 2000;
    return w;
}

bool Covers(const field::World& w, uint32_t seed, const Series& s) {
    std::mt19937 rng(seed * 7919u);
    std::normal_distribution<double> g(0.0, 1.0);
    const double scale = 1 + s.velocitySd * g(rng);
    const field::Pair p = field::Render(w, kFrames, kRate, seed, scale);
    analysis::AnalysisRequest r;
    PipeSegment section;
    section.SetLength(static_cast<float>(w.length), LengthUnit::Metres);
    section.SetVelocity(static_cast<float>(w.velocity));
    r.pipe.AddSection(section);
    r.bandHz = {{w.bandLow, w.bandHigh}};
    r.velocityError = s.velocityError;
    const analysis::AnalysisResult a = AnalyzePair(p.red, p.blue, kRate, r);
    return a.ciLowA <= w.Truth() && w.Truth() <= a.ciHighA;
}

double Coverage(const Series& s) {
    const field::World w = World();
    std::atomic<int> next{0}, covered{0};
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < std::max(1u, std::thread::hardware_concurrency()); ++t)
        workers.emplace_back([&] {
            for (int i; (i = next++) < kRuns;) covered += Covers(w, static_cast<uint32_t>(1000 + i), s);
        });
    for (std::thread& t : workers) t.join();
    return 100.0 * covered / kRuns;
}

}  // namespace

int main() {
    const Series combined{"velocity drawn 2 %, --velocity-error 2", 0.02, 0.02};
    const Series delayOnly{"velocity exact, --velocity-error 0", 0.0, 0.0};
    const double a = Coverage(combined);
    std::printf("%-42s covered %5.1f %% of %d runs\n", combined.name, a, kRuns);
    const double b = Coverage(delayOnly);
    std::printf("%-42s covered %5.1f %% of %d runs\n", delayOnly.name, b, kRuns);
    const auto inside = [](double c) { return c >= 90 && c <= 97; };
    return inside(a) && inside(b) ? 0 : 1;
}
