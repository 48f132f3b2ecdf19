#include "tools/Corrtool.h"

#include <algorithm>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Version.h"
#include "tools/AudioCommands.h"

namespace {

constexpr const char* kJsonOption = "  --json                  one JSON object instead of key=value lines (docs/json.md)\n";
constexpr const char* kBandOption = "  --band LOW-HIGH         the band in Hz, 0 for an open edge\n";
constexpr const char* kEngineOption = "  --engine direct|fft     the correlation engine (default: the settings')\n";
constexpr const char* kOutOption = "  --out NAME              save the run as NAME.corr and NAME_corr.wav\n";
constexpr const char* kUnitsOptions =
    "  --feet                  lengths in feet (default metres)\n"
    "  --ms                    times in milliseconds (default seconds)\n";

// Each option string is built from the shared lines above; a command's own
// lines come first.
const std::string kReplayOptions = std::string(
    "  --post-filter 0|1       correlate filtered samples (0) or filter the correlation (1)\n"
    "  --traces 1|3            one trace, or three on the band and its halves\n") +
    kEngineOption + kBandOption + kOutOption +
    "  --jobs N                threads in all (default: every core): files replay side by\n"
    "                          side, and a run's direct engine shares its lags among the rest\n" + kJsonOption;
const std::string kAcquireOptions = std::string(
    "  --unit virtual|audio[:DEVICE[@RATE]]  the virtual unit (default) or an audio capture device\n"
    "  --seconds N             seconds of sampling, up to 3600 (default 10)\n"
    "  --scenario FILE         the virtual unit's world (default: the unit root's, else built in)\n"
    "  --rate HZ               sample rate, 10000 divided by a whole number (default: from the pipe)\n"
    "  --stations A,B          station codes 0-3 of the pair (default 1,2)\n"
    "  --pipe LEN:SPEED[,LEN:SPEED...]  sections in m and m/s (default: the scenario's)\n") +
    kEngineOption + kBandOption + kOutOption + kJsonOption;
const std::string kAnalyzeOptions = std::string(
    "  --pipe LEN:VEL[:MATERIAL][,LEN:VEL...]  sections in m and m/s (feet and ft/s with --units imperial);\n"
    "                          default: the run's pipe\n"
    "  --units metric|imperial lengths of --pipe and of the results (default metric)\n"
    "  --band LOW-HIGH         the band in Hz (default: the pipe's recommended cut-offs)\n"
    "  --weighting none|phat|scot|ml  the correlation's weighting (default phat)\n"
    "  --gate on|off           leave out segments with bursts far above the median level (default on)\n"
    "  --peaks K               candidate peaks listed (default 3)\n"
    "  --velocity-error PCT    the velocity's uncertainty in the interval (default 2)\n"
    "  --comp FILE.comp        the velocity's uncertainty from a velocity fit instead\n") +
    kJsonOption;
const std::string kCompOptions = std::string(kUnitsOptions) + kJsonOption;

const CorrtoolCommand kCommands[] = {
    {"", "selftest", "", CmdSelftest},
    {"conf", "show", "[FILE] [--json]", CmdConfShow, kJsonOption},
    {"conf", "write-default", "FILE", CmdConfWriteDefault},
    // wav:
    {"wav", "info", "FILE [--json]", CmdWavInfo, kJsonOption},
    // materials, comp:
    {"materials", "show", "[FILE] [--json]", CmdMaterialsShow, kJsonOption},
    {"materials", "write", "FILE", CmdMaterialsWrite},
    {"comp", "show", "FILE [--feet] [--ms] [--json]", CmdCompShow, kCompOptions.c_str()},
    {"comp", "add", "FILE.comp RUN.corr... [--feet] [--ms] [--json]", CmdCompAdd, kCompOptions.c_str()},
    // corr:
    {"corr", "info", "FILE [--json]", CmdCorrInfo, kJsonOption},
    {"corr", "replay",
     "FILE.corr... [--post-filter 0|1] [--traces 1|3] [--engine direct|fft] [--band LOW-HIGH] [--out NAME]\n"
     "        [--jobs N] [--json]",
     CmdCorrReplay, kReplayOptions.c_str()},
    {"corr", "verify", "RUN.corr [--json]", CmdCorrVerify, kJsonOption},
    // acquire:
    {"", "acquire",
     "[--unit virtual|audio[:DEVICE[@RATE]]] [--seconds N] [--scenario FILE] [--rate HZ] [--stations A,B]\n"
     "        [--pipe LEN:SPEED[,LEN:SPEED...]] [--engine direct|fft] [--band LOW-HIGH] [--out NAME] [--json]",
     CmdAcquire, kAcquireOptions.c_str()},
    {"", "devices", "[--json]", CmdDevices, kJsonOption},
    {"", "analyze",
     "RUN.corr | RED.wav BLUE.wav | STEREO.wav [--pipe LEN:VEL[:MATERIAL][,LEN:VEL...]] [--units metric|imperial]\n"
     "        [--band LOW-HIGH] [--weighting none|phat|scot|ml] [--gate on|off] [--peaks K] [--velocity-error PCT]\n"
     "        [--comp FILE.comp] [--json]",
     CmdAnalyze, kAnalyzeOptions.c_str()},
    {"", "batch", "MANIFEST [--jobs N]", CmdBatch,
     "  --jobs N                pairs analysed at once (default: every core)\n"},
};

void PrintCommandLine(const CorrtoolCommand& c, std::ostream& os) {
    os << "corrtool ";
    if (*c.group) os << c.group << ' ';
    os << c.verb;
    if (*c.usage) os << ' ' << c.usage;
    os << '\n';
}

void PrintUsage(std::ostream& os, std::string_view group = {}) {
    os << "usage: corrtool [--root DIR] COMMAND [ARGS]\n"
          "       corrtool --version\n"
          "       corrtool COMMAND --help\n";
    for (const CorrtoolCommand& c : kCommands) {
        if (!group.empty() && group != c.group) continue;
        os << "  ";
        PrintCommandLine(c, os);
    }
}

void PrintHelp(const CorrtoolCommand& c, std::ostream& out) {
    out << "usage: ";
    PrintCommandLine(c, out);
    if (*c.options) out << "options:\n" << c.options;
}

bool IsHelp(const std::string& a) { return a == "--help" || a == "-h"; }

bool IsGroup(const std::string& word) {
    return std::any_of(std::begin(kCommands), std::end(kCommands),
                       [&](const CorrtoolCommand& c) { return *c.group && word == c.group; });
}

// The command's arguments; --help among them prints its help instead.
int RunCommand(const CorrtoolCommand& c, Args args, std::ostream& out, std::ostream& err) {
    if (std::any_of(args.begin(), args.end(), IsHelp)) {
        PrintHelp(c, out);
        return 0;
    }
    return c.run(args, out, err);
}

}  // namespace

std::span<const CorrtoolCommand> CorrtoolCommands() { return kCommands; }

std::string CorrtoolVersion() { return std::string("corrtool ") + kSoftwareVersion; }

int UsageError(std::string_view group, std::string_view verb, std::ostream& err) {
    for (const CorrtoolCommand& c : kCommands) {
        if (group != c.group || verb != c.verb) continue;
        err << "usage: ";
        PrintCommandLine(c, err);
    }
    return 2;
}

bool TakeJsonFlag(Args& args) {
    const auto kept = std::remove(args.begin(), args.end(), "--json");
    const bool found = kept != args.end();
    args.erase(kept, args.end());
    return found;
}

int RunCorrtool(const Args& argsIn, std::ostream& out, std::ostream& err) {
    Args args = argsIn;
    if (args.size() >= 2 && args[0] == "--root") {
        platform::SetUnitRoot(args[1]);
        args.erase(args.begin(), args.begin() + 2);
    }
    if (!args.empty() && args[0] == "--version") {
        out << CorrtoolVersion() << '\n';
        return 0;
    }
    if (args.empty() || IsHelp(args[0])) {
        PrintUsage(args.empty() ? err : out);
        return args.empty() ? 2 : 0;
    }
    for (const CorrtoolCommand& c : kCommands) {
        const bool oneWord = !*c.group;
        if (oneWord && args[0] == c.verb) return RunCommand(c, Args(args.begin() + 1, args.end()), out, err);
        if (!oneWord && args[0] == c.group && args.size() >= 2 && args[1] == c.verb)
            return RunCommand(c, Args(args.begin() + 2, args.end()), out, err);
    }
    // A group's own help lists its commands.
    if (IsGroup(args[0]) && args.size() == 2 && IsHelp(args[1])) {
        PrintUsage(out, args[0]);
        return 0;
    }
    err << "corrtool: unknown command '" << args[0] << (args.size() > 1 ? " " + args[1] : "") << "'\n";
    PrintUsage(err, IsGroup(args[0]) ? args[0] : std::string_view());
    return 2;
}

bool OpenInputFile(const Args& args, const char* devicePath, std::ifstream& file, std::string& name) {
    if (args.empty()) {
        name = devicePath;
        file = platform::OpenForRead(devicePath);
    } else {
        name = args[0];
        file.open(args[0], std::ios::binary);
    }
    return file.is_open();
}
