// corrtool batch: many pairs analysed on every core, one JSON line each in
// the manifest's order.

#include <algorithm>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/Terminal.h"
#include "tools/Corrtool.h"
#include "tools/Manifest.h"
#include "tools/RunCommon.h"

namespace {

struct BatchOptions {
    std::string manifest;
    int32_t jobs = 0;  // 0: every core
};

bool ParseBatch(const Args& args, BatchOptions& o, std::ostream& err) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--jobs") {
            if (!ParseJobs(i + 1 < args.size() ? args[i + 1] : "", o.jobs, err)) return false;
            ++i;
        } else if (args[i].rfind("--", 0) == 0 || !o.manifest.empty()) {
            return err << "usage: corrtool batch MANIFEST [--jobs N]\n", false;
        } else {
            o.manifest = args[i];
        }
    }
    if (o.manifest.empty()) return err << "usage: corrtool batch MANIFEST [--jobs N]\n", false;
    return true;
}

// One pair's JSON line; failed says whether it is an error line.
std::string Analysed(const ManifestEntry& e, bool& failed) {
    std::ostringstream line;
    std::string error = e.error;
    if (error.empty()) {
        try {
            CResultOut r(line, true);
            r.Integer("line", e.line);
            RunAnalyzeJob(e.job, r);
            r.Finish();
            return failed = false, line.str();
        } catch (const std::exception& x) {
            error = x.what();
        }
    }
    std::ostringstream bad;
    CResultOut r(bad, true);
    r.Integer("line", e.line);
    r.Text("error", error);
    r.Finish();
    failed = true;
    return bad.str();
}

}  // namespace

int CmdBatch(const Args& args, std::ostream& out, std::ostream& err) {
    BatchOptions o;
    if (!ParseBatch(args, o, err)) return 2;
    std::ifstream manifest(o.manifest);
    if (!manifest.is_open()) {
        err << "corrtool: cannot open " << o.manifest << '\n';
        return 1;
    }
    const std::string folder = std::filesystem::path(o.manifest).parent_path().string();
    std::vector<ManifestEntry> entries = ReadManifest(manifest, folder);
    std::ostream* progress = platform::StderrIsTerminal() ? &err : nullptr;
    bool anyFailed = false;
    // Pairs taken in turn by the workers, cores left over shared by each
    // pair's direct engine; the lines are written in manifest order as soon
    // as each one and all before it are done.
    const int32_t workers = JobThreads(o.jobs, entries.size());
    for (ManifestEntry& e : entries) e.job.threads = std::max(1, JobThreads(o.jobs, kMaxJobs) / workers);
    RunInOrder(
        entries.size(), workers,
        [&](size_t i) {
            bool failed = false;
            std::string line = Analysed(entries[i], failed);
            return JobOutput{std::move(line), "", failed ? 1 : 0};
        },
        [&](size_t i, JobOutput& done) {
            out << done.out;
            out.flush();
            anyFailed = anyFailed || done.status != 0;
            if (progress) *progress << "\rbatch: " << i + 1 << '/' << entries.size() << std::flush;
        });
    if (progress && !entries.empty()) *progress << '\n';
    return anyFailed ? 1 : 0;
}
