// The factory record, read from the unit as start-up reads it.

#include "fuzz/FuzzUnit.h"
#include "settings/Configuration.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto& unit = fuzz::ScratchUnit::Get();
    unit.Put(kFactoryFile, fuzz::Bytes(data, size));
    CFactoryRecord record;
    record.Load();
    record.Serial();
    return 0;
}
