// A saved run read as OPEN reads it (header only, then whole), what the
// information lines and the graph take from it (the display trace, the
// columns of the stored window, the cursor, a zoom, the suppression), and a
// file that read is written and must read back.

#include <sstream>

#include "archive/Archive.h"
#include "dsp/Correlation.h"
#include "fuzz/FuzzUnit.h"
#include "tools/RunCommon.h"

namespace {

void Inspect(CCorrelation& run) {
    std::ostringstream sink;
    PrintPeak(run, sink);
    sink << run.FilterDescription().size() << run.Pipe().GetDescription(LengthUnit::Feet).size()
         << run.Pipe().GetTotalLength(LengthUnit::Metres) << run.Clock().ElapsedMs();
    for (int32_t t = 0; t < run.TraceCount(); ++t) run.DisplayTrace(t);
}

// As the main screen draws the run OPEN made: the selected trace, the cursor
// and the pipe's ends on the stored window, then a zoom to that window and a
// suppression over its left half, each drawn again.
void Draw(CCorrelation& run) {
    constexpr int32_t kSamples = static_cast<int32_t>(DelayUnit::Samples);
    const int32_t selected = run.SelectedAccumulator();
    std::ostringstream sink;
    run.DisplayTrace(selected);
    const float travel = run.Pipe().GetTotalTime(DelayUnit::Seconds);
    sink << run.CursorColumn() << run.ColumnOfDelay(-travel, 0) << run.ColumnOfDelay(travel, 0) << run.Snr();
    for (int32_t column : {0, run.Columns() / 2, run.Columns() - 1}) sink << run.DelayOfColumn(column, kSamples);
    run.View().cursorLag = run.FindPeak(selected).peakIndex - run.MaxLag();
    sink << run.CursorColumn() << run.PeakDelay(0);
    run.SetVisibleWindow(run.VisibleLeft(kSamples), run.VisibleRight(kSamples), kSamples);
    run.DisplayTrace(selected);
    run.SetSuppression(run.DelayOfColumn(0, kSamples), run.DelayOfColumn(run.Columns() / 2, kSamples), kSamples);
    run.DisplayTrace(selected);
    sink << run.Snr() << run.FindPeak(selected).height;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes = fuzz::Bytes(data, size);
    {
        auto header = CCorrelation::CreateStartupRun(CorrelationOptions{});
        std::istringstream in(bytes);
        try {
            header->Read(in, true);
        } catch (const archive::ArchiveError&) {
        }
    }
    auto run = CCorrelation::CreateStartupRun(CorrelationOptions{});
    std::istringstream in(bytes);
    try {
        run->Read(in);
    } catch (const archive::ArchiveError&) {
        return 0;
    }
    Inspect(*run);
    Draw(*run);
    std::ostringstream saved;
    run->Write(saved);
    auto again = CCorrelation::CreateStartupRun(CorrelationOptions{});
    std::istringstream back(saved.str());
    try {
        again->Read(back);
    } catch (const archive::ArchiveError&) {
        fuzz::Fail("a run that was read and drawn does not read back once written");
    }
    return 0;
}
