// tests/ui/ImageWriterTest.cpp — PNG and JPEG files decode back to the picture,
// and a failed write leaves nothing behind.

#include "TempUnitRoot.h"
#include "ui/ImageWriter.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr QRgb kTopLeft = 0xFF0000, kTopRight = 0x00FF00, kBottomLeft = 0x0000FF, kBottomRight = 0xFFFFFF;

// Four coloured quadrants: a swapped channel order or upside-down rows show.
QImage Quadrants(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    const int w = width / 2, h = height / 2;
    painter.fillRect(0, 0, w, h, QColor(kTopLeft));
    painter.fillRect(w, 0, width - w, h, QColor(kTopRight));
    painter.fillRect(0, h, w, height - h, QColor(kBottomLeft));
    painter.fillRect(w, h, width - w, height - h, QColor(kBottomRight));
    return image;
}

bool Near(QRgb actual, QRgb expected, int tolerance) {
    return std::abs(qRed(actual) - qRed(expected)) <= tolerance &&
           std::abs(qGreen(actual) - qGreen(expected)) <= tolerance &&
           std::abs(qBlue(actual) - qBlue(expected)) <= tolerance;
}

class ImageFiles : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(Folder()); }
    fs::path Folder() const { return m_root.Path() / "pictures"; }
    std::string PathOf(const std::string& name) const { return (Folder() / name).string(); }
    // Names in the folder, to see that no temporary is left.
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Folder())) names.push_back(entry.path().filename());
        return names;
    }
    TempUnitRoot m_root;
};

using PngFile = ImageFiles;
using JpegFile = ImageFiles;
using FailedImageWrite = ImageFiles;

TEST_F(PngFile, GraphPictureDecodesToTheSamePixels) {
    const QImage picture = Quadrants(kGraphPictureWidth, kGraphPictureHeight);
    ASSERT_TRUE(WritePng(PathOf("run_corr.png"), picture));
    const QImage decoded(QString::fromStdString(PathOf("run_corr.png")));
    ASSERT_EQ(decoded.size(), QSize(kGraphPictureWidth, kGraphPictureHeight));
    EXPECT_FALSE(decoded.hasAlphaChannel());
    EXPECT_TRUE(decoded.convertToFormat(QImage::Format_RGB32) == picture);
    EXPECT_EQ(Listing(), std::vector<std::string>{"run_corr.png"});
}

// Regression: rows of a width not a multiple of four are padded in memory and
// must not be written with the padding.
TEST_F(PngFile, OddWidthRowsAreNotSkewed) {
    QImage picture(3, 2, QImage::Format_RGB32);
    for (int i = 0; i < 6; ++i) picture.setPixel(i % 3, i / 3, qRgb(40 * i, 255 - 40 * i, 7 * i));
    ASSERT_TRUE(WritePng(PathOf("odd.png"), picture));
    const QImage decoded(QString::fromStdString(PathOf("odd.png")));
    EXPECT_TRUE(decoded.convertToFormat(QImage::Format_RGB32) == picture);
}

TEST_F(JpegFile, GraphPictureDecodesToTheSameColours) {
    ASSERT_TRUE(WriteJpeg(PathOf("run_corr.jpg"), Quadrants(kGraphPictureWidth, kGraphPictureHeight)));
    const QImage decoded(QString::fromStdString(PathOf("run_corr.jpg")));
    ASSERT_EQ(decoded.size(), QSize(kGraphPictureWidth, kGraphPictureHeight));
    EXPECT_TRUE(Near(decoded.pixel(200, 150), kTopLeft, 8));
    EXPECT_TRUE(Near(decoded.pixel(600, 150), kTopRight, 8));
    EXPECT_TRUE(Near(decoded.pixel(200, 450), kBottomLeft, 8));
    EXPECT_TRUE(Near(decoded.pixel(600, 450), kBottomRight, 8));
    EXPECT_EQ(Listing(), std::vector<std::string>{"run_corr.jpg"});
}

TEST_F(FailedImageWrite, MissingFolderOrNullImageReturnsFalseAndCreatesNothing) {
    const fs::path missing = Folder() / "NoSuchFolder";
    EXPECT_FALSE(WritePng((missing / "a.png").string(), Quadrants(8, 8)));
    EXPECT_FALSE(WriteJpeg((missing / "a.jpg").string(), Quadrants(8, 8)));
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_FALSE(WritePng(PathOf("a.png"), QImage()));
    EXPECT_FALSE(WriteJpeg(PathOf("a.jpg"), QImage()));
    EXPECT_TRUE(Listing().empty());
}

// The encoders refuse these sizes part way through a file; the error must come
// back as false, not abort the program, and the partial file must go.
TEST_F(FailedImageWrite, EncoderErrorLeavesNoPartialFile) {
    EXPECT_FALSE(WritePng(PathOf("wide.png"), Quadrants(1'000'002, 1)));
    EXPECT_FALSE(WriteJpeg(PathOf("wide.jpg"), Quadrants(65'502, 1)));
    EXPECT_TRUE(Listing().empty());
}

// A target that cannot be replaced (a folder of that name) keeps what is there.
TEST_F(FailedImageWrite, UnreplaceableTargetLeavesNoTemporary) {
    fs::create_directory(PathOf("taken.png"));
    EXPECT_FALSE(WritePng(PathOf("taken.png"), Quadrants(8, 8)));
    EXPECT_TRUE(fs::is_directory(PathOf("taken.png")));
    EXPECT_EQ(Listing(), std::vector<std::string>{"taken.png"});
}

} // namespace
