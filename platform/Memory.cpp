#include "platform/Memory.h"

#include <fstream>
#include <string>

namespace platform {

MemoryStatus GlobalMemoryStatus() {
    MemoryStatus st;
    std::ifstream in("/proc/meminfo");
    std::string key, unit;
    uint64_t value = 0;
    while (in >> key >> value >> unit) {
        if (key == "MemTotal:") st.totalPhys = value * 1024;
        else if (key == "MemAvailable:") st.availPhys = value * 1024;
    }
    if (st.totalPhys > 0)
        st.memoryLoad = static_cast<uint32_t>(100 - st.availPhys * 100 / st.totalPhys);
    return st;
}

}  // namespace platform
