// The rules behind the pipe-entry screens: the length keypad and the usable
// range, the grid of choice buttons, Persian lines. The editor's rows are
// checked on the screen itself (tests/screens/PipeEntryTest.cpp).

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "pipe/PipeEntry.h"

namespace {

std::string Typed(const char* keys) {
    std::string text;
    for (const char* k = keys; *k; ++k) AppendLengthKey(text, *k);
    return text;
}

bool Overlap(const ScreenCell& a, const ScreenCell& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

}  // namespace

// The keypad offers digits and one point; "%f" reads what it typed; only a
// length above zero and at most 100 km (in either display unit) completes
// the chain, so no section without a finite, positive travel time.
TEST(LengthEntry, KeysParsingAndTheUsableRange) {
    EXPECT_EQ(Typed("12.5.3"), "12.53");
    EXPECT_EQ(Typed("1-2e5"), "125");
    EXPECT_EQ(Typed("1234567890123"), "123456789");
    EXPECT_EQ(ParseLengthEntry("12."), 12.0f);
    EXPECT_EQ(ParseLengthEntry(".5"), 0.5f);
    EXPECT_FALSE(ParseLengthEntry("."));
    struct Row {
        const char* text;
        LengthUnit unit;
        bool usable;
    };
    const Row rows[] = {
        {"", LengthUnit::Feet, false},        {"0.000", LengthUnit::Metres, false},
        {"0.1", LengthUnit::Metres, true},    {"12.5", LengthUnit::Feet, true},
        {"100000", LengthUnit::Metres, true}, {"100000.1", LengthUnit::Metres, false},
        // 100 km as feet shows it; its float metres were once refused for 0.008 over.
        {"328084", LengthUnit::Feet, true},   {"328084.1", LengthUnit::Feet, false},
    };
    for (const Row& r : rows) EXPECT_EQ(UsableLengthEntry(r.text, r.unit).has_value(), r.usable) << r.text;
    EXPECT_FALSE(IsUsableLength(-5.0f, LengthUnit::Metres));
    EXPECT_FALSE(IsUsableLength(std::numeric_limits<float>::infinity(), LengthUnit::Feet));
    EXPECT_FALSE(IsUsableLength(std::numeric_limits<float>::quiet_NaN(), LengthUnit::Metres));
}

// Up to 36 bands fit the area without overlapping, big enough for a finger.
TEST(ChoiceGridLayout, AnyCountUpTo36FitsWithoutOverlap) {
    const ScreenCell area{14, 36, 612, 376};
    for (int count = 1; count <= 36; ++count) {
        const auto cells = ChoiceGrid(count, area);
        ASSERT_EQ(static_cast<int>(cells.size()), count);
        for (size_t i = 0; i < cells.size(); ++i) {
            const ScreenCell& c = cells[i];
            EXPECT_TRUE(c.x >= area.x && c.y >= area.y && c.x + c.width <= area.x + area.width &&
                        c.y + c.height <= area.y + area.height && c.height >= 36 && c.width >= 140)
                << count << ": " << i;
            for (size_t j = 0; j < i; ++j) EXPECT_FALSE(Overlap(c, cells[j])) << count << ": " << i << ", " << j;
        }
    }
    EXPECT_TRUE(ChoiceGrid(0, area).empty());
    EXPECT_EQ(ChoiceGrid(3, area)[0].height, kChoiceMaxHeight);
}

// A Persian name inside a description: the numbers after it must not turn
// round ("199 - 100mm"), and its words must stay one run.
TEST(PersianLines, NumbersAfterANameKeepTheirOrder) {
    EXPECT_EQ(EmbeddedLeftToRight(u"14.5m \u067E\u06CC \u0648\u06CC (100 - 199mm)"),
              u"\u202D14.5m \u202B\u067E\u06CC \u0648\u06CC\u202C (100 - 199mm)");
    EXPECT_EQ(EmbeddedLeftToRight(u"86.0m STEEL (200 - 299mm)"), u"\u202D86.0m STEEL (200 - 299mm)");
}
