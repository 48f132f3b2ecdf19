#include "hardware/CorrelationInput.h"

#include "hardware/SensorHardware.h"

void CorrelationInput::TakeSamples(const int16_t* left, int32_t leftCount, const int16_t* right, int32_t rightCount) {
    m_run.AddRedSamples(left, leftCount);
    m_run.AddBlueSamples(right, rightCount);
}

void CorrelationInput::DropUnread() {
    m_run.RedRaw().SetPos(m_run.RedRaw().SampleTotal());
    m_run.BlueRaw().SetPos(m_run.BlueRaw().SampleTotal());
}

void StartSampling(SensorHardware& hardware, CCorrelation& run) {
    CorrelationInput input(run);
    hardware.StartSampling(input);
}

void ProcessSampleBlock(SensorHardware& hardware, CCorrelation& run) {
    CorrelationInput input(run);
    hardware.ProcessSampleBlock(input);
}
