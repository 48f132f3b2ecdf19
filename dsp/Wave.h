#pragma once
// dsp/Wave.h — CWave, one channel's sample store.
//
// A ring buffer of signed 16-bit samples with one slot more than its capacity,
// so that a full store and an empty one differ. Slots are zero until written;
// memory is taken as writes first reach them, so a store sized for the
// longest run costs what its samples need. It counts every sample written
// since the last Reset (the sample number of a sample is its place in that
// count, from 0) and keeps one read position that readers advance. Writers
// never wait: a write that reaches unread data pushes the read position on, so
// the reader then finds the newest size - 1 samples.

#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

// The fixed head of the store's sized record; the slots follow as int16 each.
struct WaveRecordHeader {
    int32_t recordSize;  // 2 * (SamplesStored + 6): the body's bytes
    int32_t size;        // slots, capacity + 1
    int32_t total;       // samples written since the last Reset
    int32_t readPos;     // slot of the next sample to read
};
static_assert(sizeof(WaveRecordHeader) == 16);
static_assert(offsetof(WaveRecordHeader, size) == 4);
static_assert(offsetof(WaveRecordHeader, total) == 8);
static_assert(offsetof(WaveRecordHeader, readPos) == 12);

class CWave {
public:
    static constexpr int32_t kDefaultCapacity = 10000;
    // Largest slot count a record may carry: 16 Mi slots (32 MiB), well above
    // the 600001 of the raw stores; a larger count is a corrupted record.
    static constexpr int32_t kMaxSlots = 1 << 24;
    // Samples a store counts at most; writes beyond it are dropped.
    static constexpr int32_t kMaxTotal = INT32_MAX;
    // Samples the signal level looks back over.
    static constexpr int32_t kLevelWindow = 1000;

    //  capacity : samples held, 0 <= capacity < kMaxSlots
    explicit CWave(int32_t capacity = kDefaultCapacity);

    // Resizes to capacity + 1 zero slots and clears the counters.
    void SetCapacity(int32_t capacity);
    // Slots that hold memory, 0 ... Size().
    int32_t SlotsAllocated() const noexcept { return static_cast<int32_t>(m_buffer.size()); }
    // Clears the counters and the read position; the slots keep their samples.
    void Reset() noexcept;

    // Appends n samples; n <= 0 writes nothing. Overrunning unread data moves
    // the read position to the oldest sample still held. A store that has
    // counted kMaxTotal samples takes no more.
    void WriteSamples(int32_t n, const int16_t* source);
    void WriteSample(int16_t x) { WriteSamples(1, &x); }

    // The sample at the read position, which then advances one slot. No check
    // that an unread sample exists.
    int16_t ReadSample() noexcept;
    // Copies up to n unread samples to destination; returns how many.
    int32_t ReadSamples(int32_t n, int16_t* destination) noexcept;

    // Moves the read position to sample number p. Not clamped to the samples
    // held (callers clamp to FirstSample); the slot wraps round the ring. The
    // oldest sample, FirstSample, sits in the writer's slot: at that position
    // nothing counts as unread, though ReadSample yields it and its followers.
    void SetPos(int32_t p) noexcept;
    // Samples first ... first + count - 1 where they lie in the ring, when
    // every one is held and they do not wrap round its end; null otherwise.
    // The read position is untouched.
    const int16_t* StoredRun(int32_t first, int32_t count) const noexcept;
    // Sample number of the next sample to read.
    int32_t GetPos() const noexcept { return m_total - UnreadCount(); }
    // Samples written but not yet read, 0 ... size - 1.
    int32_t UnreadCount() const noexcept;

    // Sample number of the oldest sample held: max(0, total - size).
    int32_t FirstSample() const noexcept;
    // Samples the buffer holds, read or not: min(size, total).
    int32_t SamplesStored() const noexcept;
    int32_t SampleTotal() const noexcept { return m_total; }
    int32_t Capacity() const noexcept { return m_size - 1; }
    int32_t Size() const noexcept { return m_size; }

    // Level of the newest kLevelWindow samples in dB (0 dB at full 16-bit
    // scale); 1.0 when fewer have been written. A silent store gives the
    // floor of about -93.2 dB.
    float SignalLevel() const noexcept;

    // Min/max pairs of the newest samples for drawing, one per column:
    // min(size / count, 5) samples each, scaled by gain / 2048. Entry i holds
    // the maximum in its low 16 bits and the minimum in its high 16 bits.
    //  gain  : any; count : columns, < 1 gives an empty envelope
    const std::vector<uint32_t>& ComputeEnvelope(int32_t gain, int32_t count);
    const std::vector<uint32_t>& Envelope() const noexcept { return m_envelope; }
    static int16_t EnvelopeMax(uint32_t entry) noexcept { return static_cast<int16_t>(entry & 0xFFFF); }
    static int16_t EnvelopeMin(uint32_t entry) noexcept { return static_cast<int16_t>(entry >> 16); }

    // The sized record: WaveRecordHeader, then slots 0 ... SamplesStored - 1
    // in slot order. Read raises "CWave chunk size error" for a record size
    // that disagrees with its counters or counters out of range, before
    // anything is allocated; the store is left unchanged then.
    void Write(std::ostream& os) const;
    void Read(std::istream& is);

    // Start-up self-test: empty text, or one located line per failed check.
    static std::string SelfTest();

private:
    void WriteRun(int32_t n, const int16_t* source) noexcept;  // n <= size - head
    // Slot i, zero beyond the slots allocated.
    int16_t Slot(int32_t i) const noexcept {
        return i < static_cast<int32_t>(m_buffer.size()) ? m_buffer[static_cast<size_t>(i)] : int16_t{0};
    }
    // Copies slots first ... first + n - 1 (within the ring, no wrap).
    void CopySlots(int32_t first, int32_t n, int16_t* destination) const noexcept;

    std::vector<int16_t> m_buffer;  // slots 0 ... SlotsAllocated() - 1; the rest are zero
    int32_t m_size = 1;
    int32_t m_total = 0;
    int32_t m_head = 0;             // total modulo size
    int32_t m_readPos = 0;          // 0 ... size - 1
    std::vector<uint32_t> m_envelope;
};
