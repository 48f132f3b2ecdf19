#pragma once
// settings/Language.h — which language the screens speak.
//
// English is built into the program. Other languages are resource packs in
// "\NandFlash\" named "TamrikDialogs" + code + ".dll", carrying strings and
// dialog templates under the built-in identifiers. At most one is loaded.

#include <string>
#include <string_view>

#include "platform/ResourceLibrary.h"

// "\NandFlash\TamrikDialogsDEU.dll" for u"DEU".
std::string LanguagePackPath(std::u16string_view code);

// Whether a file search finds the language's pack.
bool LanguagePackPresent(std::u16string_view code);

// Applies and stores a language: releases the pack loaded before, loads the
// code's pack (none for a code without one, such as "ENG", which returns the
// screens to English), stores the code (three letters at most) and saves the
// configuration. An empty code leaves the resources as they are.
void SetLanguage(std::u16string_view code);

// The pack in force, or nullptr for the built-in texts.
const platform::ResourceLibrary* CurrentLanguagePack();

// Right-to-left texts ("FAS"): lines of numbers and units get the
// left-to-right override U+202D in front.
bool LanguageIsFarsi();
