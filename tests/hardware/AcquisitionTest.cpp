// Acquisition through the virtual unit: arming, block counts, states and
// time-outs, the chain's output, replay, and failed requests retried.

#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>
#include <tuple>

#include "HardwareFixture.h"
#include "platform/Files.h"
#include "settings/EventLog.h"

using namespace hw;

namespace {

GatherRequest LastGather(const sim::VirtualUnit& unit) {
    auto v2 = unit.RequestsWith(IOCTL_GATHER_SAMPLES_V2), v1 = unit.RequestsWith(IOCTL_GATHER_SAMPLES);
    const auto& r = !v2.empty() ? v2.back() : v1.back();
    GatherRequest g{};
    std::memcpy(&g, r.in.data(), sizeof g);
    return g;
}

}  // namespace

TEST(BlockCount, ShortRangeAtFullRateAndTheCap) {
    // 0.1 s: (2 x 16511 + 177) / 1023 = 32.
    for (const auto& [seconds, d, blocks] : {std::tuple{0.1f, 1, 32}, {0.25f, 1, 35}, {2.0f, 1, 69}, {2.0f, 10, 71}, {12.0f, 1, 200}})
        EXPECT_EQ(SensorHardware::BlocksFor(seconds, d), blocks) << seconds << " s, D " << d;
}

// A pipe of 1e30 m, or a section at 1e-30 m/s from a damaged material table,
// has an infinite travel time; its cast to a sample count was undefined.
TEST(BlockCount, TravelTimesThatAreNoNumberOrInfiniteStayInRange) {
    EXPECT_EQ(SensorHardware::BlocksFor(std::numeric_limits<float>::infinity(), 1), SensorHardware::kMaxBlocks);
    EXPECT_EQ(SensorHardware::BlocksFor(3e38f, 10), SensorHardware::kMaxBlocks);
    const int32_t none = SensorHardware::BlocksFor(0.0f, 1);
    EXPECT_EQ(SensorHardware::BlocksFor(std::numeric_limits<float>::quiet_NaN(), 1), none);
    EXPECT_EQ(SensorHardware::BlocksFor(-1e30f, 1), none);
}

class Acquisition : public HardwareFixture {
protected:
    CollectingSink sink;
};

TEST_F(Acquisition, ArmsTheDriverWithTheStationsAndBlockCount) {
    sink.left = StationCode::Blue;
    sink.right = StationCode::Yellow;
    hw->StartSampling(sink);
    EXPECT_EQ(hw->GetSamplingState(), SamplingStarted);
    const GatherRequest g = LastGather(*unit);
    EXPECT_EQ(g.leftSource, 0x2000u);
    EXPECT_EQ(g.rightSource, 0x6000u);
    EXPECT_EQ(g.pairsPerBlock, 1023u);
    EXPECT_EQ(g.blockCount, 32u);
    EXPECT_NE(debug.find("Left:Blue\r\nRight:Yellow\r\n"), std::string::npos);
    // The converter's set-up words, the block-read gather (version 1.20), the
    // attach and the trigger, in that order.
    std::vector<uint32_t> codes;
    for (const auto& r : unit->Requests())
        if (r.device == "SPI4:" || r.code == IOCTL_TMR_CONFIG) codes.push_back(r.code);
    EXPECT_EQ(codes, (std::vector<uint32_t>{IOCTL_ADC_WRITE, IOCTL_ADC_WRITE, IOCTL_GATHER_SAMPLES_V2,
                                            IOCTL_TLV2544_ATTACH_TMR, IOCTL_TMR_CONFIG}));
    const sim::TimerChannel* t = unit->TimerConfig(2);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->word[6], 4500u);  // 90 MHz / 10 kHz / 2
    EXPECT_EQ(t->word[4], 0x0900C400u);
}

TEST_F(Acquisition, LongPipesAreCappedAtTwoHundredBlocks) {
    sink.maxDelay = 20.0f;
    hw->StartSampling(sink);
    EXPECT_EQ(LastGather(*unit).blockCount, 200u);
    for (int i = 0; i < 200; ++i) hw->ProcessSampleBlock(sink);
    EXPECT_EQ(hw->ReadIndex(), 200);
    // The read index has reached the last block of the store: the
    // acquisition ends without reading past the store.
    unit->ClearRequests();
    hw->ProcessSampleBlock(sink);
    EXPECT_EQ(hw->GetSamplingState(), SamplingFinished);
    EXPECT_EQ(Sent(IOCTL_READ_BLOCK), 0u);
}

TEST_F(Acquisition, BlocksRunTheChainAndEndTheAcquisitionAtTheirCount) {
    hw->StartSampling(sink);
    hw->ProcessSampleBlock(sink);
    EXPECT_EQ(hw->GetSamplingState(), SamplingReceiving);
    EXPECT_EQ(sink.leftSamples.size(), 1023u);
    for (int i = 1; i < 32; ++i) hw->ProcessSampleBlock(sink);
    EXPECT_EQ(hw->GetSamplingState(), SamplingReceiving);
    hw->ProcessSampleBlock(sink);
    EXPECT_EQ(hw->GetSamplingState(), SamplingFinished);
    EXPECT_EQ(sink.leftSamples.size(), 32u * 1023u);
    EXPECT_EQ(hw->LevelStore(0).SampleTotal(), 32 * 1023);
    // A new start continues from the finished state.
    hw->StartSampling(sink);
    EXPECT_EQ(hw->GetSamplingState(), SamplingStarted);
}

TEST_F(Acquisition, DecimatedRateDeliversOneSampleInD) {
    hw->SetOutputSampleRate(2500);
    EXPECT_EQ(hw->GetDecimation(), 4);
    sink.maxDelay = 0.25f;
    hw->StartSampling(sink);
    for (int i = 0; i < 4; ++i) hw->ProcessSampleBlock(sink);
    EXPECT_EQ(sink.leftSamples.size(), 4u * 1023u / 4u);
    EXPECT_EQ(sink.rightSamples.size(), sink.leftSamples.size());
}

TEST_F(Acquisition, WorldOffsetsAreRemovedAndClipBurstsBlanked) {
    sim::Scenario s = QuietWorld();
    s.Of(sim::Station::Red) = {20.0, 400.0, 0.0, -60.0, {}, {}};
    s.Of(sim::Station::Blue) = {20.0, -300.0, 0.0, -60.0, {1.0, 0.01}, {}};  // 10 ms at the rails from 0.5 s
    unit->SetScenario(s);
    hw->StartSampling(sink);
    for (int i = 0; i < 10; ++i) hw->ProcessSampleBlock(sink);
    auto mean = [](const std::vector<int16_t>& v, size_t from, size_t to) {
        return std::accumulate(v.begin() + from, v.begin() + to, 0.0) / double(to - from);
    };
    EXPECT_GT(mean(sink.leftSamples, 0, 200), 300);          // the ring is still filling
    EXPECT_NEAR(mean(sink.leftSamples, 2000, 4000), 0, 5);  // settled
    EXPECT_NEAR(mean(sink.rightSamples, 2000, 4000), 0, 5);
    // The burst arrives at a whole block boundary plus an offset; wherever it
    // lies, the rails never reach the output.
    for (int16_t x : sink.rightSamples) ASSERT_LT(std::abs(x), 1500);
    size_t zeros = 0;
    for (int16_t x : sink.rightSamples) zeros += x == 0;
    EXPECT_GE(zeros, 100u);  // 100 samples of burst blanked
}

// Armed, the first block may take 20 s; receiving, the next one 0.5 s.
TEST_F(Acquisition, StallsWhenTheFirstBlockIsTwentySecondsOrTheNextHalfASecondLate) {
    unit->FailRequests(IOCTL_READ_BLOCK, -1);
    hw->StartSampling(sink);
    clock.Advance(20000);
    EXPECT_EQ(hw->GetSamplingState(), SamplingStarted);
    clock.Advance(1);
    EXPECT_EQ(hw->GetSamplingState(), SamplingStalled);
    // A stalled acquisition is armed again by the next start.
    unit->ClearFaults();
    hw->StartSampling(sink);
    hw->ProcessSampleBlock(sink);
    clock.Advance(500);
    EXPECT_EQ(hw->GetSamplingState(), SamplingReceiving);
    clock.Advance(1);
    EXPECT_EQ(hw->GetSamplingState(), SamplingStalled);
}

TEST_F(Acquisition, AnEmptyHeaderEndsTheAcquisition) {
    hw->StartSampling(sink);
    hw->ProcessSampleBlock(sink);
    unit->FailRequests(IOCTL_READ_BLOCK, 1);  // the block stays as marked: empty
    hw->ProcessSampleBlock(sink);
    EXPECT_EQ(hw->GetSamplingState(), SamplingFinished);
    EXPECT_EQ(hw->ReadIndex(), 0);
    EXPECT_EQ(sink.leftSamples.size(), 1023u);
}

TEST_F(Acquisition, GatherModeReadsBlocksTheDriverFilled) {
    unit->World().osVersion = "1.10";
    hw = std::make_unique<SensorHardware>();
    unit->ClearRequests();
    hw->StartSampling(sink);
    EXPECT_EQ(Sent(IOCTL_GATHER_SAMPLES), 1u);
    hw->ProcessSampleBlock(sink);  // nothing converted yet: the acquisition ends
    EXPECT_EQ(hw->GetSamplingState(), SamplingFinished);
    hw->StartSampling(sink);
    clock.Advance(310);
    unit->Service();
    for (int i = 0; i < 3; ++i) hw->ProcessSampleBlock(sink);
    EXPECT_EQ(hw->GetSamplingState(), SamplingReceiving);
    EXPECT_EQ(sink.leftSamples.size(), 3u * 1023u);
    EXPECT_EQ(Sent(IOCTL_READ_BLOCK), 0u);
}

// A failed set-up step is logged and leaves the state idle for the next try.
TEST_F(Acquisition, FailedSetUpIsLoggedAndLeavesTheStateForTheNextTry) {
    g_configuration.testMode = 1;
    struct Row { const char* os; std::vector<uint32_t> failed; std::vector<const char*> logged; };
    for (const Row& row : {Row{"1.10", {IOCTL_GATHER_SAMPLES, IOCTL_ADC_WRITE}, {"Initialize ADC", "IOCTL_GATHER_SAMPLES"}},
                           Row{"1.20", {IOCTL_TLV2544_ATTACH_TMR}, {"IOCTL_TLV2544_ATTACH_TMR"}}}) {
        unit->World().osVersion = row.os;
        hw = std::make_unique<SensorHardware>();
        for (uint32_t code : row.failed) unit->FailRequests(code, 1);
        hw->StartSampling(sink);
        EXPECT_EQ(hw->GetSamplingState(), SamplingIdle) << row.os;
        const std::string log = platform::ReadWholeFile(kEventLogFile, 10000).value_or("");
        for (const char* step : row.logged)
            EXPECT_NE(log.find(std::string("StartSampling - Failed ") + step), std::string::npos) << step;
        hw->StartSampling(sink);
        EXPECT_EQ(hw->GetSamplingState(), SamplingStarted) << row.os;
    }
}

TEST_F(Acquisition, ReplayUsesNoHardware) {
    g_replay = 1;
    hw->StartSampling(sink);
    hw->ProcessSampleBlock(sink);
    EXPECT_EQ(sink.drops, 1);
    EXPECT_EQ(sink.feeds, 1);
    EXPECT_TRUE(unit->Requests().empty());
    EXPECT_EQ(hw->GetSamplingState(), SamplingIdle);
}

// The driver's tables refer to the object's own memory: none outlives it.
TEST_F(Acquisition, ClosedHardwareLeavesNoBufferRegistered) {
    hw.reset();
    EXPECT_EQ(BuffersLeftRegistered([] { SensorHardware opened; }), std::vector<uint32_t>{});
}

TEST_F(Acquisition, UnitWithoutDevicesNeverStarts) {
    platform::SetDeviceProvider(nullptr);
    hw = std::make_unique<SensorHardware>();
    hw->StartSampling(sink);
    hw->ProcessSampleBlock(sink);
    EXPECT_EQ(hw->GetSamplingState(), SamplingFinished);
    EXPECT_TRUE(sink.leftSamples.empty());
}
