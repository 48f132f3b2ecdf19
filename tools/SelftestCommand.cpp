#include <cstdint>
#include <string>
#include <vector>

#include "app/ModuleSelfTests.h"
#include "dsp/CorrelationKernel.h"
#include "dsp/FftVector.h"
#include "dsp/Fir.h"
#include "tools/Corrtool.h"

namespace {

// Every direct kernel this CPU runs against the definition, on one block of
// full-range samples whose partial sums wrap; "" when all agree.
std::string CheckDirectKernels() {
    constexpr int32_t n = 1100, lagCount = 177;
    std::vector<int16_t> a(n + lagCount - 1), b(n);
    uint32_t x = 12345;
    for (int16_t& v : a) v = static_cast<int16_t>((x = x * 1103515245u + 12345u) >> 16);
    for (int16_t& v : b) v = static_cast<int16_t>((x = x * 1103515245u + 12345u) >> 16);
    std::vector<int64_t> expected(lagCount, 0);
    corr::DirectBlockScalar(a.data(), b.data(), n, lagCount, expected.data());
    std::string failures;
    corr::DirectEngine engine;
    engine.Reserve(n, lagCount);
    for (const std::string& kernel : corr::DirectEngine::AvailableKernels()) {
        corr::DirectEngine::SelectKernel(kernel);
        std::vector<int64_t> c(lagCount, 0);
        engine.Accumulate(a.data(), b.data(), n, lagCount, c.data());
        if (c != expected) failures += "direct kernel " + kernel + " differs from the definition\n";
    }
    corr::DirectEngine::SelectKernel("");
    return failures;
}

}  // namespace

int CmdSelftest(const Args&, std::ostream& out, std::ostream& err) {
    int failed = 0, run = 0;
    std::vector<ModuleSelfTest> tests(ModuleSelfTests().begin(), ModuleSelfTests().end());
    tests.push_back({"direct-kernels", &CheckDirectKernels});
    for (const ModuleSelfTest& test : tests) {
        if (!test.run) continue;
        ++run;
        const std::string text = test.run();
        out << test.name << '=' << (text.empty() ? "pass" : "FAIL") << '\n';
        if (!text.empty()) {
            ++failed;
            err << text;
            if (text.back() != '\n') err << '\n';
        }
    }
    // The direct engine's inner loop this CPU chose, every one it runs, the
    // FFT's butterflies and the band filters' path.
    out << "direct_kernel=" << corr::DirectEngine::KernelName() << "\ndirect_kernels=";
    const std::vector<std::string> kernels = corr::DirectEngine::AvailableKernels();
    for (size_t i = 0; i < kernels.size(); ++i) out << (i ? "," : "") << kernels[i];
    out << "\nfft_butterflies=" << dsp::vec::Name() << "\nfir_path=" << fir::PathName() << "\nselftests=" << run << "\nfailed=" << failed << '\n';
    return failed ? 1 : 0;
}
