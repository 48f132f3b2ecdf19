#pragma once
// A fresh unit root in a temporary folder for one test; removed after.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/Paths.h"

class TempUnitRoot {
public:
    TempUnitRoot() {
        std::random_device rd;
        m_path = std::filesystem::temp_directory_path() /
                 ("corr-test-" + std::to_string(rd()) + "-" + std::to_string(rd()));
        platform::SetUnitRoot(m_path);
    }
    ~TempUnitRoot() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempUnitRoot(const TempUnitRoot&) = delete;
    TempUnitRoot& operator=(const TempUnitRoot&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

    // Writes bytes at a device path, creating its folders.
    void Put(const std::string& devicePath, const std::string& bytes) const {
        const auto host = platform::HostPath(devicePath);
        std::filesystem::create_directories(host.parent_path());
        std::ofstream(host, std::ios::binary) << bytes;
    }

private:
    std::filesystem::path m_path;
};
