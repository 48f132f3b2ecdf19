#pragma once
// hardware/SampleSink.h — where the acquisition chain delivers: the run's two
// sample inputs and the little it needs to know of the run's pipe. The
// correlation run implements it (hardware/CorrelationInput.h); tests and the
// benchmark use plain collectors.

#include <cstdint>

#include "pipe/Station.h"

class SampleSink {
public:
    virtual ~SampleSink() = default;

    // The stations at the pipe's left and right ends.
    virtual StationCode LeftStation() const = 0;
    virtual StationCode RightStation() const = 0;
    // The largest delay the pipe allows, seconds (its survey range or the
    // sections' total travel time).
    virtual float MaxDelaySeconds() const = 0;

    // One block's output of the left (Red input) and right (Blue input)
    // chains, in order; counts 0..1023.
    virtual void TakeSamples(const int16_t* left, int32_t leftCount, const int16_t* right,
                             int32_t rightCount) = 0;

    // Replay: the unread samples of both inputs are dropped.
    virtual void DropUnread() = 0;
    // Replay: up to `limit` pairs of the opened recording go to the inputs;
    // returns the pairs fed.
    virtual int32_t FeedRecording(int32_t limit) = 0;
};

// Takes the acquisition's blocks and keeps none: for sampling that only the
// hardware's own level stores need (a listen screen no run feeds, a picture
// of live waveforms). Red left, Blue right, a 0.1 s pipe.
class LevelOnlySink final : public SampleSink {
public:
    StationCode LeftStation() const override { return StationCode::Red; }
    StationCode RightStation() const override { return StationCode::Blue; }
    float MaxDelaySeconds() const override { return 0.1f; }
    void TakeSamples(const int16_t*, int32_t, const int16_t*, int32_t) override {}
    void DropUnread() override {}
    int32_t FeedRecording(int32_t) override { return 0; }
};
