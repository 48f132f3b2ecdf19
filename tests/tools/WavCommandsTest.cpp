// corrtool wav info: a recording's header and frames, and files playback
// would refuse, said as such.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "../pipe/Bytes.h"
#include "TempUnitRoot.h"
#include "ToolRun.h"

namespace {

// 44-byte header at 10000 Hz; format, channels, block align and bits given.
std::string Header(int16_t format, int16_t channels, int16_t align, int16_t bits, int32_t dataSize) {
    using namespace bytes;
    return "RIFF" + I32(36 + dataSize) + "WAVEfmt " + I32(16) + I16(format) + I16(channels) + I32(10000) +
           I32(10000 * align) + I16(align) + I16(bits) + "data" + I32(dataSize);
}

std::string WriteFile(const TempUnitRoot& root, const std::string& name, const std::string& bytes) {
    const std::string path = (root.Path() / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

bool Has(const std::string& out, const std::string& line) { return out.find(line + "\n") != std::string::npos; }

TEST(CorrtoolWav, InfoShowsHeaderFieldsAndFrames) {
    TempUnitRoot root;
    const std::string file = WriteFile(root, "A1_corr.wav", Header(1, 2, 4, 16, 12) + std::string(12, '\0'));
    std::string out, err;
    ASSERT_EQ(RunTool({"wav", "info", file}, out, err), 0) << err;
    for (const char* line : {"riff=RIFF", "format=1", "channels=2", "sampleRate=10000", "blockAlign=4",
                             "bitsPerSample=16", "dataSize=12", "frames=3", "playable=yes"})
        EXPECT_TRUE(Has(out, line)) << line << "\n" << out;
}

TEST(CorrtoolWav, ZeroBlockAlignShortAndMissingFiles) {
    TempUnitRoot root;
    const std::string file = WriteFile(root, "odd.wav", Header(1, 2, 0, 16, 8) + std::string(8, '\0'));
    std::string out, err;
    ASSERT_EQ(RunTool({"wav", "info", file}, out, err), 0) << err;
    EXPECT_TRUE(Has(out, "frames=0"));
    EXPECT_TRUE(Has(out, "playable=no"));
    EXPECT_NE(out.find("note=block align is not 4"), std::string::npos);
    // A short file and a missing one.
    ASSERT_EQ(RunTool({"wav", "info", WriteFile(root, "short.wav", "RIFF")}, out, err), 0);
    EXPECT_TRUE(Has(out, "header=short"));
    EXPECT_TRUE(Has(out, "frames=0"));
    EXPECT_EQ(RunTool({"wav", "info", (root.Path() / "none.wav").string()}, out, err), 1);
    EXPECT_NE(err.find("cannot open"), std::string::npos);
}

}  // namespace
