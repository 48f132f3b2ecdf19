#include "fuzz/FuzzUnit.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/Paths.h"

namespace fuzz {

ScratchUnit& ScratchUnit::Get() {
    static ScratchUnit unit;
    return unit;
}

ScratchUnit::ScratchUnit()
    : m_root(std::filesystem::temp_directory_path() / ("corr-fuzz-" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(m_root);
    platform::SetUnitRoot(m_root);
}

ScratchUnit::~ScratchUnit() {
    std::error_code ec;
    std::filesystem::remove_all(m_root, ec);
}

void ScratchUnit::Put(std::string_view devicePath, std::string_view bytes) const {
    const std::filesystem::path host = platform::HostPath(devicePath);
    std::filesystem::create_directories(host.parent_path());
    std::ofstream(host, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void ScratchUnit::Reload() const { platform::SetUnitRoot(m_root); }

void Fail(const char* what) {
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}

}  // namespace fuzz
