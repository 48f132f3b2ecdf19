// The speed-of-sound screen and the material database screens, driven by
// queued presses on whichever screen is in front.

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QListWidget>
#include <sstream>

#include "QtApp.h"
#include "SamplePack.h"
#include "ScreenDriver.h"
#include "ScopedSettings.h"
#include "pipe/Materials.h"
#include "pipe/Pipe.h"
#include "screens/DatabaseDialog.h"
#include "screens/DbMaterialDialog.h"
#include "screens/RestoreDefaultsDialog.h"
#include "screens/SpeedSoundDialog.h"
#include "settings/Language.h"
#include "ui/KeyboardDialog.h"
#include "ui/Resources.h"

namespace {

using D = CDatabaseDialog;

Step SpeedKeys(std::string keys) { return Keys(CSpeedSoundDialog::kIdFirstDigit, CSpeedSoundDialog::kIdPoint, keys); }
Step TableKeys(std::string keys) { return Keys(D::kIdFirstDigit, D::kIdPoint, keys); }

std::string Bytes(const CMaterials& m) {
    std::ostringstream os;
    m.WriteTo(os);
    return os.str();
}

QStringList Lines(CDialogBase& s) {
    QStringList lines;
    auto* list = s.Item<QListWidget>(D::kIdBandList);
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    return lines;
}

class MaterialDb : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQApplication();
        InstallLanguageHooks();
        g_configuration.unitSystem = 0;
        g_configuration.velocityPerMs = 0;
        g_configuration.colourScheme = 0;
        CreateGlobalMaterials();
    }
    void TearDown() override {
        CloseAll();
        DestroyGlobalMaterials();
        SetLanguage(u"ENG");
        for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible()) << "a screen stayed open";
    }
    // 200 m of ductile iron at 1000 m/s.
    static CPipe Pipe200() {
        PipeSegment s;
        s.SetMaterial(u"DUCTILE IRON");
        s.SetVelocity(1000.0f);
        s.SetLength(200.0f, LengthUnit::Metres);
        CPipe pipe(10000.0f);
        pipe.AddSection(s);
        return pipe;
    }
    // Runs the velocity table of slot with steps, and returns its result.
    int Table(int slot, std::vector<Step> steps) {
        D screen(slot);
        driver.Queue(std::move(steps));
        return screen.DoModal();
    }

    TempUnitRoot root;
    ScopedSettings settings;
    Driver driver;
};

Step Shows(int id, const char* text) {
    return [id, text](CDialogBase& s) { EXPECT_EQ(s.ItemText(id).toStdString(), text) << "control " << id; };
}

// Nothing that cannot be divided, and no pipe without a first section, can be applied.
TEST_F(MaterialDb, SpeedOfSoundOffersNoApplyWithoutAUsableVelocity) {
    using S = CSpeedSoundDialog;
    struct Row { CPipe pipe; float delay; int unitSystem; const char* keys, *shown; };
    const Row rows[] = {
        {Pipe200(), 0.0f, 0, "60", "UNDEFINED"},
        {CPipe(10000.0f), 0.02f, 0, "60", "6000.0m/s"},
        // The midpoint of 200 m typed in feet: the conversion left 3 um, which
        // once showed "0.0ft/s" and applied 0.00076 m/s.
        {Pipe200(), 0.02f, 1, "328.084", "UNDEFINED"},
    };
    for (const Row& row : rows) {
        g_configuration.unitSystem = row.unitSystem;
        CSpeedSoundDialog screen(row.pipe, row.delay);
        driver.Queue({SpeedKeys(row.keys), Shows(S::kIdEntry, row.keys), Shows(S::kIdCalculatedVelocity, row.shown),
                      [](CDialogBase& s) { EXPECT_FALSE(s.GetDlgItem(S::kIdApply)->isEnabled()); },
                      Press(S::kIdDiscard)});
        EXPECT_EQ(screen.DoModal(), kResultCancel) << row.keys;
    }
}

TEST_F(MaterialDb, PersianSpeedLinesReadLeftToRightAndTheDatabaseFromTheRight) {
    PutSamplePack(root, "FAS");
    SetLanguage(u"FAS");
    Opened<CSpeedSoundDialog> screen(Pipe200(), 0.02f);
    for (int id : {CSpeedSoundDialog::kIdDelay, CSpeedSoundDialog::kIdCurrentVelocity})
        EXPECT_TRUE(screen.ItemText(id).startsWith(QChar(0x202D))) << id;
    // The material database reads from the right, its grid and its bottom row alike.
    Opened<CDbMaterialDialog> database;
    const auto x = [&database](int id) { return database.GetDlgItem(id)->x(); };
    EXPECT_GT(x(CDbMaterialDialog::kIdFirstMaterial), x(CDbMaterialDialog::kIdFirstMaterial + 1));
    EXPECT_GT(x(CDbMaterialDialog::kIdEditName), x(CDbMaterialDialog::kIdEditVelocity));
    EXPECT_GT(x(CDbMaterialDialog::kIdRestoreDefaults), x(CDbMaterialDialog::kIdBack));
}

// The name is saved at once; the emptied slot loses its button (the pipe
// entry's material screens are checked in PipeEntryTest).
TEST_F(MaterialDb, EditNameSavesAtOnceAndAnEmptiedNameLosesItsButton) {
    using M = CDbMaterialDialog;
    constexpr int steel = M::kIdFirstMaterial + 2;
    CDbMaterialDialog screen;
    std::vector<Step> steps = {Press(steel), Press(M::kIdEditName),
                               OnScreen(CKeyboardDialog::kTemplate, [](CDialogBase& s) {
                                   EXPECT_EQ(s.ItemText(CKeyboardDialog::kIdTitle), "SET MATERIAL NAME");
                                   EXPECT_EQ(s.ItemText(CKeyboardDialog::kIdText), "STEEL");
                               })};
    for (int i = 0; i < 5; ++i) steps.push_back(Press(CKeyboardDialog::kIdDelete));
    steps.push_back(Press(kResultOk));
    steps.push_back(OnScreen(M::kTemplate, [](CDialogBase& s) {
        EXPECT_TRUE(s.GetDlgItem(steel)->isHidden());
        EXPECT_FALSE(s.GetDlgItem(M::kIdEditName)->isEnabled());
    }));
    steps.push_back(Press(M::kIdBack));
    driver.Queue(steps);
    screen.DoModal();

    CMaterials fromFile;
    ASSERT_TRUE(fromFile.Load());
    EXPECT_EQ(fromFile.Slot(2).name, u"");
}

// The material names in the velocity table show whole: the four
// user-defined materials differ only in their last character.
TEST_F(MaterialDb, VelocityTableShowsEveryMaterialNameWhole) {
    Opened<D> screen(21);
    screen.show();
    auto* list = screen.Item<QListWidget>(D::kIdMaterialList);
    QApplication::processEvents();
    for (int i = 0; i < list->count(); ++i) {
        const QListWidgetItem* item = list->item(i);
        const QRect row = list->visualItemRect(item);
        const QRect needed = QFontMetrics(list->font()).boundingRect(QRect(0, 0, row.width() - 4, 1000),
                                                                     Qt::TextWordWrap, item->text());
        EXPECT_LE(needed.height(), row.height() + 2) << item->text().toStdString();  // line rounding
        EXPECT_LE(needed.width(), row.width()) << item->text().toStdString();
    }
    screen.hide();
}

TEST_F(MaterialDb, DeleteEntryShiftsTheBandsAndZeroesTheLast) {
    MaterialEntry& user = g_materials->Slot(20);
    for (int i = 0; i < MaterialEntry::kBandCount; ++i) {
        DiameterBand& b = user.bands[static_cast<size_t>(i)];
        b.minDiameter = 10.0f * i;
        b.maxDiameter = 10.0f * i + 9;
        b.velocity = 1000.0f + i;
    }
    const MaterialEntry before = user;
    ASSERT_EQ(Table(20, {[](CDialogBase& s) {
                             EXPECT_EQ(Lines(s).size(), 36);
                             EXPECT_FALSE(s.GetDlgItem(D::kIdNewEntry)->isEnabled());
                         },
                         Press(D::kIdDown), Press(D::kIdDown), Press(D::kIdDown), Press(D::kIdDeleteEntry),
                         [](CDialogBase& s) {
                             EXPECT_EQ(std::tuple(Lines(s).size(), Lines(s).at(3).toStdString(), static_cast<D&>(s).SelectedRow()),
                                       std::tuple(35, "40 - 49mm: 1004.0m/s", 3));
                             s.Item<QListWidget>(D::kIdBandList)->setCurrentRow(34);
                         },
                         Press(D::kIdDeleteEntry),  // the last line: the selection moves to the new last
                         [](CDialogBase& s) { EXPECT_EQ(static_cast<D&>(s).SelectedRow(), 33); },
                         Press(D::kIdAccept)}),
              kResultOk);
    for (int i = 3; i < 34; ++i) EXPECT_EQ(user.bands[i].velocity, before.bands[i + 1].velocity) << i;
    for (int i : {34, 35}) EXPECT_TRUE(user.bands[i].IsEmpty() && user.bands[i].velocity == 0.0f) << i;
    EXPECT_EQ(user.bands[35].general[0].high, before.bands[35].general[0].high);  // cut-offs stay
}

// A refused entry says why on the message line and stores nothing; CANCEL
// puts back what was changed.
TEST_F(MaterialDb, RefusedEntriesStoreNothingAndCancelPutsTheMaterialBack) {
    const MaterialEntry before = g_materials->Slot(3);  // copper: four bands
    const auto refused = [](int stringId) {
        return [stringId](CDialogBase& s) {
            EXPECT_TRUE(static_cast<D&>(s).EntryShown());
            EXPECT_EQ(s.ItemText(D::kIdMessage), LoadString(stringId));
        };
    };
    const auto field = [](int f, std::string keys) {
        return std::vector<Step>{Press(D::kIdFirstFieldEdit + f), Press(D::kIdClear), TableKeys(keys)};
    };
    std::vector<Step> steps = {Press(D::kIdEditEntry)};
    for (std::string zero : {"0", "0.0", ""}) {
        steps = steps + field(D::kVelocity, zero);
        steps = steps + std::vector<Step>{Press(D::kIdAcceptEntry), refused(zero.empty() ? D::kNoNumberString : D::kBadVelocityString)};
    }
    steps = steps + std::vector<Step>{Press(D::kIdCancelEntry), Press(D::kIdNewEntry), Shows(D::kIdAcceptEntry, "ACCEPT NEW ENTRY")};
    steps = steps + field(D::kMinimum, "0") + field(D::kMaximum, "0") + field(D::kVelocity, "900");
    steps = steps + std::vector<Step>{Press(D::kIdAcceptEntry), refused(D::kEmptyRangeString), Press(D::kIdCancelEntry),
                                      [](CDialogBase& s) { EXPECT_EQ(Lines(s).size(), 4); },
                                      Press(D::kIdDeleteEntry), Press(D::kIdCancel)};  // CANCEL puts back what was deleted
    ASSERT_EQ(Table(3, steps), kResultCancel);
    EXPECT_EQ(Bytes(*g_materials), [&] { CMaterials m; m.Slot(3) = before; return Bytes(m); }());
}

// A new band goes after the listed ones; in inches a field left as shown
// keeps its millimetres exactly instead of the rounded figure.
TEST_F(MaterialDb, NewEntryAppendsAndUntouchedImperialFieldsKeepTheirValue) {
    g_configuration.unitSystem = 1;
    ASSERT_EQ(Table(3, {Press(D::kIdNewEntry), TableKeys("3"), Press(D::kIdEnter), TableKeys("4"), Press(D::kIdEnter),
                        TableKeys("3500"), Press(D::kIdAcceptEntry),
                        [](CDialogBase& s) {
                            EXPECT_EQ(std::tuple(Lines(s).size(), Lines(s).at(4).toStdString(), static_cast<D&>(s).SelectedRow()),
                                      std::tuple(5, "3.0 - 4.0in: 3500.0ft/s", 4));
                        },
                        Press(D::kIdUp), Press(D::kIdEditEntry), Press(D::kIdFirstFieldEdit + D::kVelocity),
                        Press(D::kIdClear), TableKeys("3800"), Press(D::kIdAcceptEntry), Press(D::kIdAccept)}),
              kResultOk);
    const auto& bands = g_materials->Slot(3).bands;
    EXPECT_NEAR(bands[4].minDiameter, 76.2f, 1e-3f);
    EXPECT_EQ(bands[3].minDiameter, 60.0f);  // shown as 2.4in
    EXPECT_NEAR(bands[3].velocity, 3800.0f * 0.3048f, 1e-2f);
}

}  // namespace
