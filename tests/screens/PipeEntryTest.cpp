// The pipe-entry chain: material, diameter band, length and the multi-section
// editor, driven by queued presses on whichever screen is in front.

#include <gtest/gtest.h>

#include <sstream>

#include "QtApp.h"
#include "ScreenDriver.h"
#include "ScopedSettings.h"
#include "SamplePack.h"
#include "pipe/Materials.h"
#include "pipe/Pipe.h"
#include "screens/DiameterDialog.h"
#include "screens/LengthDialog.h"
#include "screens/MaterialDialog.h"
#include "screens/MultiPipeDialog.h"
#include "settings/Language.h"
#include "ui/FancyButton.h"
#include "ui/Resources.h"

namespace {

// Digits and points on the length keypad.
Step TypeDigits(std::string keys) {
    return OnScreen(CLengthDialog::kTemplate, Keys(CLengthDialog::kIdFirstDigit, CLengthDialog::kIdPoint, keys));
}

// Material slot, band index, length keys and the button that completes the chain.
std::vector<Step> Chain(int slot, int band, std::string keys, int complete = CLengthDialog::kIdStart) {
    return {Press(CMaterialDialog::kIdFirstMaterial + slot), Press(CDiameterDialog::kIdFirstBand + band),
            TypeDigits(std::move(keys)), Press(complete)};
}

std::string Record(const CPipe& pipe) {
    std::ostringstream os;
    pipe.Write(os);
    return os.str();
}

bool Shown(CDialogBase& screen, int id) { return !screen.GetDlgItem(id)->isHidden(); }

class PipeEntry : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQApplication();
        InstallLanguageHooks();
        g_configuration.unitSystem = 0;
        g_configuration.velocityPerMs = 0;
        g_configuration.colourScheme = 0;
        g_materials = &materials;
    }
    void TearDown() override {
        CloseAll();
        g_materials = nullptr;
        SetLanguage(u"ENG");
        for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible()) << "a screen stayed open";
    }

    PipeSegment FromTable(int slot, int band, float length) {
        PipeSegment s;
        s.SetMaterial(materials.Slot(slot).name);
        s.SetMaterialGroup(materials.Slot(slot).group);
        s.SetBand(materials.Slot(slot).bands[static_cast<size_t>(band)]);
        s.SetLength(length, LengthUnit::Metres);
        return s;
    }
    // Ductile iron, PVC, steel between Yellow and Blue, with a delay and a
    // hydrophone, so that every field of the record is set.
    CPipe ThreeSections() {
        CPipe pipe(10000.0f);
        pipe.SetStations(StationCode::Yellow, StationCode::Blue);
        pipe.SetSensorType(1);
        pipe.SetDelay(0.0125f, DelayUnit::Seconds);
        pipe.AddSection(FromTable(0, 1, 120.0f));
        pipe.AddSection(FromTable(6, 6, 14.5f));
        pipe.AddSection(FromTable(2, 3, 86.0f));
        return pipe;
    }
    TempUnitRoot root;
    CMaterials materials;
    ScopedSettings settings;
    Driver driver;
};

}  // namespace

// --- Material screen: what it offers ---

TEST_F(PipeEntry, AnEmptiedMaterialNameHasNoButtonOnAnyMaterialScreen) {
    materials.Slot(2).name.clear();
    Opened<CMaterialDialog> screen;
    EXPECT_FALSE(Shown(screen, CMaterialDialog::kIdFirstMaterial + 2));
    EXPECT_EQ(screen.ItemText(CMaterialDialog::kIdFirstMaterial + 3), "COPPER");
    int shown = 0;
    for (int slot = 0; slot < CMaterials::kSlotCount; ++slot) shown += Shown(screen, CMaterialDialog::kIdFirstMaterial + slot);
    EXPECT_EQ(shown, 16);  // 13 built-in less the emptied one, 4 user-defined

    // The editor's own material screen, which also hides survey and reuse.
    CMultiPipeDialog editor(ThreeSections());
    driver.Queue({Press(CMultiPipeDialog::kIdFirstInsert + 1),
                  OnScreen(CMaterialDialog::kTemplate, [](CDialogBase& s) {
                      std::string shown;
                      for (int id : {CMaterialDialog::kIdFirstMaterial + 2, CMaterialDialog::kIdFirstMaterial + 3,
                                     int(CMaterialDialog::kIdSurvey), int(CMaterialDialog::kIdUseExisting), int(CMaterialDialog::kIdViewEdit)})
                          shown += s.GetDlgItem(id)->isVisible() ? '1' : '0';
                      EXPECT_EQ(shown, "01000");
                  }),
                  Press(CMaterialDialog::kIdBack), Press(CMultiPipeDialog::kIdBack)});
    EXPECT_EQ(editor.DoModal(), kResultCancel);
}

TEST_F(PipeEntry, SurveyAndTheExistingDefinitionAreOfferedOnlyWhenTheCallerDoes) {
    struct Row { bool surveyAllowed, existingOffered; int sections; bool survey, existing; };
    for (const Row& r : {Row{true, false, 3, true, false}, Row{false, true, 3, false, true},
                         Row{true, true, 0, true, false}}) {  // the last: nothing to reuse
        CPipe pipe = ThreeSections();
        while (pipe.GetSectionCount() > r.sections) pipe.RemoveSection(0);
        CMaterialDialog screen;
        screen.SetPipe(pipe);
        screen.SetSurveyAllowed(r.surveyAllowed);
        screen.SetExistingOffered(r.existingOffered);
        screen.InitForDisplay();
        EXPECT_EQ(std::vector({Shown(screen, CMaterialDialog::kIdSurvey), Shown(screen, CMaterialDialog::kIdUseExisting),
                               Shown(screen, CMaterialDialog::kIdViewEdit)}), std::vector({r.survey, r.existing, r.existing}));
    }
}

// --- Material screen: how it completes ---

TEST_F(PipeEntry, SurveyChoiceReturnsTheSurveyNameAndLeavesThePipe) {
    const CPipe caller = ThreeSections();
    CMaterialDialog screen;
    screen.SetPipe(caller);
    driver.Queue({Press(CMaterialDialog::kIdSurvey)});
    ASSERT_EQ(screen.DoModal(), kResultOk);
    EXPECT_EQ(std::pair(screen.SurveyChosen(), screen.ResultName()), std::pair(true, QStringLiteral("(SURVEY)")));
    EXPECT_EQ(Record(screen.Pipe()), Record(caller));
}

TEST_F(PipeEntry, TwelvePointFiveImperialIsStoredInFeetAndReportsMetres) {
    g_configuration.unitSystem = 1;
    const CPipe caller = ThreeSections();
    CMaterialDialog screen;
    screen.SetPipe(caller);
    driver.Queue({Press(CMaterialDialog::kIdFirstMaterial + 2), Press(CDiameterDialog::kIdFirstBand + 1),
                  TypeDigits("12.5"), OnScreen(CLengthDialog::kTemplate, [](CDialogBase& s) {
                      EXPECT_EQ(s.ItemText(CLengthDialog::kIdEntry), "12.5");
                      EXPECT_EQ(s.ItemText(CLengthDialog::kIdUnit), "ft");
                  }),
                  Press(CLengthDialog::kIdStart)});
    ASSERT_EQ(screen.DoModal(), kResultOk);
    ASSERT_EQ(screen.Pipe().GetSectionCount(), 1);
    const PipeSegment& s = screen.Pipe().GetSection(0);
    EXPECT_EQ(std::tuple(s.GetLengthUnit(), s.GetLength(LengthUnit::Feet), s.GetMaterial(), s.GetVelocity()),
              std::tuple(LengthUnit::Feet, 12.5f, std::u16string(u"STEEL"), materials.Slot(2).bands[1].velocity));
    EXPECT_NEAR(s.GetLength(LengthUnit::Metres), 3.81f, 1e-5f);
    // A new pipe of that section keeps the caller's stations and sensor.
    EXPECT_EQ(std::tuple(static_cast<int>(screen.Pipe().GetStationA()), screen.Pipe().GetSensorType()), std::tuple(3, 1));
    EXPECT_EQ(screen.ResultName(), "12.5ft STEEL");
}

// --- Leaving the chain ---

// Each path ends in BACK on every screen it opened; the material screen
// returns cancel and its pipe is still the caller's, byte for byte.
class BackAtAnyDepth : public PipeEntry, public ::testing::WithParamInterface<int> {};

TEST_P(BackAtAnyDepth, LeavesTheCallersPipeAsItWas) {
    using M = CMaterialDialog;
    using E = CMultiPipeDialog;
    const std::vector<std::vector<Step>> paths = {
        {Press(M::kIdBack)},
        {Press(M::kIdFirstMaterial + 0), Press(CDiameterDialog::kIdBack), Press(M::kIdBack)},
        {Press(M::kIdFirstMaterial + 0), Press(CDiameterDialog::kIdFirstBand + 2), TypeDigits("50"),
         Press(CLengthDialog::kIdBack), Press(CDiameterDialog::kIdBack), Press(M::kIdBack)},
        std::vector<Step>{Press(M::kIdFirstMaterial + 0), Press(CDiameterDialog::kIdFirstBand + 2), TypeDigits("50"),
                          Press(CLengthDialog::kIdMultiSection), Press(E::kIdFirstInsert + 1)} +
            Chain(6, 0, "3") +
            std::vector<Step>{Press(E::kIdBack), Press(CLengthDialog::kIdBack), Press(CDiameterDialog::kIdBack),
                              Press(M::kIdBack)},
        std::vector<Step>{Press(M::kIdViewEdit), Press(E::kIdFirstDelete + 0), Press(E::kIdFirstInsert + 0)} +
            Chain(2, 2, "40") +
            std::vector<Step>{Press(E::kIdBack), Press(M::kIdBack)},
    };
    const CPipe caller = ThreeSections();
    const std::string before = Record(caller);
    CMaterialDialog screen;
    screen.SetPipe(caller);
    screen.SetExistingOffered(true);
    driver.Queue(paths[static_cast<size_t>(GetParam())]);
    EXPECT_EQ(screen.DoModal(), kResultCancel);
    EXPECT_EQ(Record(screen.Pipe()), before);
    EXPECT_EQ(Record(caller), before);
}

INSTANTIATE_TEST_SUITE_P(Paths, BackAtAnyDepth, ::testing::Range(0, 5));

// --- Multi-section editor ---

TEST_F(PipeEntry, EditorHidesDeleteWithOneSectionAndEveryInsertWithTen) {
    using E = CMultiPipeDialog;
    CPipe pipe(10000.0f);
    for (int count = 1; count <= CPipe::kMaxSections; ++count) {
        pipe.AddSection(FromTable(1, 0, 10.0f));
        if (count != 1 && count != CPipe::kMaxSections) continue;
        Opened<E> editor(pipe);
        for (int row = 0; row < E::kRows; ++row) {
            EXPECT_EQ(Shown(editor, E::kIdFirstDelete + row), count > 1 && row < count) << row << " of " << count;
            EXPECT_EQ(Shown(editor, E::kIdFirstInsert + row), count < 10 && row <= count) << row << " of " << count;
        }
        EXPECT_LT(editor.GetDlgItem(E::kIdStationBPicture)->geometry().bottom(), kScreenHeight);
    }
}

// --- Diameter screen ---

TEST_F(PipeEntry, ThirtySixBandsFitReadablyAndABandWithoutVelocityCannotBeChosen) {
    MaterialEntry& m = materials.Slot(20);
    for (int i = 0; i < MaterialEntry::kBandCount; ++i) {
        m.bands[static_cast<size_t>(i)].minDiameter = 50.0f * static_cast<float>(i);
        m.bands[static_cast<size_t>(i)].maxDiameter = i == 35 ? 0.0f : 50.0f * static_cast<float>(i) + 49.0f;
        m.bands[static_cast<size_t>(i)].velocity = i == 5 ? 0.0f : 1000.0f;
    }
    Opened<CDiameterDialog> screen(20, PipeSegment(), CPipe(10000.0f));
    for (int i = 0; i < MaterialEntry::kBandCount; ++i) {
        auto* b = screen.Item<CFancyButton>(CDiameterDialog::kIdFirstBand + i);
        ASSERT_FALSE(b->isHidden()) << i;
        const CaptionLayout caption = LayoutCaption(b->text(), b->rect(), screen.font());
        EXPECT_GE(caption.font.pixelSize(), 14) << b->text().toStdString();
        EXPECT_EQ(b->isEnabled(), i != 5) << i;
    }
    EXPECT_EQ(screen.ItemText(CDiameterDialog::kIdFirstBand + 1), "50 - 99mm");
    EXPECT_EQ(screen.ItemText(CDiameterDialog::kIdFirstBand + 35), "1750mm +");
    g_configuration.unitSystem = 1;
    screen.InitForDisplay();
    EXPECT_EQ(screen.ItemText(CDiameterDialog::kIdFirstBand + 1), "2.0 - 3.9in");
}

// --- Language packs ---

// On a Persian screen what a screen places in code mirrors with its template
// (the material grid, the editor's rows), and a keypad moves as a block but
// keeps 7 8 9 from left to right.
TEST_F(PipeEntry, PersianScreensMirrorWhatTheyPlaceAndKeypadsKeepTheirOrder) {
    PutSamplePack(root, "FAS");
    SetLanguage(u"FAS");
    materials.ReloadNames();
    Opened<CMaterialDialog> material;
    const auto x = [](CDialogBase& s, int id) { return s.GetDlgItem(id)->geometry().center().x(); };
    EXPECT_GT(x(material, CMaterialDialog::kIdFirstMaterial), x(material, CMaterialDialog::kIdFirstMaterial + 1));
    Opened<CMultiPipeDialog> editor(ThreeSections());
    EXPECT_LT(x(editor, CMultiPipeDialog::kIdFirstDelete), x(editor, CMultiPipeDialog::kIdFirstInsert));
    CLengthDialog length(FromTable(0, 1, 0.0f), CPipe(10000.0f));
    const int seven = x(length, CLengthDialog::kIdFirstDigit + 7), nine = x(length, CLengthDialog::kIdFirstDigit + 9);
    EXPECT_LT(seven, nine);
    EXPECT_GT(seven, x(length, CLengthDialog::kIdBack));
    EXPECT_NEAR(nine - seven, 2 * (x(length, CLengthDialog::kIdFirstDigit + 8) - seven), 2);
}

// --- Length screen ---

// Every key of the pad types its own digit.
TEST_F(PipeEntry, EveryDigitKeyTypesItsDigit) {
    Opened<CLengthDialog> length(FromTable(0, 1, 0.0f), CPipe(10000.0f));
    for (char digit = '0'; digit <= '9'; ++digit) {
        length.Item<QAbstractButton>(CLengthDialog::kIdClear)->click();
        TypeDigits(std::string(1, digit))(length);
        EXPECT_EQ(length.ItemText(CLengthDialog::kIdEntry), QString(QChar(digit)));
    }
}
