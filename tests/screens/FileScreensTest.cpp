// Keeping runs: the information screen, the file name screen, the file list
// with its details and deletion, driven by queued presses on modal screens.

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QListWidget>
#include <sstream>
#include <tuple>

#include "QtApp.h"
#include "ScopedSettings.h"
#include "ScreenDriver.h"
#include "TempUnitRoot.h"
#include "dsp/Correlation.h"
#include "platform/Files.h"
#include "screens/ConfirmDeleteBox.h"
#include "screens/FileListDialog.h"
#include "screens/FilenameDialog.h"
#include "screens/InformationDialog.h"

namespace {

constexpr const char* kDataFolder = "\\NandFlash\\Data\\";

// Letters, digits, '.', '-' and blanks on the shared keyboard, switching pads as needed.
Step TypeText(std::string keys) {
    return [keys](CDialogBase& screen) {
        for (char k : keys) {
            const bool digitPad = screen.GetDlgItem(CTextKeypadDialog::kIdAlpha)->isVisible();
            const bool digit = k >= '0' && k <= '9', letter = k >= 'A' && k <= 'Z';
            if ((digit && !digitPad) || (letter && digitPad))
                screen.Item<QAbstractButton>(digitPad ? CTextKeypadDialog::kIdAlpha : CTextKeypadDialog::kIdNumeric)->click();
            int id = CTextKeypadDialog::KeyOf(k);
            if (k == '.') id = digitPad ? CTextKeypadDialog::kIdDigitPoint : CTextKeypadDialog::kIdLetterPoint;
            if (k == '-') id = CTextKeypadDialog::kIdDash;
            if (k == ' ') id = CTextKeypadDialog::kIdSpace;
            auto* key = screen.Item<QAbstractButton>(id);
            ASSERT_TRUE(key && key->isVisible() && key->isEnabled()) << "key " << k;
            key->click();
        }
    };
}

Step Check(std::function<void(CDialogBase&)> check) { return check; }

class FileScreens : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQApplication();
        platform::CreateDirectory("\\NandFlash\\Data");
    }
    void TearDown() override { EXPECT_EQ(QApplication::activeModalWidget(), nullptr); }
    void Put(const std::string& name, const std::string& bytes = "x") { root.Put(kDataFolder + name, bytes); }
    bool Exists(const std::string& name) { return platform::PathExists(kDataFolder + name); }

    TempUnitRoot root;
    ScopedSettings settings;
    Driver driver;
};

}  // namespace

TEST_F(FileScreens, InformationCancelKeepsTheTexts) {
    const CInformationDialog::Texts texts{u"T", u"C1", u"C2", u"C3", u"REF"};
    CInformationDialog screen;
    screen.SetTexts(texts);
    driver.Queue({TypeText("XYZ"), Press(CInformationDialog::kIdNext), Press(CTextKeypadDialog::kIdClear),
                  Press(CTextKeypadDialog::kIdCancel)});
    ASSERT_EQ(screen.DoModal(), kResultCancel);
    EXPECT_EQ(screen.GetTexts(), texts);
    // The next opening starts from the texts again, not from what was typed.
    screen.InitForDisplay();
    EXPECT_EQ(screen.ItemText(CInformationDialog::kIdTitle), "T");
}

// A new file name screen starts with the name last accepted for its kind of
// file, so the next run of a series is named by changing one character.
TEST_F(FileScreens, TheNextSaveStartsWithThePreviousName) {
    {
        CFilenameDialog first;
        first.SetExtension(".corr");
        driver.Queue({Press(CTextKeypadDialog::kIdClear), TypeText("MAIN ST 4"), Press(CTextKeypadDialog::kIdEnter)});
        ASSERT_EQ(first.DoModal(), kResultOk);
    }
    CFilenameDialog next;
    next.SetExtension(".corr");
    next.InitForDisplay();
    EXPECT_EQ(next.ItemText(CFilenameDialog::kIdName), "MAIN ST 4");
    CFilenameDialog other;
    other.SetExtension(".other");
    other.InitForDisplay();
    EXPECT_EQ(other.ItemText(CFilenameDialog::kIdName), "");
}

// Nothing typed may leave the data folder: ".." and names the unit cannot
// hold keep ENTER disabled, and so does an empty name.
TEST_F(FileScreens, UnusableNamesKeepEnterDisabled) {
    CFilenameDialog screen;
    screen.SetExtension(".corr");
    const auto enterEnabled = [](bool enabled) {
        return Check([enabled](CDialogBase& s) {
            EXPECT_EQ(s.GetDlgItem(CTextKeypadDialog::kIdEnter)->isEnabled(), enabled) << s.ItemText(1062).toStdString();
        });
    };
    driver.Queue({Press(CTextKeypadDialog::kIdClear), enterEnabled(false), TypeText(".."), enterEnabled(false), Press(CTextKeypadDialog::kIdClear),
                  TypeText("RUN.."), enterEnabled(false), Press(CTextKeypadDialog::kIdDelete), enterEnabled(false),
                  TypeText("5"), enterEnabled(true), TypeText(" "), enterEnabled(false), Press(CTextKeypadDialog::kIdDelete),
                  Press(CTextKeypadDialog::kIdEnter)});
    ASSERT_EQ(screen.DoModal(), kResultOk);
    EXPECT_EQ(screen.Name(), "RUN.5");

    screen.SetName("..\\..\\X");
    screen.InitForDisplay();
    EXPECT_FALSE(screen.GetDlgItem(CTextKeypadDialog::kIdEnter)->isEnabled());
}

TEST_F(FileScreens, EighteenFilesGiveTwoPagesAndNextOnlyOnTheFirst) {
    for (int i = 0; i < 18; ++i) Put("R" + std::to_string(100 + i) + ".corr");
    Put("other.comp");
    Opened<CFileListDialog> screen;
    auto* list = screen.Item<QListWidget>(CFileListDialog::kIdList);
    const auto pages = [&] {  // entries, NEXT and PREVIOUS enabled
        return std::tuple{list->count(), screen.GetDlgItem(CFileListDialog::kIdNextPage)->isEnabled(),
                          screen.GetDlgItem(CFileListDialog::kIdPreviousPage)->isEnabled()};
    };
    EXPECT_EQ(screen.PageCount(), 2);
    EXPECT_EQ(pages(), std::tuple(17, true, false));
    screen.Item<QAbstractButton>(CFileListDialog::kIdNextPage)->click();
    EXPECT_EQ(pages(), std::tuple(1, false, true));
    EXPECT_EQ(screen.SelectedName(), "R117.corr");
    screen.Item<QAbstractButton>(CFileListDialog::kIdPreviousPage)->click();
    // SELECT UP stops at the top; SELECT DOWN moves the selection.
    screen.Item<QAbstractButton>(CFileListDialog::kIdSelectUp)->click();
    EXPECT_EQ(screen.SelectedName(), "R100.corr");
    screen.Item<QAbstractButton>(CFileListDialog::kIdSelectDown)->click();
    EXPECT_EQ(screen.SelectedName(), "R101.corr");
}

// The whole of a 40-character name shows, in a smaller font; a short one
// keeps the screen's font. Its title in the details showed cut with "...".
TEST_F(FileScreens, ALongNameShowsWholeInItsRow) {
    const std::string longName = "MAIN STREET VALVE 12 TO HYDRANT 7 RUN 04";
    ASSERT_EQ(longName.size(), 40u);
    Put(longName + ".corr");
    Put("R1.corr");
    CFileListDialog screen;
    const std::u16string title = u"TITLE: MAIN STREET VALVE 12 TO HYDRANT 7 RUN 04";
    screen.SetDetailsProvider([&](const std::string&) { return std::vector<std::u16string>{title}; });
    screen.InitForDisplay();
    EXPECT_EQ(screen.ItemText(CFileListDialog::kIdFirstDetail), QString::fromStdU16String(title));
    auto* list = screen.Item<QListWidget>(CFileListDialog::kIdList);
    const int room = list->width() - 2 * list->frameWidth();
    const QListWidgetItem* whole = list->item(0);
    ASSERT_EQ(whole->text().toStdString(), longName + ".corr");
    EXPECT_LT(QFontMetrics(whole->font()).horizontalAdvance(whole->text()), room);
    EXPECT_GE(whole->font().pixelSize(), 8);
    EXPECT_EQ(list->item(1)->font().pixelSize(), list->font().pixelSize());
}

TEST_F(FileScreens, DeletingARunRemovesItsCompanionsAfterTheQuestion) {
    for (const char* name : {"A.corr.bak", "A_corr.wav", "RUN1.corr", "RUN1_corr.wav", "RUN1_corr.png",
                             "RUN1_corr.jpg", "RUN2.corr"})
        Put(name);
    CFileListDialog screen;
    screen.SetPattern("*");
    driver.Queue({
        Press(CFileListDialog::kIdSelectDown), Press(CFileListDialog::kIdSelectDown),  // RUN1.corr
        Press(CFileListDialog::kIdDelete), OnScreen(CConfirmDeleteBox::kTemplate, [](CDialogBase&) {}),
        Press(CConfirmDeleteBox::kIdCancel),
        Check([this](CDialogBase&) { EXPECT_TRUE(Exists("RUN1.corr")); }),
        Press(CFileListDialog::kIdDelete), Press(CConfirmDeleteBox::kIdDelete),
        Check([](CDialogBase& s) {
            // The same place is selected in the list rebuilt from the folder.
            EXPECT_EQ(static_cast<CFileListDialog&>(s).SelectedName(), "RUN2.corr");
            EXPECT_EQ(s.Item<QListWidget>(CFileListDialog::kIdList)->count(), 3);
        }),
        Press(CFileListDialog::kIdCancel),
    });
    EXPECT_EQ(screen.DoModal(), kResultCancel);
    for (const char* gone : {"RUN1.corr", "RUN1_corr.wav", "RUN1_corr.png", "RUN1_corr.jpg"}) EXPECT_FALSE(Exists(gone)) << gone;
    // Which names are a run's companions: RunCompanions.DeletingARunRemovesItsRecordingAndPicturesOnly.
    EXPECT_TRUE(Exists("RUN2.corr"));
}

TEST_F(FileScreens, DetailsComeFromTheHeaderAndAnUnreadableFileSaysSo) {
    auto run = CCorrelation::CreateStartupRun({});
    run->Info() = {u"MAIN ST", u"VALVE 12", u"", u"HYDRANT", u"W-7"};
    run->Pipe().SetStations(StationCode::Yellow, StationCode::Blue);
    const std::vector<int16_t> second(10000, 0);
    run->AddRedSamples(second.data(), 10000);
    run->AddBlueSamples(second.data(), 10000);
    std::ostringstream corr;
    run->Write(corr);
    Put("A1.corr", corr.str());
    Put("B2.corr", corr.str().substr(0, 40));  // cut inside the header
    Opened<CFileListDialog> screen;
    const int d = CFileListDialog::kIdFirstDetail;
    EXPECT_EQ(Texts(screen, {d, d + 1, d + 4, d + 6, d + 7, d + 9, d + 10}),
              "TYPE: CORRELATION\nRECORDED AUDIO: 1.0s\nSTATIONS: YELLOW - BLUE\nTITLE: MAIN ST\nCOMMENTS: VALVE 12\n"
              "HYDRANT\nREF: W-7");

    screen.Item<QAbstractButton>(CFileListDialog::kIdSelectDown)->click();
    EXPECT_EQ(Texts(screen, {d, d + 1}), "TYPE: UNREADABLE FILE\n");
    EXPECT_TRUE(screen.GetDlgItem(CFileListDialog::kIdDelete)->isEnabled() && Exists("B2.corr"));
    // A velocity computation's details: journey 7.
}
