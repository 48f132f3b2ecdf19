// The audio unit's cost per second of audio against the rest of the chain,
// in one run. "core_pct" is the share of one core: CPU time per second of
// audio, in per cent (printed with an "s", as every inverted rate).
//  - Resample: one second of two-channel capture at 48000 or 44100 Hz to
//    10 000 Hz through the very-high-quality resampler, in 1024-frame chunks.
//  - Provider: one 1023-pair block read from the audio unit's converter: the
//    capture (ALSA's file device over random bytes), conversion, resampling
//    and 12-bit encoding, as the program's block read does it.
//  - Chain: the same block through both channel chains and into a direct
//    correlation over +-100 ms, as a live run at 10 kHz does.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <vector>

#include "audio/AudioUnit.h"
#include "audio/Resampler.h"
#include "dsp/Correlation.h"
#include "hardware/ChannelChain.h"
#include "hardware/DriverRecords.h"
#include "platform/DeviceIo.h"

namespace {

constexpr double kBlockSeconds = hw::kPairsPerBlock / 10000.0;

void Report(benchmark::State& state, double audioSecondsPerIteration) {
    state.counters["core_pct"] = benchmark::Counter(static_cast<double>(state.iterations()) * audioSecondsPerIteration / 100.0,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

std::vector<float> Noise(size_t frames) {
    std::mt19937 gen(5);
    std::normal_distribution<float> n(0.0f, 0.1f);
    std::vector<float> v(2 * frames);
    for (float& x : v) x = n(gen);
    return v;
}

void BM_Resample(benchmark::State& state) {
    const auto rate = static_cast<size_t>(state.range(0));
    const std::vector<float> second = Noise(rate);
    audio::Resampler resampler(static_cast<double>(rate), audio::kUnitRate);
    std::vector<float> out;
    out.reserve(2 * 12000);
    for (auto _ : state) {
        out.clear();
        for (size_t f = 0; f < rate; f += 1024)
            resampler.Process(second.data() + 2 * f, std::min<size_t>(1024, rate - f), out);
        benchmark::DoNotOptimize(out.data());
    }
    Report(state, 1.0);
}
BENCHMARK(BM_Resample)->Arg(48000)->Arg(44100)->Unit(benchmark::kMillisecond);

// An endless capture device: ALSA's file device reading random bytes.
std::shared_ptr<audio::AudioUnit> EndlessUnit(unsigned rate) {
    const std::filesystem::path conf = std::filesystem::temp_directory_path() / "corr-bench-asoundrc";
    std::ofstream(conf) << "pcm.bench { type file slave.pcm { type null } file \"/dev/null\" infile \"/dev/urandom\" "
                           "format \"raw\" }\n";
    ::setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
    return audio::InstallAudioUnit(audio::CaptureRequest{"bench", rate});
}

// Arms the converter as the program does: block-read gather, attach.
platform::Handle ArmedConverter() {
    const platform::Handle adc = platform::CreateFile("SPI4:");
    static uint32_t table[1] = {};
    const hw::GatherRequest g{hw::kSourceCodes[1], hw::kSourceCodes[2], hw::kPairsPerBlock, 200,
                              platform::RegisterSharedBuffer(table, sizeof table)};
    platform::DeviceIoControl(adc, hw::IOCTL_GATHER_SAMPLES_V2, &g, sizeof g, nullptr, 0, nullptr);
    platform::DeviceIoControl(adc, hw::IOCTL_TLV2544_ATTACH_TMR, nullptr, 0, nullptr, 0, nullptr);
    return adc;
}

void BM_Provider(benchmark::State& state) {
    const std::shared_ptr<audio::AudioUnit> unit = EndlessUnit(static_cast<unsigned>(state.range(0)));
    platform::Handle adc = ArmedConverter();
    hw::SampleBlock block;
    int blocks = 0;
    for (auto _ : state) {
        if (++blocks == 200) {  // a new acquisition, as the program starts one
            platform::CloseHandle(adc);
            adc = ArmedConverter();
            blocks = 0;
        }
        if (!platform::DeviceIoControl(adc, hw::IOCTL_READ_BLOCK, nullptr, 0, &block, sizeof block, nullptr))
            state.SkipWithError("block read failed");
        benchmark::DoNotOptimize(block.header);
    }
    Report(state, kBlockSeconds);
    platform::CloseHandle(adc);
    platform::SetDeviceProvider(nullptr);
}
BENCHMARK(BM_Provider)->Arg(48000)->Arg(44100)->Unit(benchmark::kMillisecond);

void BM_Chain(benchmark::State& state) {
    std::mt19937 gen(3);
    std::normal_distribution<double> n(0.0, 300.0);
    hw::SampleBlock block{};
    for (auto& pair : block.pairs)
        for (uint16_t& w : pair)
            w = static_cast<uint16_t>((static_cast<uint32_t>(static_cast<int>(n(gen)) * 16) & 0xFFF0u) ^ 0x8000u);
    hw::BlockConditioner chain;
    CCorrelation run(500, 100, 100.0f, 1, 10000.0f, CorrelationOptions{});
    int64_t absorbed = 0;
    for (auto _ : state) {
        chain.Process(block);
        run.AddRedSamples(chain.Left().data(), static_cast<int32_t>(chain.Left().size()));
        run.AddBlueSamples(chain.Right().data(), static_cast<int32_t>(chain.Right().size()));
        absorbed += run.Correlate(hw::kPairsPerBlock);
    }
    Report(state, kBlockSeconds);
    // Samples correlated per block: 1023 once the stores hold the lag window.
    state.counters["correlated"] = static_cast<double>(absorbed) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_Chain)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
