// Writes a test capture for the audio end-to-end script:
//   make_test_signal FILE RATE SECONDS LEFT_DELAY_SAMPLES_AT_10KHZ
#include <cstdio>
#include <cstdlib>

#include "../TestSignal.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: make_test_signal FILE RATE SECONDS DELAY\n");
        return 2;
    }
    testsignal::Signal s;
    s.rate = static_cast<unsigned>(std::atoi(argv[2]));
    s.seconds = std::atof(argv[3]);
    s.leftDelaySamples = std::atof(argv[4]);
    return testsignal::Write(argv[1], testsignal::Make(s)) ? 0 : 1;
}
