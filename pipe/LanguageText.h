#pragma once
// pipe/LanguageText.h — the pipe model's words in the language in force.

#include <cstdint>
#include <string>
#include <string_view>

// The text SetMaterialNameSource's source gives for a string-table id
// (material names, the pipe's descriptions), or the English text when it
// gives none.
std::u16string LanguageText(uint32_t stringId, std::u16string_view english);
