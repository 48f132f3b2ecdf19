#include "settings/Language.h"

#include "platform/Files.h"
#include "platform/Text.h"
#include "settings/Configuration.h"

namespace {

constexpr size_t kMaxLibraryName = 21;  // "TamrikDialogs" + up to 4 + ".dll"

platform::LibraryHandle& Loaded() {
    static platform::LibraryHandle handle = nullptr;
    return handle;
}

}  // namespace

std::string LanguagePackPath(std::u16string_view code) {
    std::string name = "TamrikDialogs" + platform::Utf16ToUtf8(code) + ".dll";
    if (name.size() > kMaxLibraryName) name.resize(kMaxLibraryName);
    return std::string(kFlashRoot) + name;
}

bool LanguagePackPresent(std::u16string_view code) {
    return !code.empty() && !platform::FindFiles(LanguagePackPath(code)).empty();
}

void SetLanguage(std::u16string_view code) {
    if (!code.empty()) {
        if (Loaded()) platform::FreeLibrary(Loaded());
        Loaded() = platform::LoadLibrary(LanguagePackPath(code));
    }
    g_configuration.SetLanguage(code);
    g_configuration.Save();
}

const platform::ResourceLibrary* CurrentLanguagePack() { return Loaded(); }

bool LanguageIsFarsi() { return g_configuration.Language() == u"FAS"; }
