// A saved run read as OPEN reads it (header only, then whole), what the
// information lines and the graph take from it, and a file that read is
// written and must read back.

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
    std::ostringstream saved;
    run->Write(saved);
    auto again = CCorrelation::CreateStartupRun(CorrelationOptions{});
    std::istringstream back(saved.str());
    try {
        again->Read(back);
    } catch (const archive::ArchiveError&) {
        fuzz::Fail("a run that was read does not read back once written");
    }
    return 0;
}
