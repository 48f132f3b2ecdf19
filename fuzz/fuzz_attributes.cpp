// The attribute store kept in the unit root: read by the first look-up, then
// written back by a change, which must keep what it was told.

#include <fstream>

#include "fuzz/FuzzUnit.h"
#include "platform/Files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto& unit = fuzz::ScratchUnit::Get();
    const std::string bytes = fuzz::Bytes(data, size);
    std::ofstream(unit.Root() / ".attributes", std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    unit.Reload();
    unit.Put("\\NandFlash\\a.txt", "a");
    platform::GetFileAttributes("\\NandFlash");
    platform::FindFiles("\\NandFlash\\*");
    platform::SetFileAttributes("\\NandFlash\\a.txt", platform::kAttrHidden);
    unit.Reload();
    if (platform::GetFileAttributes("\\NandFlash\\a.txt") != platform::kAttrHidden)
        fuzz::Fail("an attribute set is not read back");
    platform::SetFileAttributes("\\NandFlash\\a.txt", 0);
    return 0;
}
