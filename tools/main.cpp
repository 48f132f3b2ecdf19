#include <exception>
#include <iostream>

#include "tools/Corrtool.h"

int main(int argc, char** argv) {
    // A command that fails in a way it did not foresee still ends as a
    // failed command with its message, never as an abort.
    try {
        return RunCorrtool(Args(argv + 1, argv + argc), std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << "corrtool: " << e.what() << '\n';
        return 1;
    }
}
