#include "dsp/RunPoint.h"

#include <cmath>
#include <exception>

std::optional<RunPoint> PointOfRun(const CCorrelation& run, LengthUnit length, TimeUnit time) {
    const int32_t accumulator = run.SelectedAccumulator();
    if (accumulator < 0 || accumulator >= CCorrelation::kAccumulators) return std::nullopt;
    if (run.Accumulator(accumulator).size() != 2 * static_cast<size_t>(run.MaxLag()) + 1) return std::nullopt;
    const PeakResult peak = run.FindPeak(accumulator);
    const CPipe& pipe = run.Pipe();
    const auto lag = static_cast<float>(peak.peakIndex - run.MaxLag());
    const DelayUnit unit = time == TimeUnit::Milliseconds ? DelayUnit::Milliseconds : DelayUnit::Seconds;
    RunPoint p;
    p.separation = pipe.GetTotalLength(length);
    p.delay = ConvertDelay(lag, DelayUnit::Samples, unit, run.SampleRate());
    if (!std::isfinite(p.separation) || !std::isfinite(p.delay)) return std::nullopt;
    p.stationA = pipe.GetStationA();
    p.stationB = pipe.GetStationB();
    return p;
}

std::optional<RunPoint> ReadRunPoint(std::istream& corr, const CorrelationOptions& options, LengthUnit length,
                                     TimeUnit time, std::string* error) {
    auto run = CCorrelation::CreateStartupRun(options);
    try {
        run->Read(corr);
    } catch (const std::exception& e) {
        if (error) *error = e.what();
        return std::nullopt;
    }
    std::optional<RunPoint> point = PointOfRun(*run, length, time);
    if (!point && error) *error = "no correlation in the run file";
    return point;
}

void AddRunPoint(Computation& c, const RunPoint& point) {
    if (c.points.Size() == 0) {
        c.leftStation = static_cast<int32_t>(point.stationA);
        c.rightStation = static_cast<int32_t>(point.stationB);
    }
    c.points.Append(point.separation, point.delay);
}
