// The material table: a table that was taken saves and reads back the same.

#include <sstream>

#include "fuzz/FuzzUnit.h"
#include "pipe/Materials.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CMaterials table;
    std::istringstream in(fuzz::Bytes(data, size));
    if (!table.LoadFrom(in)) return 0;
    for (int slot = 0; slot < CMaterials::kSlotCount; ++slot) {
        const MaterialEntry& e = table.Slot(slot);
        table.ColourForName(e.name);
        e.ListedBandCount();
    }
    std::ostringstream saved;
    table.WriteTo(saved);
    CMaterials again;
    std::istringstream back(saved.str());
    std::ostringstream resaved;
    if (!again.LoadFrom(back)) fuzz::Fail("a material table that was taken does not read back");
    again.WriteTo(resaved);
    if (resaved.str() != saved.str()) fuzz::Fail("a material table changes when saved and read again");
    return 0;
}
