// corrtool corr verify: a saved run and its recording checked as a whole,
// for runs copied off a unit and for the tests of every writer.

#include <fstream>
#include <memory>
#include <string>

#include "app/RunSettings.h"
#include "dsp/RunVerify.h"
#include "tools/Corrtool.h"
#include "tools/ResultOut.h"

namespace {

void PrintJson(const std::string& file, const std::vector<RunDifference>& found, std::ostream& out) {
    CResultOut r(out, true);
    r.Text("file", file);
    r.Text("verify", found.empty() ? "ok" : "failed");
    r.BeginList("differences");
    for (const RunDifference& d : found) {
        r.BeginItem();
        r.Text("check", d.check);
        r.Text("message", d.message);
        r.EndItem();
    }
    r.EndList();
    r.Finish();
}

// One FILE and at most --json.
bool ParseVerify(Args args, std::string& file, bool& json) {
    json = TakeJsonFlag(args);
    for (const std::string& a : args) {
        if (a.rfind("--", 0) == 0 || !file.empty()) return false;
        else file = a;
    }
    return !file.empty();
}

}  // namespace

int CmdCorrVerify(const Args& args, std::ostream& out, std::ostream& err) {
    std::string file;
    bool json = false;
    if (!ParseVerify(args, file, json)) return UsageError("corr", "verify", err);
    std::ifstream corr(file, std::ios::binary);
    if (!corr.is_open()) {
        err << "corrtool: cannot open " << file << '\n';
        return 1;
    }
    auto recording = std::make_unique<std::ifstream>(RecordingName(file), std::ios::binary);
    const std::vector<RunDifference> found =
        VerifyRun(corr, recording->is_open() ? std::move(recording) : nullptr, CorrelationOptionsFromConfiguration());
    if (json) {
        PrintJson(file, found, out);
    } else if (found.empty()) {
        out << "verify=ok\n";
    } else {
        for (const RunDifference& d : found) out << d.check << '=' << d.message << '\n';
    }
    return found.empty() ? 0 : 1;
}
