// A language pack put on the unit and chosen: every string and template it
// names is looked up as the screens look them up (a malformed template falls
// back to the English one), and the material names follow it.

#include <charconv>
#include <sstream>

#include "fuzz/FuzzUnit.h"
#include "pipe/Materials.h"
#include "settings/Language.h"
#include "ui/Resources.h"

namespace {

// The identifiers of "string N" and "dialog N" lines.
void LookUpNamedIds(std::string_view text) {
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        const bool dialog = line.rfind("dialog ", 0) == 0;
        if (!dialog && line.rfind("string ", 0) != 0) continue;
        int id = 0;
        std::from_chars(line.data() + 7, line.data() + line.size(), id);
        if (!dialog) {
            LoadString(id);
            continue;
        }
        if (auto t = LoadDialogTemplate(id)) {
            UnitsToPixels(t->units);
            for (const ControlTemplate& c : t->controls) UnitsToPixels(c.units);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool hooked = (InstallLanguageHooks(), true);
    (void)hooked;
    const auto& unit = fuzz::ScratchUnit::Get();
    const std::string text = fuzz::Bytes(data, size);
    unit.Put(LanguagePackPath(u"FUZ"), text);
    SetLanguage(u"FUZ");
    LookUpNamedIds(text);
    LoadFilterWords();
    CMaterials table;
    table.ReloadNames();
    SetLanguage(u"ENG");
    return 0;
}
