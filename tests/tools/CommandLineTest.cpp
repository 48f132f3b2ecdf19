// corrtool's command-line conventions: --help on every command, and progress
// text only where a person watches standard error.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "TempUnitRoot.h"
#include "ToolRun.h"
#include "dsp/CorrelationKernel.h"
#include "dsp/Fir.h"
#include "platform/Terminal.h"

namespace {

// The options each command's parser takes, written out here apart from the
// command table so that an option missing from a help text shows.
const std::map<std::string, std::vector<std::string>> kAcceptedOptions = {
    {"conf show", {"--json"}},
    {"wav info", {"--json"}},
    {"materials show", {"--json"}},
    {"comp show", {"--feet", "--ms", "--json"}},
    {"comp add", {"--feet", "--ms", "--json"}},
    {"corr info", {"--json"}},
    {"corr replay", {"--engine", "--post-filter", "--traces", "--band", "--out", "--json"}},
    {"corr verify", {"--json"}},
    {"acquire",
     {"--unit", "--seconds", "--scenario", "--rate", "--stations", "--pipe", "--engine", "--band", "--out", "--json"}},
    {"devices", {"--json"}},
    {"analyze",
     {"--pipe", "--units", "--band", "--weighting", "--gate", "--peaks", "--velocity-error", "--comp", "--json"}},
    {"batch", {"--jobs"}},
};

// Standard error taken for a terminal, or not, for one test.
class ScopedTerminal {
public:
    explicit ScopedTerminal(bool terminal) { platform::SetStderrIsTerminal(terminal); }
    ~ScopedTerminal() { platform::SetStderrIsTerminal(std::nullopt); }
};

}  // namespace

TEST(CorrtoolHelp, EveryCommandAnswersHelpWithItsUsageAndEveryOption) {
    for (const CorrtoolCommand& c : CorrtoolCommands()) {
        const std::string name = *c.group ? std::string(c.group) + " " + c.verb : c.verb;
        Args args = *c.group ? Args{c.group, c.verb} : Args{c.verb};
        args.push_back("--help");
        const ToolResult r = Tool(args);
        EXPECT_EQ(r.code, 0) << name << ": " << r.err;
        EXPECT_EQ(r.out.rfind("usage: corrtool " + name, 0), 0u) << r.out;
        EXPECT_EQ(r.err, "") << name;
        const auto accepted = kAcceptedOptions.find(name);
        if (accepted == kAcceptedOptions.end()) continue;
        // Named in the usage line and explained on a line of its own.
        for (const std::string& option : accepted->second) {
            EXPECT_NE(r.out.find("[" + option), std::string::npos) << name << " usage lacks " << option;
            EXPECT_NE(r.out.find("\n  " + option), std::string::npos) << name << " options lack " << option;
        }
    }
    const ToolResult group = Tool({"corr", "--help"});
    EXPECT_EQ(group.code, 0);
    EXPECT_NE(group.out.find("corrtool corr verify"), std::string::npos);
    EXPECT_EQ(group.out.find("corrtool acquire"), std::string::npos);
    EXPECT_EQ(Tool({}).code, 2);
}

// Progress is for a person at a terminal: a pipe or a log file never holds
// it, and a terminal sees it reach 100 % and the line cleared for what follows.
TEST(CorrtoolProgress, ShownOnlyWhenStandardErrorIsATerminal) {
    TempUnitRoot root;
    const std::string run = (root.Path() / "run").string();
    for (const bool terminal : {false, true}) {
        ScopedTerminal scoped(terminal);
        const ToolResult acquired = Tool({"acquire", "--seconds", "2", "--out", run});
        ASSERT_EQ(acquired.code, 0) << acquired.err;
        const ToolResult replayed = Tool({"corr", "replay", run + ".corr"});
        ASSERT_EQ(replayed.code, 0) << replayed.err;
        const ToolResult analysed = Tool({"analyze", run + ".corr", "--weighting", "none"});
        ASSERT_EQ(analysed.code, 0) << analysed.err;
        if (!terminal) {
            EXPECT_EQ(acquired.err, "");
            EXPECT_EQ(replayed.err, "");
            EXPECT_EQ(analysed.err, "");
            continue;
        }
        EXPECT_NE(acquired.err.find("\racquire: 100 %\r\x1b[K"), std::string::npos) << acquired.err;
        EXPECT_NE(replayed.err.find("\rcorr replay: 100 %\r\x1b[K"), std::string::npos) << replayed.err;
        EXPECT_EQ(replayed.out.find('%'), std::string::npos);
        // The replay is the first half, the spectra the second: the line passes 50 % on its way.
        EXPECT_NE(analysed.err.find("\ranalyze: 50 %"), std::string::npos) << analysed.err;
        EXPECT_NE(analysed.err.find("\ranalyze: 100 %\r\x1b[K"), std::string::npos) << analysed.err;
        EXPECT_EQ(analysed.out.find("analyze:"), std::string::npos);
    }
}

// selftest checks every direct kernel this CPU runs against the definition
// besides the modules, and names the one the engine chose.
TEST(CorrtoolSelftest, ChecksEveryDirectKernelAndNamesTheChosenOne) {
    const ToolResult r = Tool({"selftest"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(FieldOf(r.out, "direct-kernels"), "pass") << r.err;
    EXPECT_EQ(FieldOf(r.out, "direct_kernel"), corr::DirectEngine::KernelName());
    EXPECT_EQ(FieldOf(r.out, "fir_path"), fir::PathName());
    EXPECT_EQ(FieldOf(r.out, "failed"), "0");
}
