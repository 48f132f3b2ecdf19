#include "dsp/Wave.h"

#include <algorithm>
#include <cmath>

#include "archive/Archive.h"

namespace {

const char kChunkSizeError[] = "CWave chunk size error";

// v modulo size in 0 ... size - 1 for any sign of v.
int32_t Wrap(int64_t v, int32_t size) noexcept {
    v %= size;
    return static_cast<int32_t>(v < 0 ? v + size : v);
}

}  // namespace

CWave::CWave(int32_t capacity) { SetCapacity(capacity); }

void CWave::SetCapacity(int32_t capacity) {
    m_size = std::clamp(capacity, 0, kMaxSlots - 1) + 1;
    m_buffer.clear();
    Reset();
}

void CWave::Reset() noexcept { m_total = m_head = m_readPos = 0; }

void CWave::WriteSamples(int32_t n, const int16_t* source) {
    // The count saturates: after 2^31 - 1 samples (about 60 hours at 10 kHz)
    // the store takes no more, so its counters and its record stay valid.
    n = static_cast<int32_t>(std::min<int64_t>(n, int64_t{kMaxTotal} - m_total));
    if (n <= 0) return;
    // Writes fill the slots from 0 up before they wrap: memory grows with
    // them, doubling, so a short run never touches the rest.
    const auto reached = static_cast<size_t>(std::min<int64_t>(int64_t{m_head} + n, m_size));
    if (m_buffer.size() < reached) {
        constexpr size_t kFirstSlots = 4096;
        m_buffer.resize(std::min(std::max({2 * m_buffer.size(), reached, kFirstSlots}), static_cast<size_t>(m_size)));
    }
    while (n > m_size - m_head) {
        const int32_t run = m_size - m_head;
        WriteRun(run, source);
        source += run;
        n -= run;
    }
    WriteRun(n, source);
}

void CWave::WriteRun(int32_t n, const int16_t* source) noexcept {
    std::copy(source, source + n, m_buffer.begin() + m_head);
    m_total += n;
    const int32_t oldHead = m_head;
    const int32_t newHead = m_head + n;  // not yet wrapped
    // Slot 0 is also the end of the ring: a reader waiting there is overrun
    // by a write that ends exactly at the end of the buffer.
    const int32_t reader = m_readPos == 0 ? m_size : m_readPos;
    if (oldHead < reader && reader <= newHead) m_readPos = newHead + 1;
    m_head = newHead >= m_size ? newHead - m_size : newHead;
    if (m_readPos >= m_size) m_readPos -= m_size;
}

void CWave::CopySlots(int32_t first, int32_t n, int16_t* destination) const noexcept {
    const int32_t held = std::clamp(SlotsAllocated() - first, 0, n);
    if (held > 0) std::copy(m_buffer.begin() + first, m_buffer.begin() + first + held, destination);
    std::fill(destination + held, destination + n, int16_t{0});
}

int16_t CWave::ReadSample() noexcept {
    const int16_t x = Slot(m_readPos);
    if (++m_readPos == m_size) m_readPos = 0;
    return x;
}

int32_t CWave::ReadSamples(int32_t n, int16_t* destination) noexcept {
    const int32_t m = std::min(n, UnreadCount());
    if (m <= 0) return 0;
    const int32_t first = std::min(m, m_size - m_readPos);
    CopySlots(m_readPos, first, destination);
    const int32_t rest = m - first;
    CopySlots(0, rest, destination + first);
    m_readPos = rest > 0 ? rest : m_readPos + first;
    if (m_readPos == m_size) m_readPos = 0;
    return m;
}

void CWave::SetPos(int32_t p) noexcept {
    m_readPos = Wrap(static_cast<int64_t>(m_head) - (static_cast<int64_t>(m_total) - p), m_size);
}

const int16_t* CWave::StoredRun(int32_t first, int32_t count) const noexcept {
    if (count <= 0 || first < FirstSample() || int64_t{first} + count > m_total) return nullptr;
    const int32_t slot = Wrap(static_cast<int64_t>(m_head) - (static_cast<int64_t>(m_total) - first), m_size);
    if (int64_t{slot} + count > SlotsAllocated()) return nullptr;
    return m_buffer.data() + slot;
}

int32_t CWave::UnreadCount() const noexcept { return Wrap(static_cast<int64_t>(m_head) - m_readPos, m_size); }

int32_t CWave::FirstSample() const noexcept { return std::max(0, m_total - m_size); }

int32_t CWave::SamplesStored() const noexcept { return std::min(m_size, m_total); }

float CWave::SignalLevel() const noexcept {
    if (m_total < kLevelWindow) return 1.0f;
    // Summed in double: in single precision the difference below loses the
    // signal under a large offset and can even turn negative.
    double sum = 0, sumSquares = 0;
    int32_t slot = m_head;
    for (int32_t i = 0; i < kLevelWindow; ++i) {
        if (--slot < 0) slot = m_size - 1;
        const int32_t x = Slot(slot);
        sum += x;
        sumSquares += x * x;
    }
    // A silent store would give log10(0); one unit of variance is the floor.
    const double variance = std::max(1.0, sumSquares - sum * sum / kLevelWindow);
    return static_cast<float>(10.0 * std::log10(variance) - 93.2099380493164);
}

const std::vector<uint32_t>& CWave::ComputeEnvelope(int32_t gain, int32_t count) {
    m_envelope.clear();
    if (count < 1) return m_envelope;
    m_envelope.resize(static_cast<size_t>(count));
    const int32_t step = std::min(m_size / count, 5);
    const auto scaled = [gain](int16_t x) { return static_cast<int32_t>(int64_t{x} * gain / 2048); };
    const auto startOf = [&](int64_t i) { return Wrap(m_total - (count - i) * step, m_size); };
    int32_t last = scaled(Slot(startOf(0)));
    for (int32_t i = 0; i < count; ++i) {
        int32_t slot = startOf(i), high = last, low = last;
        for (int32_t j = 0; j < step; ++j) {
            last = scaled(Slot(slot));
            high = std::max(high, last);
            low = std::min(low, last);
            if (++slot == m_size) slot = 0;
        }
        m_envelope[static_cast<size_t>(i)] =
            static_cast<uint16_t>(high) | (static_cast<uint32_t>(static_cast<uint16_t>(low)) << 16);
    }
    return m_envelope;
}

void CWave::Write(std::ostream& os) const {
    const int32_t stored = SamplesStored();
    archive::WriteInt32(os, 2 * (stored + 6));
    archive::WriteInt32(os, m_size);
    archive::WriteInt32(os, m_total);
    archive::WriteInt32(os, m_readPos);
    for (int32_t i = 0; i < stored; ++i) archive::WriteInt16(os, Slot(i));
}

void CWave::Read(std::istream& is) {
    WaveRecordHeader h{};
    archive::ReadInt32(is, h.recordSize);
    archive::ReadInt32(is, h.size);
    archive::ReadInt32(is, h.total);
    archive::ReadInt32(is, h.readPos);
    // Every count is checked before the buffer is sized: a zero, negative or
    // huge slot count is as corrupt as a record size that disagrees.
    if (archive::Failed(is) || h.size < 1 || h.size > kMaxSlots || h.total < 0 || h.readPos < 0 ||
        h.readPos >= h.size)
        throw archive::ArchiveError(kChunkSizeError);
    const int32_t stored = std::min(h.size, h.total);
    if (h.recordSize != 2 * (int64_t{stored} + 6)) throw archive::ArchiveError(kChunkSizeError);

    // The slots grow with the bytes actually there, so a record that
    // announces more than it holds fails before taking that much memory.
    std::vector<int16_t> buffer;
    constexpr int32_t kSlotsAtATime = 65536;
    for (int32_t done = 0; done < stored; done += kSlotsAtATime) {
        buffer.resize(static_cast<size_t>(std::min(stored, done + kSlotsAtATime)));
        for (size_t i = static_cast<size_t>(done); i < buffer.size(); ++i) archive::ReadInt16(is, buffer[i]);
        if (archive::Failed(is)) throw archive::ArchiveError(kChunkSizeError);
    }

    m_buffer = std::move(buffer);
    m_size = h.size;
    m_total = h.total;
    m_head = h.total % h.size;
    m_readPos = h.readPos;
}
