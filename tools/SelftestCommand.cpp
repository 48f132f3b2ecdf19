#include "app/ModuleSelfTests.h"
#include "dsp/CorrelationKernel.h"
#include "dsp/FftVector.h"
#include "tools/Corrtool.h"

int CmdSelftest(const Args&, std::ostream& out, std::ostream& err) {
    int failed = 0, run = 0;
    for (const ModuleSelfTest& test : ModuleSelfTests()) {
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
    // The direct correlation kernel and the FFT's butterflies this CPU runs.
    out << "kernel=" << corr::DirectEngine::KernelName() << "\nfft_butterflies=" << dsp::vec::Name() << '\n';
    out << "selftests=" << run << "\nfailed=" << failed << '\n';
    return failed ? 1 : 0;
}
