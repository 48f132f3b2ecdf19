#pragma once
// ui/Resources.h — texts and dialog templates by identifier: from the
// language pack in force, else the built-in English ones.

#include <QString>
#include <optional>

#include "dsp/Filter.h"
#include "ui/DialogTemplate.h"

// The text of a string-table entry; empty when no source has it.
QString LoadString(int id);

// A screen's template; nothing when no source has a well-formed one.
std::optional<DialogTemplate> LoadDialogTemplate(int id);

// The built-in English text, whatever language is in force.
QString BuiltInString(int id);

// The words of filter descriptions in the language in force.
FilterWords LoadFilterWords();

// Hooks the language packs into the modules that need texts (material names).
void InstallLanguageHooks();
