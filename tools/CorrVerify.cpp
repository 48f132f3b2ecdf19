// corrtool corr verify: a saved run and its recording checked as a whole,
// for runs copied off a unit and for the tests of every writer.

#include <fstream>
#include <memory>
#include <string>

#include "app/RunSettings.h"
#include "dsp/RunVerify.h"
#include "tools/Corrtool.h"

namespace {

// The text as a JSON string, quotes included.
std::string Json(const std::string& s) {
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            static const char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[(c >> 4) & 15];
            out += kHex[c & 15];
        } else {
            out += c;
        }
    }
    return out + '"';
}

void PrintJson(const std::string& file, const std::vector<RunDifference>& found, std::ostream& out) {
    out << "{\"file\":" << Json(file) << ",\"verify\":" << (found.empty() ? "\"ok\"" : "\"failed\"")
        << ",\"differences\":[";
    for (size_t i = 0; i < found.size(); ++i)
        out << (i ? "," : "") << "{\"check\":" << Json(found[i].check) << ",\"message\":" << Json(found[i].message)
            << '}';
    out << "]}\n";
}

// One FILE and at most --json.
bool ParseVerify(const Args& args, std::string& file, bool& json) {
    for (const std::string& a : args) {
        if (a == "--json") json = true;
        else if (a.rfind("--", 0) == 0 || !file.empty()) return false;
        else file = a;
    }
    return !file.empty();
}

}  // namespace

int CmdCorrVerify(const Args& args, std::ostream& out, std::ostream& err) {
    std::string file;
    bool json = false;
    if (!ParseVerify(args, file, json)) {
        err << "usage: corrtool corr verify RUN.corr [--json]\n";
        return 2;
    }
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
