// SensorHardware: arming acquisitions and consuming their blocks.

#include <algorithm>

#include "hardware/SensorHardware.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "settings/EventLog.h"

using namespace hw;

namespace {

constexpr int32_t kReplayPairs = 10000;   // pairs a replay feeds per block call
constexpr int32_t kStoreMargin = 15511;   // samples: the correlation's filter and block margin
constexpr int32_t kLongestFilter = 177;   // taps of the widest band filter
constexpr float kLongestDelaySamples = 1.0e6f;  // far beyond what kMaxBlocks holds

}  // namespace

int32_t SensorHardware::BlocksFor(float maxDelaySeconds, int32_t decimation) {
    // The travel time of any pipe the operator or a damaged material table
    // describes (infinite, NaN) is bounded before it becomes a sample count.
    const float samples = 10000.0f * maxDelaySeconds;
    const int32_t m = samples > 0.0f ? static_cast<int32_t>(std::min(samples, kLongestDelaySamples)) : 0;
    const int32_t n = (2 * (kStoreMargin + m) + kLongestFilter * decimation) / kPairsPerBlock;
    // A block count the driver accepts, whatever the pipe says.
    return std::clamp(n, 1, kMaxBlocks);
}

void SensorHardware::RebuildBlockTable() {
    for (size_t i = 0; i < m_blockTable.size(); ++i) m_blockTable[i] = m_blockTokens[i];
}

void SensorHardware::MarkBlocksEmpty() {
    const uint32_t n = std::min<uint32_t>(m_gather.blockCount, kMaxBlocks);
    for (uint32_t i = 0; i < n; ++i) m_blocks[i].header = kEmptyBlock;
}

void SensorHardware::SetOutputSampleRate(int32_t rate) {
    if (rate <= 0 || rate > 10000) rate = 10000;
    m_outputRate = rate;
    m_chain.SetDecimation(10000 / rate);
}

void SensorHardware::StartSampling(SampleSink& sink) {
    if (g_replay) {
        sink.DropUnread();
        return;
    }
    if (!m_adc.Valid()) return;
    const SamplingState state = GetSamplingState();
    if (state == SamplingStalled || state == SamplingFinished) m_state = SamplingIdle;

    uint16_t word = 0xA000, ignored = 0;
    if (!Request(m_adc, IOCTL_ADC_WRITE, &word, sizeof word, &ignored, sizeof ignored))
        LogEvent("StartSampling - Failed Initialize ADC");
    word = 0xA004;
    if (!Request(m_adc, IOCTL_ADC_WRITE, &word, sizeof word, &ignored, sizeof ignored))
        LogEvent("StartSampling - Failed Configure ADC");

    const StationCode left = sink.LeftStation(), right = sink.RightStation();
    if (IsStationCode(static_cast<int32_t>(left))) {
        m_gather.leftSource = kSourceCodes[static_cast<size_t>(left)];
        platform::DebugPrintf("Left:%s\r\n", StationName(left));
    }
    if (IsStationCode(static_cast<int32_t>(right))) {
        m_gather.rightSource = kSourceCodes[static_cast<size_t>(right)];
        platform::DebugPrintf("Right:%s\r\n", StationName(right));
    }
    m_gather.pairsPerBlock = kPairsPerBlock;
    m_gather.blockCount = static_cast<uint32_t>(BlocksFor(sink.MaxDelaySeconds(), GetDecimation()));
    m_gather.blockTable = m_blockTableToken;
    MarkBlocksEmpty();
    RebuildBlockTable();
    m_readIndex = 0;
    m_startTick = platform::GetTickCount();

    if (GetOsVersion() >= kNewAcquisitionVersion) {
        Request(m_adc, IOCTL_GATHER_SAMPLES_V2, &m_gather, sizeof m_gather);
    } else if (!Request(m_adc, IOCTL_GATHER_SAMPLES, &m_gather, sizeof m_gather)) {
        LogEvent("StartSampling - Failed IOCTL_GATHER_SAMPLES");
        return;
    }
    if (Request(m_adc, IOCTL_TLV2544_ATTACH_TMR, nullptr, 0)) {
        ConfigureSampleTimer();
        m_state = SamplingStarted;
    } else {
        LogEvent("StartSampling - Failed IOCTL_TLV2544_ATTACH_TMR");
    }
}

void SensorHardware::ProcessSampleBlock(SampleSink& sink) {
    if (g_replay) {
        sink.FeedRecording(kReplayPairs);
        return;
    }
    const int32_t count = static_cast<int32_t>(m_gather.blockCount);
    // The block store holds 200 blocks: a read index at the count (which may
    // be 200) has no block to read into, so the read is only asked for below it.
    if (m_readIndex < count && GetOsVersion() >= kNewAcquisitionVersion)
        Request(m_adc, IOCTL_READ_BLOCK, nullptr, 0, &m_blocks[static_cast<size_t>(m_readIndex)], sizeof(SampleBlock),
                sizeof(SampleBlock));
    if (m_readIndex >= count || m_blocks[static_cast<size_t>(m_readIndex)].header == kEmptyBlock) {
        MarkBlocksEmpty();
        RebuildBlockTable();
        m_state = SamplingFinished;
        m_readIndex = 0;
        return;
    }
    if (m_readIndex == 0) m_state = SamplingReceiving;
    m_lastBlockTick = platform::GetTickCount();

    SampleBlock& block = m_blocks[static_cast<size_t>(m_readIndex)];
    m_chain.Process(block);
    const std::span<const int16_t> left = m_chain.Left(), right = m_chain.Right();
    sink.TakeSamples(left.data(), static_cast<int32_t>(left.size()), right.data(), static_cast<int32_t>(right.size()));
    m_leftLevel.WriteSamples(static_cast<int32_t>(left.size()), left.data());
    m_rightLevel.WriteSamples(static_cast<int32_t>(right.size()), right.data());

    block.header = kEmptyBlock;
    ++m_readIndex;
}

std::string SensorHardware::ConverterFault() const { return platform::GetDeviceProvider().ConverterFault(); }

SamplingState SensorHardware::GetSamplingState() {
    const uint32_t now = platform::GetTickCount();
    if (m_state == SamplingStarted && now - m_startTick >= kStartTimeoutMs) {
        m_state = SamplingStalled;
    } else if (m_state == SamplingReceiving && now - m_lastBlockTick > kBlockTimeoutMs) {
        const int32_t count = static_cast<int32_t>(m_gather.blockCount);
        if (m_readIndex >= count || m_blocks[static_cast<size_t>(m_readIndex)].header == kEmptyBlock)
            m_state = SamplingStalled;
    }
    return m_state;
}
