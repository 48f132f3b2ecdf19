// The sampling converter of the virtual unit ("SPI4:"): two inputs selected
// by source code, triggered at 10 kHz by timer channel 2, delivering blocks
// of a header and 1023 left/right raw pairs.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/Clock.h"
#include "sim/VirtualUnit.h"

namespace sim {
namespace {

constexpr uint32_t kTriggerChannel = 2;
constexpr uint32_t kMaxBlocks = 200;  // what the driver's table may name

bool SourceStation(uint32_t code, Station& s) {
    switch (code) {
    case kSourceRed: s = Station::Red; return true;
    case kSourceBlue: s = Station::Blue; return true;
    case kSourceBase: s = Station::Base; return true;
    case kSourceYellow: s = Station::Yellow; return true;
    default: return false;
    }
}

}  // namespace

int64_t VirtualUnit::NowSample() const {
    const int64_t counter = platform::QueryPerformanceCounter();
    const int64_t freq = std::max<int64_t>(1, platform::QueryPerformanceFrequency());
    const int64_t rate = static_cast<int64_t>(kWorldRate);
    return counter / freq * rate + counter % freq * rate / freq;
}

bool VirtualUnit::TriggerRunning() const {
    const TimerChannel* t = TimerConfig(kTriggerChannel);
    if (!t || t->word[6] == 0) return false;
    // The trigger is MCLK / (2 * period), the period counted after a 4^code prescaler.
    const double prescale = std::pow(4.0, static_cast<double>(t->word[4] & 3));
    const double rate = m_world.mclk / (2.0 * t->word[6] * prescale);
    return std::fabs(rate / kWorldRate - 1.0) <= kTriggerTolerance;
}

void VirtualUnit::FillBlock(std::span<uint8_t> block, int64_t first, uint32_t header) {
    Station left = Station::Red, right = Station::Blue;
    SourceStation(m_adc.gather->leftSource, left);
    SourceStation(m_adc.gather->rightSource, right);
    m_adc.left.resize(kPairsPerBlock);
    m_adc.right.resize(kPairsPerBlock);
    m_signals->Render(left, first, m_adc.left);
    m_signals->Render(right, first, m_adc.right);
    for (uint32_t i = 0; i < kPairsPerBlock; ++i) {
        const uint16_t pair[2] = {EncodeRaw(m_adc.left[i]), EncodeRaw(m_adc.right[i])};
        std::memcpy(block.data() + 4 + 4 * i, pair, 4);
    }
    // The header goes last: it is the hand-over signal.
    std::memcpy(block.data(), &header, 4);
    m_adc.delivered += kPairsPerBlock;
}

void VirtualUnit::ServiceGather() {
    Adc& a = m_adc;
    if (!a.gather || a.blockRead || !a.attached || !TriggerRunning()) return;
    const int64_t now = NowSample();
    while (a.blocksDone < a.gather->blockCount && a.next + kPairsPerBlock <= now) {
        const std::span<uint8_t> table = platform::ResolveSharedBuffer(a.gather->blockTable);
        if (table.size() < 4u * a.gather->blockCount) return;
        uint32_t token;
        std::memcpy(&token, table.data() + 4 * a.blocksDone, 4);
        const std::span<uint8_t> block = platform::ResolveSharedBuffer(token);
        if (block.size() < kBlockBytes) return;  // a bad table entry stops the transfer
        FillBlock(block, a.next, a.sequence++ & 0x7FFFFFFF);
        a.next += kPairsPerBlock;
        ++a.blocksDone;
    }
}

bool VirtualUnit::ReadBlock(std::span<uint8_t> out, uint32_t& returned) {
    Adc& a = m_adc;
    if (!a.gather || !a.blockRead || !a.attached || a.blocksDone >= a.gather->blockCount || !TriggerRunning())
        return false;
    int64_t now = NowSample();
    const int64_t queued = (now - a.next) / kPairsPerBlock;
    if (queued > kDriverQueueBlocks) {  // the oldest blocks were overwritten
        a.overruns += queued - kDriverQueueBlocks;
        a.next += (queued - kDriverQueueBlocks) * kPairsPerBlock;
    }
    // A synchronous read: wait until the block's last pair is converted.
    while (now < a.next + kPairsPerBlock) {
        const int64_t missing = a.next + kPairsPerBlock - now;
        platform::Sleep(static_cast<uint32_t>((missing * 1000 + static_cast<int64_t>(kWorldRate) - 1) /
                                              static_cast<int64_t>(kWorldRate)));
        now = NowSample();
    }
    FillBlock(out, a.next, a.sequence++ & 0x7FFFFFFF);
    a.next += kPairsPerBlock;
    ++a.blocksDone;
    returned = kBlockBytes;
    return true;
}

bool VirtualUnit::OnAdc(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t& returned) {
    Adc& a = m_adc;
    switch (code) {
    case ioctl::kAdcWrite: {
        if (in.size() != 2 || (!out.empty() && out.size() < 2)) return false;
        uint16_t word;
        std::memcpy(&word, in.data(), 2);
        a.writes.push_back(word);
        if (a.writes.size() > 16) a.writes.erase(a.writes.begin());
        if (!out.empty()) std::memset(out.data(), 0, 2), returned = 2;
        return true;
    }
    case ioctl::kGatherSamples:
    case ioctl::kGatherSamplesV2: {
        if (in.size() != sizeof(GatherRequest) || !out.empty()) return false;
        GatherRequest g;
        std::memcpy(&g, in.data(), sizeof g);
        Station s;
        if (!SourceStation(g.leftSource, s) || !SourceStation(g.rightSource, s)) return false;
        if (g.pairsPerBlock != kPairsPerBlock || g.blockCount == 0 || g.blockCount > kMaxBlocks) return false;
        if (platform::ResolveSharedBuffer(g.blockTable).size() < 4u * g.blockCount) return false;
        a.gather = g;
        a.blockRead = code == ioctl::kGatherSamplesV2;
        a.attached = false;
        a.blocksDone = 0;
        return true;
    }
    case ioctl::kAttachTimer:
        if (!in.empty() || !out.empty() || !a.gather) return false;
        a.attached = true;
        a.next = std::max(a.next, NowSample());
        return true;
    case ioctl::kReadBlock:
        if (!in.empty() || out.size() < kBlockBytes) return false;
        return ReadBlock(out, returned);
    default:
        return false;
    }
}

}  // namespace sim
