#pragma once
// hardware/CorrelationInput.h — a correlation run as the acquisition chain's
// sink: the left chain feeds its Red input, the right its Blue input; the
// stations and the largest delay come from the run's pipe. Live blocks and a
// reopened recording reach the run through the same inputs.

#include "dsp/Correlation.h"
#include "hardware/SampleSink.h"

class SensorHardware;

class CorrelationInput final : public SampleSink {
public:
    explicit CorrelationInput(CCorrelation& run) : m_run(run) {}

    StationCode LeftStation() const override { return m_run.Pipe().GetStationA(); }
    StationCode RightStation() const override { return m_run.Pipe().GetStationB(); }
    float MaxDelaySeconds() const override { return m_run.Pipe().GetTotalTime(DelayUnit::Seconds); }
    void TakeSamples(const int16_t* left, int32_t leftCount, const int16_t* right, int32_t rightCount) override;
    // Both raw stores' read positions move to their write positions.
    void DropUnread() override;
    int32_t FeedRecording(int32_t limit) override { return m_run.FeedFromWav(limit); }

private:
    CCorrelation& m_run;
};

// The run loop's calls with the run itself.
void StartSampling(SensorHardware& hardware, CCorrelation& run);
void ProcessSampleBlock(SensorHardware& hardware, CCorrelation& run);
