#pragma once
// tools/Corrtool.h — the command-line tool's command table.
//
// Each command is a function of its arguments (after the command words) and
// two streams; it returns the exit code. Output is key=value lines; errors go
// to err with the reader's own message.

#include <fstream>
#include <ostream>
#include <string>
#include <vector>

using Args = std::vector<std::string>;
using CommandFn = int (*)(const Args& args, std::ostream& out, std::ostream& err);

struct CorrtoolCommand {
    const char* group;  // "conf"; empty for a one-word command
    const char* verb;   // "show"
    const char* usage;  // arguments, for the help text
    CommandFn run;
};

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
