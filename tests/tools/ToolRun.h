#pragma once
// Runs corrtool in-process with string streams, and reads its "key=value" output.

#include <gtest/gtest.h>

#include <cmath>
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

struct ToolResult {
    int code;
    std::string out, err;
};

inline ToolResult Tool(const Args& args) {
    ToolResult r;
    r.code = RunTool(args, r.out, r.err);
    return r;
}

// One command's function called directly, without the command table.
inline ToolResult Call(CommandFn command, const Args& args) {
    std::ostringstream out, err;
    const int code = command(args, out, err);
    return {code, out.str(), err.str()};
}

// Whether the output holds this whole line (not the first line).
inline bool HasLine(const std::string& out, const std::string& line) {
    return out.find("\n" + line + "\n") != std::string::npos;
}

// The value of "key=value" in the output, or "" when absent.
inline std::string FieldOf(const std::string& out, const std::string& key) {
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    return "";
}

// The number a key=value line holds; a failure, and NaN, when it is missing.
inline double NumberOf(const std::string& out, const std::string& key) {
    const std::string v = FieldOf(out, key);
    EXPECT_FALSE(v.empty()) << key << " missing in\n" << out;
    return v.empty() ? NAN : std::stod(v);
}
