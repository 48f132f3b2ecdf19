#include "app/ModuleSelfTests.h"

namespace {

// Start-up order: sample store, FFT, pipe model (two), band filters, linear regression.
constexpr ModuleSelfTest kSelfTests[] = {
    // sample store, FFT:
    // pipe model (two):
    // band filters:
    // linear regression:
    {"", nullptr},  // end marker, skipped
};

}  // namespace

std::span<const ModuleSelfTest> ModuleSelfTests() { return kSelfTests; }

std::vector<std::string> RunModuleSelfTests() {
    std::vector<std::string> failures;
    for (const ModuleSelfTest& test : ModuleSelfTests()) {
        if (!test.run) continue;
        std::string text = test.run();
        if (!text.empty()) failures.push_back(std::move(text));
    }
    return failures;
}
