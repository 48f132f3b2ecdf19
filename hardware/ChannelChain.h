#pragma once
// hardware/ChannelChain.h — one input channel's conditioning, from the raw
// converter word to the sample handed to the correlation: decode, clip
// blanking, DC removal, anti-alias decimation. Samples are 12-bit values in
// int16; sums are int32; filter coefficients are Q15 (1.0 = 32768).
//
// The state carries over from one acquisition to the next. Every Push is
// integer only and never allocates; SetDecimation is where memory is sized.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "hardware/DriverRecords.h"

namespace hw {

constexpr int32_t kMaxDecimation = 10;
constexpr int32_t kQ15One = 32768;

// Taps of the anti-alias low-pass for each factor D = 1..10 (index D).
constexpr std::array<int32_t, kMaxDecimation + 1> kAntiAliasTaps = {0, 1, 29, 49, 57, 79, 95, 101, 111, 125, 137};

// One anti-alias design: half[k] is tap k from the outer end, half[length / 2]
// the centre; symmetric, Q15, summing to exactly 32768 (unity gain at DC).
struct AntiAliasTaps {
    std::vector<int32_t> half{kQ15One};
    int32_t length = 1;  // odd
};

// Windowed-sinc (Hamming) low-pass at 0.8 of the output band's edge, 0.4 / D
// of the input rate; D = 1 is the single tap 32768. Pure; D in 1..10.
AntiAliasTaps DesignAntiAliasTaps(int32_t decimation);
// The ten designs, made once.
const AntiAliasTaps& AntiAliasFor(int32_t decimation);

// Five-sample delay line. A sample at the rails (<= -2048 or >= 2047) zeroes
// itself and the two samples either side of it on the way out.
class ClipBlanker {
public:
    static constexpr int32_t kLength = 5;
    // Returns the sample that leaves the line: the input of five pushes ago.
    int16_t Push(int16_t x) noexcept {
        const int16_t out = m_line[0];
        m_line[0] = m_line[1];
        m_line[1] = m_line[2];
        m_line[2] = m_line[3];
        m_line[3] = m_line[4];
        m_line[4] = x;
        if (m_line[2] <= -2048 || m_line[2] >= 2047) m_line = {};
        return out;
    }

private:
    std::array<int16_t, kLength> m_line{};
};

// Subtracts the running mean of the last 1024 samples (sum / 1024 truncated
// toward zero); the ring starts as zeros.
class DcRemover {
public:
    static constexpr int32_t kLength = 1024;
    int16_t Push(int16_t x) noexcept {
        m_sum += x - m_ring[static_cast<size_t>(m_cursor)];
        m_ring[static_cast<size_t>(m_cursor)] = x;
        m_cursor = (m_cursor + 1) & (kLength - 1);
        return static_cast<int16_t>(x - m_sum / kLength);
    }

private:
    std::array<int16_t, kLength> m_ring{};
    int32_t m_sum = 0;
    int32_t m_cursor = 0;
};

// Keeps one sample in D through the anti-alias low-pass. The history is
// doubled (2 x taps) so the window is always contiguous.
class Decimator {
public:
    Decimator() { SetFactor(1); }
    // Loads the design for D (1..10), clears the history, reloads the countdown.
    void SetFactor(int32_t decimation);
    int32_t Factor() const noexcept { return m_factor; }

    // Pushes x; every D-th push returns true with the filter output (the Q15
    // sum divided by 32768, truncated toward zero) in out.
    bool Push(int16_t x, int16_t& out) noexcept {
        if (m_factor == 1) {  // the single tap 32768: the sample itself, exactly
            out = x;
            return true;
        }
        const int32_t n = m_length;
        m_pos = m_pos == 0 ? n - 1 : m_pos - 1;
        m_history[static_cast<size_t>(m_pos)] = x;
        m_history[static_cast<size_t>(m_pos + n)] = x;
        if (--m_countdown != 0) return false;
        m_countdown = m_factor;
        out = static_cast<int16_t>(Sum() / kQ15One);
        return true;
    }

private:
    // Folded sum over the window history[pos .. pos + n - 1], newest first.
    int32_t Sum() const noexcept {
        const int16_t* w = m_history.data() + m_pos;
        const int32_t* c = m_half.data();
        const int32_t n = m_length, m = n / 2;
        int32_t acc = c[m] * w[m];
        for (int32_t k = 0; k < m; ++k) acc += c[k] * (w[k] + w[n - 1 - k]);
        return acc;
    }

    std::vector<int32_t> m_half;
    std::vector<int16_t> m_history;  // 2 x length
    int32_t m_length = 1;
    int32_t m_pos = 0;
    int32_t m_factor = 1;
    int32_t m_countdown = 1;
};

// The whole chain for one channel.
class ChannelChain {
public:
    void SetDecimation(int32_t decimation) { m_decimator.SetFactor(decimation); }
    int32_t Decimation() const noexcept { return m_decimator.Factor(); }

    // One raw converter word in; true with the output sample when the
    // decimator delivers one.
    bool Push(uint16_t raw, int16_t& out) noexcept;

private:
    ClipBlanker m_clip;
    DcRemover m_dc;
    Decimator m_decimator;
};

// Both channels of a block: the left words through the left chain, the right
// through the right, the outputs kept until the next block.
class BlockConditioner {
public:
    void SetDecimation(int32_t decimation) {
        m_left.SetDecimation(decimation);
        m_right.SetDecimation(decimation);
    }
    int32_t Decimation() const noexcept { return m_left.Decimation(); }

    // Hot path: runs the block's 1023 pairs, left word first.
    void Process(const SampleBlock& block) noexcept;
    std::span<const int16_t> Left() const noexcept { return {m_leftOut.data(), static_cast<size_t>(m_leftCount)}; }
    std::span<const int16_t> Right() const noexcept { return {m_rightOut.data(), static_cast<size_t>(m_rightCount)}; }

private:
    ChannelChain m_left, m_right;
    std::array<int16_t, kPairsPerBlock> m_leftOut{}, m_rightOut{};
    int32_t m_leftCount = 0, m_rightCount = 0;
};

}  // namespace hw
