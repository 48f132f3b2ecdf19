// DirectTeam: the direct engine's blocks, their lags shared among threads.
// Each block's lags are cut into slices, several per thread; every thread,
// the caller's included, takes the next slice left until none is, so a helper
// that wakes late, or a core slowed by other work, leaves its share to the
// others. Helpers wait for the next round between calls: a replay calls once
// per feed of samples, and starting threads each time would cost a share.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "dsp/CorrelationKernel.h"

namespace corr {
namespace {

// Slices start on whole registers of the widest kernel.
constexpr int32_t kSliceAlign = 64;
constexpr int32_t kSlicesPerThread = 8;

struct Slices {
    std::span<const DirectTeam::Block> blocks;
    int32_t n, lagCount, width, perBlock;
    std::atomic<int32_t> next{0};

    void RunWith(DirectEngine& engine) noexcept {
        const int32_t count = perBlock * static_cast<int32_t>(blocks.size());
        for (int32_t i; (i = next.fetch_add(1)) < count;) {
            const DirectTeam::Block& block = blocks[static_cast<size_t>(i / perBlock)];
            const int32_t first = (i % perBlock) * width;
            engine.Accumulate(block.a + first, block.b, n, std::min(width, lagCount - first), block.c + first);
        }
    }
};

// Waits up to kSpin for ready() without giving up the core; true when it came.
// Between a replay's feeds the helpers are back within this, so they are
// not put to sleep and woken each time.
constexpr auto kSpin = std::chrono::microseconds(300);

inline void CpuRelax() noexcept {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

template <typename Ready>
bool SpinUntil(Ready ready) noexcept {
    const auto until = std::chrono::steady_clock::now() + kSpin;
    for (int32_t i = 0;; ++i) {
        if (ready()) return true;
        if ((i & 63) == 63 && std::chrono::steady_clock::now() >= until) return false;
        CpuRelax();
    }
}

}  // namespace

struct DirectTeam::Crew {
    std::mutex lock;  // for sleeping: the atomics below are also set under it
    std::condition_variable wake, done;
    std::atomic<uint64_t> round{0};            // one per shared call
    std::atomic<Slices*> slices{nullptr};      // the current round's
    std::atomic<int32_t> busy{0};              // helpers not yet through the current round
    std::atomic<bool> stop{false};
    std::vector<DirectEngine> engines;  // one per helper
    std::vector<std::thread> threads;

    void Help(DirectEngine& engine) noexcept {
        uint64_t seen = 0;
        const auto posted = [&] { return stop.load(std::memory_order_acquire) || round.load(std::memory_order_acquire) != seen; };
        for (;;) {
            if (!SpinUntil(posted)) {
                std::unique_lock hold(lock);
                wake.wait(hold, posted);
            }
            if (stop.load(std::memory_order_acquire)) return;
            seen = round.load(std::memory_order_acquire);
            slices.load(std::memory_order_acquire)->RunWith(engine);
            if (busy.fetch_sub(1, std::memory_order_acq_rel) == 1) {
                std::lock_guard hold(lock);
                done.notify_one();
            }
        }
    }

    // Runs one round: the caller takes slices with the helpers, then waits
    // for the last of them.
    void Round(Slices& work, DirectEngine& mine) noexcept {
        {
            std::lock_guard hold(lock);
            slices.store(&work, std::memory_order_release);
            busy.store(static_cast<int32_t>(threads.size()), std::memory_order_release);
            round.fetch_add(1, std::memory_order_acq_rel);
        }
        wake.notify_all();
        work.RunWith(mine);
        const auto through = [&] { return busy.load(std::memory_order_acquire) == 0; };
        if (SpinUntil(through)) return;
        std::unique_lock hold(lock);
        done.wait(hold, through);
    }
};

DirectTeam::DirectTeam() = default;

DirectTeam::~DirectTeam() { StopCrew(); }

void DirectTeam::StopCrew() noexcept {
    if (!m_crew) return;
    {
        std::lock_guard hold(m_crew->lock);
        m_crew->stop.store(true, std::memory_order_release);
    }
    m_crew->wake.notify_all();
    for (std::thread& t : m_crew->threads) t.join();
    m_crew.reset();
}

void DirectTeam::SetThreads(int32_t threads) {
    // More threads than cores would only take turns, and a waiting helper
    // spins for a while.
    const auto cores = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    threads = std::clamp(threads, 1, std::min(kMaxThreads, cores));
    if (threads == m_threads) return;
    StopCrew();
    m_threads = threads;
}

void DirectTeam::Accumulate(std::span<const Block> blocks, int32_t n, int32_t lagCount) {
    if (n <= 0 || lagCount <= 0 || blocks.empty()) return;
    const int64_t products = int64_t{n} * lagCount * static_cast<int64_t>(blocks.size());
    if (products < kSharedProducts || m_threads == 1) {
        m_engine.Reserve(n, lagCount);
        for (const Block& block : blocks) m_engine.Accumulate(block.a, block.b, n, lagCount, block.c);
        return;
    }
    if (!m_crew) {
        m_crew = std::make_unique<Crew>();
        m_crew->engines.resize(static_cast<size_t>(m_threads - 1));
        m_crew->threads.reserve(m_crew->engines.size());
        try {
            for (DirectEngine& engine : m_crew->engines)
                m_crew->threads.emplace_back([crew = m_crew.get(), &engine] { crew->Help(engine); });
        } catch (const std::system_error&) {
            // Fewer helpers: the slices they would have taken are still there.
        }
    }
    const int32_t slicesWanted = kSlicesPerThread * m_threads;
    const int32_t share = (lagCount + slicesWanted - 1) / slicesWanted;
    const int32_t width = (share + kSliceAlign - 1) / kSliceAlign * kSliceAlign;
    Slices slices{blocks, n, lagCount, width, (lagCount + width - 1) / width};
    m_engine.Reserve(n, width);
    for (DirectEngine& engine : m_crew->engines) engine.Reserve(n, width);
    m_crew->Round(slices, m_engine);
}

}  // namespace corr
