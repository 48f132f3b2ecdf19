#include "tools/Corrtool.h"

#include <string_view>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "tools/AudioCommands.h"

namespace {

const CorrtoolCommand kCommands[] = {
    {"", "selftest", "", CmdSelftest},
    {"conf", "show", "[FILE]", CmdConfShow},
    {"conf", "write-default", "FILE", CmdConfWriteDefault},
    // wav:
    {"wav", "info", "FILE", CmdWavInfo},
    // materials, comp:
    {"materials", "show", "[FILE]", CmdMaterialsShow},
    {"materials", "write", "FILE", CmdMaterialsWrite},
    {"comp", "show", "FILE", CmdCompShow},
    {"comp", "add", "FILE.comp RUN.corr... [--feet] [--ms]", CmdCompAdd},
    // corr:
    {"corr", "info", "FILE", CmdCorrInfo},
    {"corr", "replay", "FILE.corr [options]", CmdCorrReplay},
    {"corr", "verify", "RUN.corr [--json]", CmdCorrVerify},
    // acquire:
    {"", "acquire", "[options]", CmdAcquire},
    {"", "devices", "", CmdDevices},
    {"", "analyze", "RUN.corr | RED.wav BLUE.wav | STEREO.wav [--pipe LEN:VEL[:MATERIAL][,...]] [--comp FILE.comp] [--json] [options]", CmdAnalyze},
    {"", "batch", "MANIFEST [--jobs N]", CmdBatch},
};

void PrintUsage(std::ostream& err) {
    err << "usage: corrtool [--root DIR] COMMAND [ARGS]\n";
    for (const CorrtoolCommand& c : kCommands) {
        err << "  corrtool ";
        if (*c.group) err << c.group << ' ';
        err << c.verb;
        if (*c.usage) err << ' ' << c.usage;
        err << '\n';
    }
}

}  // namespace

int RunCorrtool(const Args& argsIn, std::ostream& out, std::ostream& err) {
    Args args = argsIn;
    if (args.size() >= 2 && args[0] == "--root") {
        platform::SetUnitRoot(args[1]);
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        PrintUsage(err);
        return args.empty() ? 2 : 0;
    }
    for (const CorrtoolCommand& c : kCommands) {
        const bool oneWord = !*c.group;
        if (oneWord && args[0] == c.verb) return c.run(Args(args.begin() + 1, args.end()), out, err);
        if (!oneWord && args[0] == c.group && args.size() >= 2 && args[1] == c.verb)
            return c.run(Args(args.begin() + 2, args.end()), out, err);
    }
    err << "corrtool: unknown command '" << args[0] << (args.size() > 1 ? " " + args[1] : "") << "'\n";
    PrintUsage(err);
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
