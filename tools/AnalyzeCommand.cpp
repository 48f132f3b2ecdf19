// corrtool analyze: one pair of recordings on a described pipe.

#include <exception>
#include <sstream>

#include "analysis/WavInput.h"
#include "tools/AnalyzeJob.h"
#include "tools/Corrtool.h"
#include "tools/Progress.h"
#include "tools/RunCommon.h"

namespace {
constexpr int64_t kProgressSteps = 1000;
}

int CmdAnalyze(const Args& args, std::ostream& out, std::ostream& err) {
    AnalyzeJob job;
    bool json = false;
    if (!ParseAnalyzeArgs(args, job, json, err)) return 2;
    job.threads = JobThreads(0, kMaxJobs);
    // The results go out whole or not at all.
    std::ostringstream results;
    try {
        CResultOut r(results, json);
        {
            CProgress shown(err, "analyze", kProgressSteps);
            RunAnalyzeJob(job, r, [&](double share) { shown.Update(static_cast<int64_t>(share * kProgressSteps)); });
        }
        r.Finish();
    } catch (const std::exception& e) {  // the inputs' messages; memory or resampler failures alike
        err << "corrtool: " << e.what() << '\n';
        return 1;
    }
    out << results.str();
    return 0;
}
