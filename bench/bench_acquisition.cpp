// The acquisition chain per block (decode, clip blanking, DC removal,
// anti-alias decimation, both channels) against the textbook chain: the same
// stages with a shifted delay line and the whole low-pass evaluated at every
// input sample before one in D is kept. Items are input samples (two per
// pair); the unit converts 20 000 a second.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "hardware/ChannelChain.h"
#include "hardware/DriverRecords.h"

namespace {

constexpr int32_t kBlocks = 8;

std::vector<hw::SampleBlock> Blocks() {
    std::mt19937 gen(7);
    std::normal_distribution<double> n(0.0, 400.0);
    std::vector<hw::SampleBlock> blocks(kBlocks);
    for (hw::SampleBlock& b : blocks) {
        b.header = 0;
        for (auto& pair : b.pairs)
            for (uint16_t& w : pair) {
                const int s = std::clamp(static_cast<int>(n(gen)), -2048, 2047);
                w = static_cast<uint16_t>((static_cast<uint32_t>(s * 16) & 0xFFF0u) ^ 0x8000u);
            }
    }
    return blocks;
}

// One channel the plain way.
class NaiveChain {
public:
    explicit NaiveChain(int32_t d) : m_d(d) {
        const hw::AntiAliasTaps& t = hw::AntiAliasFor(d);
        m_h.resize(static_cast<size_t>(t.length));
        for (int32_t k = 0; k < t.length; ++k)
            m_h[static_cast<size_t>(k)] = t.half[static_cast<size_t>(std::min(k, t.length - 1 - k))];
        m_line.assign(m_h.size(), 0);
    }
    bool Push(uint16_t raw, int16_t& out) {
        const int16_t x = hw::DecodeRaw(raw);
        const int16_t c = m_clip[0];
        std::copy(m_clip + 1, m_clip + 5, m_clip);
        m_clip[4] = x;
        if (m_clip[2] <= -2048 || m_clip[2] >= 2047) std::fill(m_clip, m_clip + 5, int16_t{0});
        m_sum += c - m_ring[m_cursor];
        m_ring[m_cursor] = c;
        m_cursor = (m_cursor + 1) % 1024;
        const auto v = static_cast<int16_t>(c - m_sum / 1024);
        std::copy_backward(m_line.begin(), m_line.end() - 1, m_line.end());
        m_line[0] = v;
        int32_t acc = 0;
        for (size_t k = 0; k < m_h.size(); ++k) acc += m_h[k] * m_line[k];
        if (++m_count < m_d) return false;
        m_count = 0;
        out = static_cast<int16_t>(acc / hw::kQ15One);
        return true;
    }

private:
    int32_t m_d;
    std::vector<int32_t> m_h;
    std::vector<int16_t> m_line;
    int16_t m_clip[5] = {};
    int16_t m_ring[1024] = {};
    int32_t m_sum = 0, m_cursor = 0, m_count = 0;
};

void BM_ChainBaseline(benchmark::State& state) {
    const auto d = static_cast<int32_t>(state.range(0));
    const std::vector<hw::SampleBlock> blocks = Blocks();
    NaiveChain left(d), right(d);
    std::vector<int16_t> outLeft(hw::kPairsPerBlock), outRight(hw::kPairsPerBlock);
    size_t b = 0;
    for (auto _ : state) {
        const hw::SampleBlock& block = blocks[b++ % blocks.size()];
        int32_t nl = 0, nr = 0;
        for (int32_t k = 0; k < hw::kPairsPerBlock; ++k) {
            if (left.Push(block.pairs[k][0], outLeft[static_cast<size_t>(nl)])) ++nl;
            if (right.Push(block.pairs[k][1], outRight[static_cast<size_t>(nr)])) ++nr;
        }
        benchmark::DoNotOptimize(outLeft.data());
        benchmark::DoNotOptimize(outRight.data());
        benchmark::DoNotOptimize(nl + nr);
    }
    state.SetItemsProcessed(state.iterations() * 2 * hw::kPairsPerBlock);
}

void BM_Chain(benchmark::State& state) {
    const auto d = static_cast<int32_t>(state.range(0));
    const std::vector<hw::SampleBlock> blocks = Blocks();
    hw::BlockConditioner chain;
    chain.SetDecimation(d);
    size_t b = 0;
    for (auto _ : state) {
        chain.Process(blocks[b++ % blocks.size()]);
        benchmark::DoNotOptimize(chain.Left().data());
        benchmark::DoNotOptimize(chain.Right().data());
    }
    state.SetItemsProcessed(state.iterations() * 2 * hw::kPairsPerBlock);
}

}  // namespace

BENCHMARK(BM_ChainBaseline)->Arg(1)->Arg(10);
BENCHMARK(BM_Chain)->Arg(1)->Arg(10);

BENCHMARK_MAIN();
