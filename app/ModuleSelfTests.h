#pragma once
// app/ModuleSelfTests.h — the core modules' self-tests, in the order start-up
// runs them. Each returns an empty text on success, else one line per failed
// check led by its unit and line (".\PipeSegment(88): ").

#include <span>
#include <string>
#include <vector>

struct ModuleSelfTest {
    const char* name;     // short module name, for corrtool
    std::string (*run)();
};

std::span<const ModuleSelfTest> ModuleSelfTests();

// Runs them all; the non-empty failure texts, in order.
std::vector<std::string> RunModuleSelfTests();
