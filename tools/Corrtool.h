#pragma once
// tools/Corrtool.h — the command-line tool's command table.
//
// Each command is a function of its arguments (after the command words) and
// two streams; it returns the exit code. Output is key=value lines, or one
// JSON object with --json (tools/ResultOut.h); errors go to err with the
// reader's own message. "--help" anywhere after the command words prints the
// command's usage and options to out instead of running it.

#include <fstream>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

using Args = std::vector<std::string>;
using CommandFn = int (*)(const Args& args, std::ostream& out, std::ostream& err);

struct CorrtoolCommand {
    const char* group;  // "conf"; empty for a one-word command
    const char* verb;   // "show"
    const char* usage;  // arguments and every option, for the help text
    CommandFn run;
    const char* options = "";  // one "  --option VALUE  what it does" line each, for --help
};

// The command table, in the order the usage lists it.
std::span<const CorrtoolCommand> CorrtoolCommands();

// "corrtool VERSION" as the build names it.
std::string CorrtoolVersion();

// Prints "usage: corrtool GROUP VERB USAGE" to err and returns 2, the status of a bad command line.
int UsageError(std::string_view group, std::string_view verb, std::ostream& err);

// Removes every "--json" from args; true when there was one.
bool TakeJsonFlag(Args& args);

// Runs corrtool with its arguments (without the program name). Leading
// "--root DIR" sets the unit root.
int RunCorrtool(const Args& args, std::ostream& out, std::ostream& err);

// Opens the command's FILE argument (a host path) or, without one, the unit's
// own file at devicePath; name says which. False when it cannot be opened.
bool OpenInputFile(const Args& args, const char* devicePath, std::ifstream& file, std::string& name);

// The commands, one file per group.
int CmdSelftest(const Args& args, std::ostream& out, std::ostream& err);
int CmdConfShow(const Args& args, std::ostream& out, std::ostream& err);
int CmdConfWriteDefault(const Args& args, std::ostream& out, std::ostream& err);
// wav:
int CmdWavInfo(const Args& args, std::ostream& out, std::ostream& err);
// materials, comp:
int CmdMaterialsShow(const Args& args, std::ostream& out, std::ostream& err);
int CmdMaterialsWrite(const Args& args, std::ostream& out, std::ostream& err);
int CmdCompShow(const Args& args, std::ostream& out, std::ostream& err);
int CmdCompAdd(const Args& args, std::ostream& out, std::ostream& err);
// corr:
int CmdCorrInfo(const Args& args, std::ostream& out, std::ostream& err);
int CmdCorrReplay(const Args& args, std::ostream& out, std::ostream& err);
int CmdCorrVerify(const Args& args, std::ostream& out, std::ostream& err);
// acquire:
int CmdAcquire(const Args& args, std::ostream& out, std::ostream& err);
// analyze, batch:
int CmdAnalyze(const Args& args, std::ostream& out, std::ostream& err);
int CmdBatch(const Args& args, std::ostream& out, std::ostream& err);
