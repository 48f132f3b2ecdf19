#pragma once
// fuzz/FuzzUnit.h — what the harnesses share: the input as bytes, and a
// scratch unit root for readers that take their file from the unit.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace fuzz {

inline std::string Bytes(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// A unit root in the temporary folder, made on first use and removed when the
// harness exits. Every harness process has its own.
class ScratchUnit {
public:
    static ScratchUnit& Get();
    const std::filesystem::path& Root() const { return m_root; }
    // Writes bytes at a device path ("\NandFlash\tamrik.conf"), creating folders.
    void Put(std::string_view devicePath, std::string_view bytes) const;
    // Makes the unit root current again: every store cached for it (registry,
    // attributes) is dropped and read afresh on next use.
    void Reload() const;
    ~ScratchUnit();

private:
    ScratchUnit();
    std::filesystem::path m_root;
};

// A finding the sanitizers cannot see: a broken property of the reader.
[[noreturn]] void Fail(const char* what);

}  // namespace fuzz
