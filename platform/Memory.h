#pragma once
// platform/Memory.h — memory status for the status screen, read from the host.

#include <cstdint>

namespace platform {

struct MemoryStatus {
    uint32_t memoryLoad = 0;  // percent in use, 0-100
    uint64_t totalPhys = 0;   // bytes
    uint64_t availPhys = 0;   // bytes
};

MemoryStatus GlobalMemoryStatus();

}  // namespace platform
