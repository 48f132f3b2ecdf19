#include "app/ModuleSelfTests.h"
#include "dsp/CorrelationKernel.h"
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
    // The direct correlation kernel this CPU runs, chosen at first use.
    out << "kernel=" << corr::DirectEngine::KernelName() << '\n';
    out << "selftests=" << run << "\nfailed=" << failed << '\n';
    return failed ? 1 : 0;
}
