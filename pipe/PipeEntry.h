#pragma once
// pipe/PipeEntry.h — the rules of the pipe-entry screens that need no window:
// the length typed on the keypad, the grid of choice buttons (materials,
// diameter bands), what each row of the multi-section editor offers, and the
// direction marks of Persian lines.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pipe/Units.h"

// The longest section the entry accepts, metres (100 km): far beyond any pipe
// two stations can hear across, and short enough that travel times and
// distances stay well inside single precision.
constexpr float kLongestSectionMetres = 100000.0f;

// Characters the length entry holds at most ("328084.0" is 100 km in feet).
constexpr size_t kLengthEntryMaxChars = 9;

// Appends one keypad character, '0'-'9' or '.', to the entry. A second '.',
// any other character and a character beyond kLengthEntryMaxChars are
// refused: false, text unchanged.
bool AppendLengthKey(std::string& text, char key);

// The number at the start of the entry as "%f" reads it ("12." is 12, ".5" is
// 0.5); nothing when the text holds no digit there.
std::optional<float> ParseLengthEntry(std::string_view text);

// A length may complete the chain when it is finite, above zero and at most
// kLongestSectionMetres expressed in unit (328084 ft, 100000 m).
bool IsUsableLength(float value, LengthUnit unit);

// The length the entry gives in unit, or nothing while the completing buttons
// stay disabled (no digit, zero, negative, infinite or longer than 100 km).
std::optional<float> UsableLengthEntry(std::string_view text, LengthUnit unit);

// A rectangle of the 640 x 480 screen, pixels.
struct ScreenCell {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const ScreenCell&) const = default;
};

// Gap between neighbouring choice buttons, px, and the tallest a choice
// button is made so that a short list does not become a wall of slabs.
constexpr int kChoiceGap = 6;
constexpr int kChoiceMaxHeight = 64;

// Columns of a choice grid: 2 up to 8 buttons, 3 up to 18, else 4 (36 bands
// give 4 x 9).
int ChoiceColumns(int count);

// Cells for count buttons (0-36) in area, left to right, then down; every cell
// lies inside area and no two overlap. Rows share the area's height up to
// kChoiceMaxHeight each.
std::vector<ScreenCell> ChoiceGrid(int count, const ScreenCell& area);

// Ten section slots; what row 0-9 of the multi-section editor shows for a
// pipe of sectionCount sections (0-10).
struct EditorRow {
    bool insert = false;       // INSERT: before this row (appends on the row at the count)
    bool description = false;  // the section's description, touched to replace it
    bool remove = false;       // DELETE
};
EditorRow EditorRowControls(int row, int sectionCount);

// Rows the editor lays out: one per section plus the append row, ten at most.
int EditorVisibleRows(int sectionCount);

// Height of one editor row, px: the list area shared by the visible rows, at
// most kEditorMaxRowHeight.
constexpr int kEditorMaxRowHeight = 60;
int EditorRowHeight(int sectionCount, int listHeight);

// A line of numbers and units for a right-to-left screen: the left-to-right
// override U+202D in front, so "100 - 199mm" keeps its order.
std::u16string NumbersLeftToRight(std::u16string_view text);

// A line of numbers and units that also carries words (a section's
// description with its material name): the left-to-right override U+202D in
// front, as NumbersLeftToRight, and every run of right-to-left words inside a
// right-to-left embedding (U+202B ... U+202C), so that a Persian name keeps
// its letters in order while the numbers and brackets around it read left to
// right. A bare override would reverse the name; a bare embedding lets the
// numbers after a Persian name turn round ("199 - 100mm").
std::u16string EmbeddedLeftToRight(std::u16string_view text);
