// bench_analyze: pairs per second for one-minute recordings at 10 kHz, each
// method, on one core and on every core in the same run (the batch's way:
// workers taking pairs in turn). With a file argument it also writes the
// pair as a float stereo WAV, for bench/scipy_correlate.py to time SciPy's
// FFT correlation on the same data.

#include <atomic>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <fstream>
#include <thread>
#include <vector>

#include "FieldWorld.h"
#include "archive/Archive.h"
#include "tools/AnalyzeJob.h"

namespace {

constexpr int32_t kFrames = 600000;  // one minute at 10 kHz
constexpr double kRate = 10000;

// Pairs per second of wall time; cpuMs: the process's CPU time per pair, which
// shows whether a busy machine, not the code, kept the cores from scaling.
double PairsPerSecond(const field::Pair& p, const analysis::AnalysisRequest& r, int32_t threads, int32_t pairs,
                      double& cpuMs) {
    std::atomic<int32_t> next{0};
    const std::clock_t cpu = std::clock();
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (int32_t t = 0; t < threads; ++t)
        workers.emplace_back([&] {
            while (next++ < pairs) AnalyzePair(p.red, p.blue, kRate, r);
        });
    for (std::thread& t : workers) t.join();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    cpuMs = 1000.0 * static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC / pairs;
    return pairs / took.count();
}

void WriteStereoFloat(const std::string& path, const field::Pair& p) {
    std::ofstream os(path, std::ios::binary);
    const auto data = static_cast<uint32_t>(8 * p.red.size());
    archive::WriteTag(os, archive::MakeTag("RIFF"));
    archive::WriteUInt32(os, 36 + data);
    archive::WriteTag(os, archive::MakeTag("WAVE"));
    archive::WriteTag(os, archive::MakeTag("fmt "));
    archive::WriteUInt32(os, 16);
    archive::WriteInt16(os, 3);
    archive::WriteInt16(os, 2);
    archive::WriteUInt32(os, static_cast<uint32_t>(kRate));
    archive::WriteUInt32(os, static_cast<uint32_t>(kRate) * 8);
    archive::WriteInt16(os, 8);
    archive::WriteInt16(os, 32);
    archive::WriteTag(os, archive::MakeTag("data"));
    archive::WriteUInt32(os, data);
    for (size_t i = 0; i < p.red.size(); ++i) archive::WriteFloat(os, p.red[i]), archive::WriteFloat(os, p.blue[i]);
}

}  // namespace

int main(int argc, char** argv) {
    field::World w = field::Cases().front();
    field::Pair p = field::Render(w, 1 << 20, kRate, 1);
    p.red.resize(kFrames);
    p.blue.resize(kFrames);
    if (argc > 1) WriteStereoFloat(argv[1], p);
    const auto cores = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    analysis::AnalysisRequest r;
    PipeSegment s;
    s.SetLength(static_cast<float>(w.length), LengthUnit::Metres);
    s.SetVelocity(static_cast<float>(w.velocity));
    r.pipe.AddSection(s);
    r.bandHz = {{w.bandLow, w.bandHigh}};
    std::printf("one-minute pairs at 10 kHz, %d cores\n%-6s %12s %12s %8s %14s %14s\n", cores, "method", "1 core /s",
                "all cores /s", "ratio", "CPU ms/pair 1", "CPU ms/pair N");
    for (analysis::Weighting m : {analysis::Weighting::None, analysis::Weighting::Phat, analysis::Weighting::Scot,
                                  analysis::Weighting::Ml}) {
        r.weighting = m;
        const int32_t pairs = 4 * cores;
        double cpuOne = 0, cpuAll = 0;
        const double one = PairsPerSecond(p, r, 1, pairs, cpuOne), all = PairsPerSecond(p, r, cores, pairs, cpuAll);
        std::printf("%-6s %12.2f %12.2f %8.2f %14.1f %14.1f\n", analysis::WeightingName(m), one, all, all / one, cpuOne,
                    cpuAll);
        std::fflush(stdout);
    }
    return 0;
}
