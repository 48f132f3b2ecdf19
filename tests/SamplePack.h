#pragma once
// Installs a sample language pack from resources/lang on a test's unit root.

#include <fstream>
#include <iterator>
#include <string>

#include "TempUnitRoot.h"

// Puts "resources/lang/CODE.txt" where the unit keeps the pack for CODE.
inline void PutSamplePack(const TempUnitRoot& root, const std::string& code) {
    std::ifstream pack(std::string(CORRELATOR_SOURCE_DIR) + "/resources/lang/" + code + ".txt", std::ios::binary);
    EXPECT_TRUE(pack.is_open()) << code;
    root.Put("\\NandFlash\\TamrikDialogs" + code + ".dll", std::string(std::istreambuf_iterator<char>(pack), {}));
}
