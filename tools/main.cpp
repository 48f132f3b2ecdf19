#include <iostream>

#include "tools/Corrtool.h"

int main(int argc, char** argv) {
    return RunCorrtool(Args(argv + 1, argv + argc), std::cout, std::cerr);
}
