// The sample language packs carry a text for every string the program has in
// English; a string a pack lacks shows in English on a translated screen.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "platform/ResourceLibrary.h"

namespace {

std::string ReadSource(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Every "string ID ..." entry of the built-in English resources.
std::set<uint32_t> BuiltInStringIds() {
    std::set<uint32_t> ids;
    const std::regex entry(R"(^string (\d+) )");
    for (const auto& file : std::filesystem::directory_iterator(CORRELATOR_SOURCE_DIR "/resources/builtin")) {
        std::istringstream lines(ReadSource(file.path()));
        std::smatch m;
        for (std::string line; std::getline(lines, line);)
            if (std::regex_search(line, m, entry)) ids.insert(static_cast<uint32_t>(std::stoul(m[1])));
    }
    return ids;
}

class LanguagePack : public ::testing::TestWithParam<const char*> {};

}  // namespace

TEST_P(LanguagePack, HasATextForEveryBuiltInString) {
    const std::string path = std::string(CORRELATOR_SOURCE_DIR "/resources/lang/") + GetParam() + ".txt";
    const auto pack = platform::ResourceLibrary::Parse(path, ReadSource(path));
    const std::set<uint32_t> ids = BuiltInStringIds();
    ASSERT_GT(ids.size(), 100u);
    std::string missing;
    for (uint32_t id : ids) {
        const auto text = pack.String(id);
        if (!text || text->empty()) missing += " " + std::to_string(id);
    }
    EXPECT_EQ(missing, "") << GetParam() << " lacks string ids:" << missing;
}

INSTANTIATE_TEST_SUITE_P(SamplePacks, LanguagePack, ::testing::Values("DEU", "FAS"));
