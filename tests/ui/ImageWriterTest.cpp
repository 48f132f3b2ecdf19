// tests/ui/ImageWriterTest.cpp — PNG rows of any width, and a failed write
// leaves nothing behind.

#include "TempUnitRoot.h"
#include "ui/ImageWriter.h"

#include <QImage>

#include <gtest/gtest.h>


namespace fs = std::filesystem;

namespace {

// A picture of width x height; what it shows does not matter here.
QImage Blank(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
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
using FailedImageWrite = ImageFiles;

// A run's pictures decode to what was drawn: the gallery's run pictures
// (PNG scanlines) and MainRun.SavedRunReopensAsAReplayThatStopsOnTheSamePeak (both).

// Regression: rows of a width not a multiple of four are padded in memory and
// must not be written with the padding.
TEST_F(PngFile, OddWidthRowsAreNotSkewed) {
    QImage picture(3, 2, QImage::Format_RGB32);
    for (int i = 0; i < 6; ++i) picture.setPixel(i % 3, i / 3, qRgb(40 * i, 255 - 40 * i, 7 * i));
    ASSERT_TRUE(WritePng(PathOf("odd.png"), picture));
    const QImage decoded(QString::fromStdString(PathOf("odd.png")));
    EXPECT_TRUE(decoded.convertToFormat(QImage::Format_RGB32) == picture);
}

TEST_F(FailedImageWrite, MissingFolderOrNullImageReturnsFalseAndCreatesNothing) {
    const fs::path missing = Folder() / "NoSuchFolder";
    EXPECT_FALSE(WritePng((missing / "a.png").string(), Blank(8, 8)));
    EXPECT_FALSE(WriteJpeg((missing / "a.jpg").string(), Blank(8, 8)));
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_FALSE(WritePng(PathOf("a.png"), QImage()));
    EXPECT_FALSE(WriteJpeg(PathOf("a.jpg"), QImage()));
    EXPECT_TRUE(Listing().empty());
}

// The encoders refuse these sizes part way through a file; the error must come
// back as false, not abort the program, and the partial file must go.
TEST_F(FailedImageWrite, EncoderErrorLeavesNoPartialFile) {
    EXPECT_FALSE(WritePng(PathOf("wide.png"), Blank(1'000'002, 1)));
    EXPECT_FALSE(WriteJpeg(PathOf("wide.jpg"), Blank(65'502, 1)));
    EXPECT_TRUE(Listing().empty());
}

// A target that cannot be replaced (a folder of that name) keeps what is there.
TEST_F(FailedImageWrite, UnreplaceableTargetLeavesNoTemporary) {
    fs::create_directory(PathOf("taken.png"));
    EXPECT_FALSE(WritePng(PathOf("taken.png"), Blank(8, 8)));
    EXPECT_TRUE(fs::is_directory(PathOf("taken.png")));
    EXPECT_EQ(Listing(), std::vector<std::string>{"taken.png"});
}

} // namespace
