// The language screen and its packs, the bad-signal question, the about screen.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QTimer>
#include <vector>

#include "ScopedSettings.h"
#include "QtApp.h"
#include "SamplePack.h"
#include "ScreenDriver.h"
#include "pipe/Materials.h"
#include "screens/AboutDlg.h"
#include "screens/BadSignalDlg.h"
#include "screens/LanguageDialog.h"
#include "settings/Language.h"
#include "ui/Resources.h"

namespace {

class Screens : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQApplication();
        InstallLanguageHooks();
    }
    void TearDown() override { SetLanguage(u"ENG"); }
    QAbstractButton* Button(CDialogBase& d, int id) { return d.Item<QAbstractButton>(id); }

    TempUnitRoot root;
    ScopedSettings settings;
};

}  // namespace

TEST_F(Screens, WithOnlyTheGermanPackFourLanguagesAreOffered) {
    PutSamplePack(root, "DEU");
    Opened<CLanguageDialog> screen;
    std::vector<std::u16string> offered;
    for (const LanguageChoice& c : LanguageChoices())
        if (screen.GetDlgItem(c.id)->isEnabled()) offered.push_back(c.code);
    EXPECT_EQ(offered, (std::vector<std::u16string>{u"ENG", u"DEU", u"LIT", u"RUS"}));
    EXPECT_EQ(screen.ItemText(1401), "Deutsch (German)");
}

// Every text of the check page shows whole on its row, the long German
// warnings too.
TEST_F(Screens, LanguageCheckShowsEachTextWholeOnItsRow) {
    PutSamplePack(root, "DEU");
    SetLanguage(u"DEU");
    Opened<CLangCheckDlg> screen;
    const int rows = static_cast<int>(CLangCheckDlg::CheckedStrings().size());
    for (int i = 0; i < 2 * rows; ++i) {
        auto* label = screen.Item<QLabel>(CLangCheckDlg::kIdFirstRow + i);
        ASSERT_NE(label, nullptr);
        const QFontMetrics metrics(label->font());
        EXPECT_LT(metrics.horizontalAdvance(label->text()), label->width()) << label->text().toStdString();
        EXPECT_LE(metrics.height(), label->height()) << label->text().toStdString();
    }
    EXPECT_EQ(screen.ItemText(CLangCheckDlg::kIdFirstRow + 2 * 13 + 1), "WARNUNG: AUSSERHALB DER MESSSTRECKE");
}

// On the Persian page both columns end at their right edge; the English one
// started at its left and ran into the Persian one beside it.
TEST_F(Screens, PersianLanguageCheckAlignsBothColumnsToTheRight) {
    PutSamplePack(root, "FAS");
    SetLanguage(u"FAS");
    Opened<CLangCheckDlg> screen;
    screen.show();
    const QImage page = screen.grab().toImage();
    screen.hide();
    for (int id : {int(CLangCheckDlg::kIdFirstRow), CLangCheckDlg::kIdFirstRow + 1}) {
        const QRect box = screen.GetDlgItem(id)->geometry();
        int ink = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.right() - 24; x <= box.right(); ++x) ink += qGray(page.pixel(x, y)) < 128;
        EXPECT_GT(ink, 0) << id;
    }
}

TEST_F(Screens, ChoosingGermanThenEnglishReleasesThePackAndStoresEng) {
    PutSamplePack(root, "DEU");
    CMaterials materials;
    g_materials = &materials;
    const auto choose = [this](int id) {
        CLanguageDialog screen;
        QTimer::singleShot(0, [&] { Button(screen, id)->click(); });
        EXPECT_EQ(screen.DoModal(), kResultLanguage);
        return std::tuple(CurrentLanguagePack() != nullptr, LoadString(198).toStdString());
    };
    EXPECT_EQ(choose(1401), std::tuple(true, "Testbetrieb"));
    EXPECT_EQ(materials.Slot(2).name + u"," + materials.Slot(20).name, u"STAHL,BENUTZERMATERIAL 1");
    EXPECT_EQ(choose(1400), std::tuple(false, "Test Mode"));
    EXPECT_EQ(materials.Slot(2).name, u"STEEL");
    g_materials = nullptr;
    EXPECT_EQ(StoredConfiguration().Language(), u"ENG");
}

TEST_F(Screens, PackTemplatesReplaceTheBuiltInOnesAndMissingOnesFallBack) {
    PutSamplePack(root, "FAS");
    SetLanguage(u"FAS");
    CBadSignalDlg dlg;
    EXPECT_EQ(dlg.ItemText(2), QString::fromUtf8("لغو"));
    EXPECT_EQ(dlg.layoutDirection(), Qt::RightToLeft);
    CAboutDlg about;  // no Persian template: the English one
    EXPECT_EQ(about.ItemText(CAboutDlg::kIdVersion), "SOFTWARE VERSION");
    EXPECT_TRUE(LanguageIsFarsi());
}

TEST_F(Screens, ACancelledLanguageScreenChangesNothing) {
    g_configuration.SetLanguage(u"DEU");
    CLanguageDialog screen;
    QTimer::singleShot(0, [&] { Button(screen, CLanguageDialog::kIdCancel)->click(); });
    EXPECT_EQ(screen.DoModal(), kResultCancel);
    EXPECT_EQ(g_configuration.Language(), u"DEU");
}

TEST_F(Screens, HiddenCornersSetTheBrandingAndMarkTheCurrentOne) {
    g_configuration.branding = 0;
    Opened<CLanguageDialog> screen;
    EXPECT_EQ(screen.GetCheck(CLanguageDialog::kIdBranding0), 1);
    Button(screen, CLanguageDialog::kIdBranding1)->click();
    EXPECT_EQ(std::tuple(g_configuration.branding, StoredConfiguration().branding, screen.GetCheck(CLanguageDialog::kIdBranding0),
                         screen.GetCheck(CLanguageDialog::kIdBranding1)), std::tuple(1, 1, 0, 1));
}

TEST_F(Screens, OutsideTestModeTheBadSignalQuestionOffersOnlyCancel) {
    for (int testMode : {0, 1}) {
        g_configuration.testMode = static_cast<uint8_t>(testMode);
        Opened<CBadSignalDlg> dlg;
        std::vector<bool> shown;  // CANCEL, YES, NO, the question
        for (int id : {CBadSignalDlg::kIdCancel, CBadSignalDlg::kIdYes, CBadSignalDlg::kIdNo, CBadSignalDlg::kIdQuestion})
            shown.push_back(!dlg.GetDlgItem(id)->isHidden());
        EXPECT_EQ(shown, std::vector<bool>({!testMode, !!testMode, !!testMode, !!testMode})) << testMode;
    }
    CBadSignalDlg dlg;
    QTimer::singleShot(0, [&] { Button(dlg, CBadSignalDlg::kIdYes)->click(); });
    EXPECT_EQ(dlg.DoModal(), kResultOk);
}

TEST(AboutChoices, TemplateBySerialAndBadgeByBrandingThenLanguage) {
    EXPECT_EQ(std::vector({CAboutDlg::TemplateFor(u"Q123"), CAboutDlg::TemplateFor(u"A123"), CAboutDlg::TemplateFor(u"")}),
              std::vector({256, 100, 100}));
    EXPECT_EQ(std::vector({CAboutDlg::BadgeFor(1, u"FAS"), CAboutDlg::BadgeFor(0, u"FAS"), CAboutDlg::BadgeFor(0, u"ENG")}),
              std::vector({266, 263, 262}));
}
