// tests/ui/PictureSetTest.cpp — every picture identifier resolves in both
// colour schemes, switched pictures follow the scheme and fixed ones stay.

#include "settings/Configuration.h"
#include "ui/PictureSet.h"

#include <QImage>

#include <gtest/gtest.h>

#include "QtApp.h"


namespace {

class PictureFixture {
protected:
    PictureFixture() {
        EnsureQApplication();
        g_configuration.colourScheme = 0;
    }
    ~PictureFixture() {
        g_configuration.colourScheme = 0;
        ReloadPictures();
    }
};

constexpr QRgb kNormalInk = 0x000099;

int PixelsOf(const QPixmap& pixmap, QRgb colour) {
    const QImage image = pixmap.toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += (image.pixel(x, y) & 0xFFFFFF) == colour;
    return count;
}

class PictureRow : public PictureFixture, public ::testing::TestWithParam<PictureEntry> {};

// Indexed look-ups clamp and wrap (the gallery shows the pictures in range).
TEST(PictureTable, IndexedIdentifiersClampAndWrap) {
    EXPECT_EQ(SignalBarsPicture(12), 161);
    EXPECT_EQ(SignalBarsPicture(-1), 140);
    EXPECT_EQ(RunningFramePicture(7), 244);
    EXPECT_EQ(RunningFramePicture(-1), 250);
}

TEST_P(PictureRow, BothIdentifiersResolveInBothSchemes) {
    const PictureEntry row = GetParam();
    for (int scheme : {0, 1}) {
        g_configuration.colourScheme = scheme;
        ASSERT_FALSE(Picture(row.normalId).isNull());
        EXPECT_EQ(Picture(row.normalId).cacheKey(), Picture(row.invertedId).cacheKey());
    }
}

TEST_P(PictureRow, VariantsDifferOnlyWhenSwitched) {
    const PictureEntry row = GetParam();
    const QImage normal = PictureVariant(row.normalId, false).toImage();
    const QImage inverted = PictureVariant(row.invertedId, true).toImage();
    if (!row.switched) {
        EXPECT_TRUE(normal == inverted);
        return;
    }
    EXPECT_FALSE(normal == inverted);
    EXPECT_EQ(normal.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);  // dark on white
    EXPECT_EQ(inverted.pixel(0, 0) & 0xFFFFFF, 0x000000u);  // light on black
}

INSTANTIATE_TEST_SUITE_P(Table, PictureRow, ::testing::ValuesIn(PictureTable().begin(), PictureTable().end()),
                         [](const auto& info) { return "Picture" + std::to_string(info.param.normalId); });

class PictureSchemeSwitch : public PictureFixture, public ::testing::Test {};

TEST_F(PictureSchemeSwitch, SwitchedPicturesFollowFixedOnesStay) {
    ReloadPictures();
    const QPixmap snr = Picture(kPictureSnrPoor), replay = Picture(kPictureReplay);
    g_configuration.colourScheme = 1;
    ReloadPictures();
    EXPECT_FALSE(Picture(kPictureSnrPoor).toImage() == snr.toImage());
    EXPECT_EQ(Picture(kPictureReplay).cacheKey(), replay.cacheKey());
    const int frame = RunningFramePicture(3);
    EXPECT_EQ(Picture(frame).cacheKey(), PictureVariant(frame, false).cacheKey());
}

class PictureDrawing : public PictureFixture, public ::testing::Test {};

TEST_F(PictureSchemeSwitch, UnknownIdentifiersGiveNullPictures) {
    for (int id : {0, -1, 141, 261, 100000}) {
        EXPECT_EQ(FindPicture(id), nullptr);
        EXPECT_TRUE(Picture(id).isNull());
    }
}

// Regression: an off-by-one in the bar loop lights one bar too many or few.
TEST_F(PictureDrawing, EachBarAddsInk) {
    for (int bars = 1; bars <= 10; ++bars)
        EXPECT_GT(PixelsOf(Picture(SignalBarsPicture(bars)), kNormalInk),
                  PixelsOf(Picture(SignalBarsPicture(bars - 1)), kNormalInk)) << bars << " bars";
    for (int bars = 2; bars <= 5; ++bars)
        EXPECT_GT(PixelsOf(Picture(BatteryBarsPicture(bars)), kNormalInk),
                  PixelsOf(Picture(BatteryBarsPicture(bars - 1)), kNormalInk)) << bars << " bars";
    const QPixmap blank = Picture(kPictureBatteryBlank);
    EXPECT_EQ(PixelsOf(blank, 0xFFFFFF), blank.width() * blank.height());
}

} // namespace
