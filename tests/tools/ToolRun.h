#pragma once
// Runs corrtool in-process with string streams.

#include <sstream>
#include <string>

#include "tools/Corrtool.h"

inline int RunTool(const Args& args, std::string& out, std::string& err) {
    std::ostringstream o, e;
    const int rc = RunCorrtool(args, o, e);
    out = o.str();
    err = e.str();
    return rc;
}

// Whether the output holds this whole line (not the first line).
inline bool HasLine(const std::string& out, const std::string& line) {
    return out.find("\n" + line + "\n") != std::string::npos;
}
