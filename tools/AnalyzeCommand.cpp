// corrtool analyze: one pair of recordings on a described pipe.

#include <exception>
#include <sstream>

#include "analysis/WavInput.h"
#include "tools/AnalyzeJob.h"
#include "tools/Corrtool.h"

int CmdAnalyze(const Args& args, std::ostream& out, std::ostream& err) {
    AnalyzeJob job;
    bool json = false;
    if (!ParseAnalyzeArgs(args, job, json, err)) return 2;
    // The results go out whole or not at all.
    std::ostringstream results;
    try {
        CResultOut r(results, json);
        RunAnalyzeJob(job, r);
        r.Finish();
    } catch (const std::exception& e) {  // the inputs' messages; memory or resampler failures alike
        err << "corrtool: " << e.what() << '\n';
        return 1;
    }
    out << results.str();
    return 0;
}
