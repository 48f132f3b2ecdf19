// A registry hive read from the unit root: its keys are looked up, and a
// value set and flushed over it reads back after a cold start.

#include "fuzz/FuzzUnit.h"
#include "platform/Registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace platform;
    const auto& unit = fuzz::ScratchUnit::Get();
    unit.Put("\\registry\\HKLM.reg", fuzz::Bytes(data, size));
    unit.Reload();
    RegKeyExists(Hive::LocalMachine, "HARDWARE\\DEVICEMAP\\TOUCH");
    RegGetString(Hive::LocalMachine, "HARDWARE\\DEVICEMAP\\TOUCH", "CalibrationData");
    const std::u16string value = u"a\\b\tc\nd\u00e9";
    if (!RegSetString(Hive::LocalMachine, "Software\\Fuzz\\", "Value\\1", value) || !RegFlush(Hive::LocalMachine))
        fuzz::Fail("a value could not be set and flushed");
    RegReloadFromDisk();
    if (RegGetString(Hive::LocalMachine, "SOFTWARE\\FUZZ", "value\\1") != value)
        fuzz::Fail("a flushed value does not read back");
    return 0;
}
