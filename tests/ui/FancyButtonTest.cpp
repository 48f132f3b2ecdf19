// tests/ui/FancyButtonTest.cpp — outline geometry, caption fitting, check
// state repaints and painted colours of the owner-drawn buttons.

#include "ScopedSettings.h"
#include "ui/BmpButton.h"
#include "ui/FancyButton.h"
#include "ui/PictureSet.h"
#include "ui/Slider.h"

#include <QFontMetrics>
#include <QImage>
#include <QTextLayout>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "QtApp.h"

namespace {

class ButtonFixture : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQApplication();
        g_configuration.colourScheme = 0;
    }
    ScopedSettings settings;
};

QRgb PixelAt(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

// --- outline ---

// The outline at every button height shows in the gallery; degenerate items here.
TEST(FancyOutlineDegenerate, EmptyOrTinyItemsGiveNoStrayPoints) {
    EXPECT_TRUE(FancyOutline(QRect()).isEmpty());
    const QRect tiny(0, 0, 4, 60);
    for (const QPoint& p : FancyOutline(tiny)) EXPECT_TRUE(tiny.contains(p));
}

// --- caption ---

class CaptionFitting : public ButtonFixture {
protected:
    QFont Base() const {
        QFont font("Arial");
        font.setPixelSize(16);
        return font;
    }
    static bool Fits(const QString& caption, const QRect& rect, const QFont& font) {
        const int flags = Qt::AlignHCenter | Qt::TextWordWrap;
        const QRect used = QFontMetrics(font).boundingRect(rect, flags, caption);
        return used.width() < rect.width() && used.height() < rect.height();
    }
};

// Regression: stepping by more than one, or starting small, leaves text smaller
// than it needs to be.
TEST_F(CaptionFitting, ChosenSizeIsTheLargestThatFits) {
    const QString caption = "SELECT MATERIAL AND DIAMETER";
    const QRect rect(0, 0, 84, 34);
    QFont font = FitCaptionFont(caption, rect, Base());
    ASSERT_LT(font.pixelSize(), 16);
    EXPECT_TRUE(Fits(caption, rect, font));
    font.setPixelSize(font.pixelSize() + 1);
    EXPECT_FALSE(Fits(caption, rect, font));
}

// A caption that fits at no size stops at the smallest one instead of looping on.
TEST_F(CaptionFitting, ImpossibleCaptionStopsAtTheSmallestSize) {
    const QFont font = FitCaptionFont(QString(40, 'W'), QRect(0, 0, 20, 6), Base());
    EXPECT_EQ(font.pixelSize(), kMinCaptionPixelSize);
}

// Where a button leaves room, a caption wraps, breaking a long word with a
// hyphen, before it shrinks below a readable size; a unit after a slash never
// starts a line of its own. Every drawn line fits the button.
struct ReadableRow {
    const char* name;
    const char* caption;
    int width, height;  // px
    int minPixels;
};

class ReadableCaption : public CaptionFitting, public ::testing::WithParamInterface<ReadableRow> {};

TEST_P(ReadableCaption, WrapsBeforeShrinkingAndEveryLineFits) {
    const ReadableRow row = GetParam();
    const QRect item(0, 0, row.width, row.height);
    const CaptionLayout layout = LayoutCaption(QString::fromUtf8(row.caption), item, Base());
    EXPECT_GE(layout.font.pixelSize(), row.minPixels);
    QTextLayout lines(layout.text, layout.font);
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    lines.setTextOption(option);
    lines.beginLayout();
    double height = 0;
    for (QTextLine line = lines.createLine(); line.isValid(); line = lines.createLine()) {
        line.setLineWidth(layout.textRect.width());
        EXPECT_LE(line.naturalTextWidth(), layout.textRect.width() + 1);
        const QString text = layout.text.mid(line.textStart(), line.textLength()).trimmed();
        EXPECT_FALSE(text.endsWith('/')) << text.toStdString();
        height += QFontMetricsF(layout.font).lineSpacing();
    }
    lines.endLayout();
    EXPECT_LE(height, item.height() + 2);
}

INSTANTIATE_TEST_SUITE_P(
    Captions, ReadableCaption,
    ::testing::Values(ReadableRow{"Contrast", "CONTRAST", 49, 45, 11},
                      ReadableRow{"GermanSurveyStart", "ÜBERSICHTSMESSUNG STARTEN", 148, 49, 13},
                      ReadableRow{"SectionWithUnit", "14.5m PVC (100 - 199mm, 0.4600m/ms)", 276, 56, 13}),
    [](const auto& info) { return std::string(info.param.name); });

// --- painted colours ---

struct ColourRow {
    const char* name;
    int scheme;
    QRgb pen;
    QRgb fill;
    QRgb caption;
};

class FancyButtonPaint : public ButtonFixture, public ::testing::WithParamInterface<ColourRow> {
protected:
    QImage Grab(const QString& caption) {
        const ColourRow row = GetParam();
        g_configuration.colourScheme = row.scheme;
        CFancyButton button(caption);
        button.resize(100, 40);
        QFont font("Arial");
        font.setPixelSize(28);
        font.setBold(true);
        button.setFont(font);
        button.setDown(true);
        return button.grab().toImage();
    }
};

TEST_P(FancyButtonPaint, BackgroundPenAndFillAtKnownPoints) {
    const ColourRow row = GetParam();
    const QImage image = Grab("");
    const QRgb background = row.scheme ? 0x000000 : 0xFFFFFF;
    // The cut corners, the left, right, top and bottom edges, the middle and near the left edge.
    std::vector<QRgb> seen;
    for (auto [x, y] : {std::pair{0, 0}, {99, 39}, {0, 20}, {99, 20}, {50, 0}, {50, 39}, {50, 20}, {5, 20}})
        seen.push_back(PixelAt(image, x, y));
    EXPECT_EQ(seen, std::vector<QRgb>({background, background, row.pen, row.pen, row.pen, row.pen, row.fill, row.fill}));
}

TEST_P(FancyButtonPaint, CaptionInItsColour) {
    const QImage image = Grab("H");
    int captionPixels = 0;
    for (int y = 6; y < 34; ++y)
        for (int x = 6; x < 94; ++x) captionPixels += PixelAt(image, x, y) == GetParam().caption;
    EXPECT_GT(captionPixels, 20);
}

// GDI colour reference 0x0000FF (red) as RGB. Normal, checked and disabled
// buttons in both schemes are in the gallery's pictures; a pressed one here.
INSTANTIATE_TEST_SUITE_P(
    States, FancyButtonPaint,
    ::testing::Values(ColourRow{"Pressed", 0, 0xFF0000, 0xFF0000, 0xFFFFFF},
                      ColourRow{"InvertedPressed", 1, 0xFFFFFF, 0xCCCCCC, 0x000000}),
    [](const auto& info) { return std::string(info.param.name); });

// --- slider ---

struct SliderRow {
    const char* name;
    int scheme;
    Qt::LayoutDirection direction;
    QRgb groovePen;
    QRgb grooveFill;
    QRgb handle;
};

class SliderPaint : public ButtonFixture, public ::testing::WithParamInterface<SliderRow> {};

// The groove and the handle stand out from the ground in both schemes, and
// the handle sits at the end the value points to (the right-hand end of a
// mirrored slider is its minimum).
TEST_P(SliderPaint, GrooveAndHandleShowInTheSchemeColours) {
    const SliderRow row = GetParam();
    g_configuration.colourScheme = row.scheme;
    CSlider slider;
    slider.setLayoutDirection(row.direction);
    slider.setRange(0, 15);
    slider.setValue(15);
    slider.resize(290, 36);
    const QImage image = slider.grab().toImage();
    const int full = row.direction == Qt::LeftToRight ? 285 : 4;
    const int empty = 290 - 1 - full;
    // The handle and the ground above it, the groove's middle and its edge, the empty end.
    std::vector<QRgb> seen;
    for (auto [x, y] : {std::pair{full, 18}, {full, 2}, {145, 18}, {145, 14}, {empty, 18}}) seen.push_back(PixelAt(image, x, y));
    EXPECT_EQ(seen, (std::vector<QRgb>{row.handle, row.scheme ? 0x000000u : 0xFFFFFFu, row.grooveFill, row.groovePen, row.grooveFill}));
}

INSTANTIATE_TEST_SUITE_P(
    Schemes, SliderPaint,
    ::testing::Values(SliderRow{"Normal", 0, Qt::LeftToRight, 0x000099, 0xCCCCCC, 0x000099},
                      SliderRow{"Inverted", 1, Qt::LeftToRight, 0xFFFFFF, 0x808080, 0xFFFFFF},
                      SliderRow{"InvertedMirrored", 1, Qt::RightToLeft, 0xFFFFFF, 0x808080, 0xFFFFFF}),
    [](const auto& info) { return std::string(info.param.name); });

// --- picture button ---

using BmpButtonPaint = ButtonFixture;

// The X pictures: the normal one is open inside its frame, the pressed one red.
TEST_F(BmpButtonPaint, StatePictureIsStretchedOverTheButtonAndAStateWithoutOneDrawsNothing) {
    CBmpButton button;
    button.resize(40, 30);
    ASSERT_TRUE(button.LoadBitmaps(kPictureCloseNormal, kPictureClosePressed));
    EXPECT_EQ(PixelAt(button.grab().toImage(), 8, 5), 0xFFFFFFu);
    button.setDown(true);
    const QImage pressed = button.grab().toImage();
    EXPECT_EQ(std::pair(PixelAt(pressed, 8, 5), PixelAt(pressed, 31, 24)), std::pair(0xFF0000u, 0xFF0000u));
    // A state without a picture (disabled here) draws nothing.
    button.setDown(false);
    button.setEnabled(false);
    QPixmap canvas(40, 30);
    canvas.fill(QColor(0x00FF00));
    button.render(&canvas, QPoint(), QRegion(), QWidget::RenderFlags());
    EXPECT_EQ(PixelAt(canvas.toImage(), 20, 15), 0x00FF00u);
}

} // namespace
