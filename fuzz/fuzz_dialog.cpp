// One dialog template's text, as a pack or the built-in resources carry it.

#include "fuzz/FuzzUnit.h"
#include "ui/DialogTemplate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = fuzz::Bytes(data, size);
    QString error;
    const auto parsed = ParseDialogTemplate(text, &error);
    if (!parsed) return 0;
    UnitsToPixels(parsed->units);
    for (const ControlTemplate& c : parsed->controls) {
        UnitsToPixels(c.units);
        if (parsed->Find(c.id) == nullptr) fuzz::Fail("a parsed control is not found by its id");
    }
    return 0;
}
