#include "pipe/PipeEntry.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

bool AppendLengthKey(std::string& text, char key) {
    const bool digit = key >= '0' && key <= '9';
    if (!digit && key != '.') return false;
    if (key == '.' && text.find('.') != std::string::npos) return false;
    if (text.size() >= kLengthEntryMaxChars) return false;
    text += key;
    return true;
}

std::optional<float> ParseLengthEntry(std::string_view text) {
    // "%f" reads digits with one point; from_chars reads the same prefix
    // without the process locale.
    const size_t end = text.find_first_not_of("0123456789.");
    const std::string_view number = text.substr(0, end);
    if (number.find_first_of("0123456789") == std::string_view::npos) return std::nullopt;
    float value = 0.0f;
    const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value,
                                           std::chars_format::fixed);
    if (ec == std::errc::result_out_of_range) return std::numeric_limits<float>::infinity();
    if (ec != std::errc() || ptr == number.data()) return std::nullopt;
    return value;
}

bool IsUsableLength(float value, LengthUnit unit) {
    if (!std::isfinite(value) || value <= 0.0f) return false;
    // The limit is compared in the unit typed: 328084 ft is 100 km as the
    // screens show it, though its metres come out 0.008 above.
    const float longest = ConvertLength(kLongestSectionMetres, LengthUnit::Metres, unit);
    const float metres = ConvertLength(value, unit, LengthUnit::Metres);
    return std::isfinite(metres) && metres > 0.0f && value <= longest;
}

std::optional<float> UsableLengthEntry(std::string_view text, LengthUnit unit) {
    const auto value = ParseLengthEntry(text);
    if (!value || !IsUsableLength(*value, unit)) return std::nullopt;
    return value;
}

int ChoiceColumns(int count) {
    if (count <= 8) return 2;
    if (count <= 18) return 3;
    return 4;
}

std::vector<ScreenCell> ChoiceGrid(int count, const ScreenCell& area) {
    std::vector<ScreenCell> cells;
    if (count <= 0) return cells;
    const int columns = ChoiceColumns(count);
    const int rows = (count + columns - 1) / columns;
    const int width = (area.width - (columns - 1) * kChoiceGap) / columns;
    const int height = std::min(kChoiceMaxHeight, (area.height - (rows - 1) * kChoiceGap) / rows);
    for (int i = 0; i < count; ++i) {
        const int row = i / columns, column = i % columns;
        cells.push_back({area.x + column * (width + kChoiceGap), area.y + row * (height + kChoiceGap), width, height});
    }
    return cells;
}

EditorRow EditorRowControls(int row, int sectionCount) {
    constexpr int kSlots = 10;
    EditorRow shown;
    if (row < 0 || row >= kSlots) return shown;
    const bool room = sectionCount < kSlots;
    if (row < sectionCount) {
        shown.insert = room;
        shown.description = true;
        shown.remove = sectionCount > 1;
    } else if (row == sectionCount) {
        shown.insert = room;
    }
    return shown;
}

int EditorVisibleRows(int sectionCount) { return std::clamp(sectionCount + 1, 1, 10); }

int EditorRowHeight(int sectionCount, int listHeight) {
    return std::min(kEditorMaxRowHeight, listHeight / EditorVisibleRows(sectionCount));
}

std::u16string NumbersLeftToRight(std::u16string_view text) { return u"\u202D" + std::u16string(text); }

namespace {

// Hebrew, Arabic, Syriac, Thaana, N'Ko ... and the Arabic presentation forms.
bool IsRightToLeftLetter(char16_t c) {
    return (c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF);
}

}  // namespace

std::u16string EmbeddedLeftToRight(std::u16string_view text) {
    std::u16string out = u"\u202D";
    bool inName = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsRightToLeftLetter(text[i]) && !inName) {
            out += u'\u202B';
            inName = true;
        }
        out += text[i];
        if (!inName) continue;
        // The words of one name stay one right-to-left run.
        const size_t next = text.find_first_not_of(u' ', i + 1);
        if (next == std::u16string_view::npos || !IsRightToLeftLetter(text[next])) {
            out += u'\u202C';
            inName = false;
        }
    }
    return out;
}
