// Device preparation at start-up, on a temporary unit with a fake clock.

#include <gtest/gtest.h>

#include "TempUnitRoot.h"
#include "app/StartupSteps.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Touch.h"

using namespace platform;

namespace {

constexpr SystemTime kIn2009{2009, 5, 0, 1, 12, 0, 0, 0};
constexpr SystemTime kIn2026{2026, 12, 0, 6, 12, 0, 0, 0};

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        calibrations = 0;
        SetTouchCalibrator([this] {
            ++calibrations;
            return RegSetString(Hive::LocalMachine, kTouchKey, kTouchValue, u"fresh");
        });
    }
    void TearDown() override {
        SetTouchCalibrator({});
        SetDebugSink({});
    }
    void MakeTouchKey(bool withValue) {
        if (withValue)
            RegSetString(Hive::LocalMachine, kTouchKey, kTouchValue, u"present");
        else
            RegCreateKey(Hive::LocalMachine, kTouchKey);
    }
    std::u16string TouchValue() {
        return RegGetString(Hive::LocalMachine, kTouchKey, kTouchValue).value_or(u"<none>");
    }

    TempUnitRoot root;
    CConfiguration config;
    int calibrations = 0;
};

}  // namespace

// The saved copy is restored when the clock was reset or the data are
// missing; a calibrated unit with a good clock is left alone.
TEST_F(Startup, TheCopyIsRestoredOnlyAfterAClockResetOrWithoutData) {
    struct Row { bool data; SystemTime now; const char16_t* value; };
    for (const Row& r : {Row{true, kIn2026, u"present"}, Row{true, kIn2009, u"copy"}, Row{false, kIn2026, u"copy"}}) {
        RegDeleteKey(Hive::LocalMachine, kTouchKey);
        MakeTouchKey(r.data);
        config.SetTouchCalibration(u"copy");
        startup::RestoreTouchCalibration(config, r.now);
        EXPECT_EQ(TouchValue(), r.value) << r.data << " " << r.now.year;
    }
    EXPECT_EQ(calibrations, 0);
}

TEST_F(Startup, A256CharacterCopyIsNotRestoredButCalibrationRuns) {
    MakeTouchKey(false);
    std::fill(std::begin(config.touchCalibration), std::end(config.touchCalibration), u'7');
    startup::RestoreTouchCalibration(config, kIn2026);
    CConfiguration saved;
    saved.Load();
    RegReloadFromDisk();  // the registry flushed and the copy saved
    EXPECT_EQ(std::tuple(calibrations, TouchValue(), config.TouchCalibration(), saved.TouchCalibration()),
              std::tuple(1, std::u16string(u"fresh"), std::u16string(u"fresh"), std::u16string(u"fresh")));
}

TEST_F(Startup, CalibrationRepeatsUntilDataExistButNotForever) {
    MakeTouchKey(false);
    int attempts = 0;
    SetTouchCalibrator([&] { return ++attempts == 3 && RegSetString(Hive::LocalMachine, kTouchKey, kTouchValue, u"third"); });
    startup::RestoreTouchCalibration(config, kIn2026);
    EXPECT_EQ(attempts, 3);
    EXPECT_EQ(config.TouchCalibration(), u"third");

    attempts = 0;
    SetTouchCalibrator([&] { ++attempts; return false; });
    RegDeleteKey(Hive::LocalMachine, kTouchKey);
    MakeTouchKey(false);
    startup::RestoreTouchCalibration(config, kIn2009);  // copy "third" restored, no calibration
    EXPECT_EQ(attempts, 0);
    config.SetTouchCalibration(u"");
    RegDeleteKey(Hive::LocalMachine, kTouchKey);
    MakeTouchKey(false);
    startup::RestoreTouchCalibration(config, kIn2026);
    EXPECT_EQ(attempts, startup::kMaxCalibrationAttempts);
    EXPECT_TRUE(config.TouchCalibration().empty());
}

TEST_F(Startup, KeyLostDuringCalibrationEndsTheLoopWithADiagnostic) {
    std::string debug;
    SetDebugSink([&](std::string_view t) { debug += t; });
    SetTouchCalibrator([] { RegDeleteKey(Hive::LocalMachine, "HARDWARE"); return true; });
    startup::RestoreTouchCalibration(config, kIn2009);
    EXPECT_EQ(debug, "\r\nTC1: Failed to open HARDWARE\\DEVICEMAP\\TOUCH: status=2\r\n");
}

TEST_F(Startup, StrayResultsMoveIntoTheDataFolder) {
    for (const char* name : {"A1.corr", "A1_corr.jpg", "A1_corr.png", "A1_corr.wav", "v.comp", "log.txt"})
        root.Put(std::string("\\NandFlash\\") + name, name);
    root.Put("\\NandFlash\\Data\\v.comp", "older");
    startup::CreateDataFolder();
    startup::TidyStrayResults(CConfiguration::DataFolder());
    for (const char* name : {"A1.corr", "A1_corr.jpg", "A1_corr.png", "A1_corr.wav"}) {
        EXPECT_TRUE(PathExists(std::string("\\NandFlash\\Data\\") + name)) << name;
        EXPECT_FALSE(PathExists(std::string("\\NandFlash\\") + name)) << name;
    }
    EXPECT_TRUE(PathExists("\\NandFlash\\log.txt"));
    // A move that would overwrite fails and is ignored: both files stay.
    EXPECT_EQ(ReadWholeFile("\\NandFlash\\Data\\v.comp", 100), "older");
    EXPECT_TRUE(PathExists("\\NandFlash\\v.comp"));
}

TEST_F(Startup, NothingMovesWhenTheDataFolderIsTheFlashRoot) {
    root.Put("\\NandFlash\\A1.corr", "x");
    EXPECT_EQ(CConfiguration::DataFolder(), "\\NandFlash\\");  // no Data folder yet
    startup::TidyStrayResults(CConfiguration::DataFolder());
    EXPECT_TRUE(PathExists("\\NandFlash\\A1.corr"));
}

TEST_F(Startup, ProgramAndLibrariesAreProtectedDataFilesHidden) {
    for (const char* name : {"TamrikDialogs.exe", "TamrikDialogsDEU.dll", "tamrik.db", "tamrik.conf"})
        root.Put(std::string("\\NandFlash\\") + name, "x");
    startup::ProtectFiles();
    EXPECT_EQ(GetFileAttributes("\\NandFlash\\TamrikDialogs.exe"), kAttrReadOnly | kAttrHidden);
    EXPECT_EQ(GetFileAttributes("\\NandFlash\\TamrikDialogsDEU.dll"), kAttrReadOnly | kAttrHidden);
    EXPECT_EQ(GetFileAttributes("\\NandFlash\\tamrik.db"), kAttrHidden);
    EXPECT_EQ(GetFileAttributes("\\NandFlash\\tamrik.conf"), kAttrHidden);
}

TEST_F(Startup, PreparationRunsInUtcWithADataFolderAndAProfileKey) {
    FakeClock clock(UnixMsFromSystemTime(kIn2026));
    ScopedClock scoped(clock);
    TimeZoneInformation odd;
    odd.bias = 120;
    SetTimeZoneInformation(odd);
    startup::PrepareDevice(config);
    startup::SetProfileKey();
    EXPECT_EQ(GetTimeZoneInformation().bias, 0);
    EXPECT_EQ(CConfiguration::DataFolder(), "\\NandFlash\\Data\\");
    EXPECT_TRUE(RegKeyExists(Hive::CurrentUser, "Software\\Ostrelon Limited"));
}

// One bad number in the attribute store kept the unit from starting: the
// first settings save threw from the attribute look-up, every time.
TEST_F(Startup, ADamagedAttributeStoreNeitherStopsTheStartNorCostsTheGoodEntries) {
    FakeClock clock(UnixMsFromSystemTime(kIn2026));
    ScopedClock scoped(clock);
    MakeTouchKey(true);
    root.Put("\\NandFlash\\Data\\A1.corr", "x");
    root.Put("\\.attributes", "99999999999999999999\tnandflash/tamrik.conf\nhidden\tnandflash\n1\tnandflash/data/a1.corr\n");
    SetUnitRoot(root.Path());
    EXPECT_TRUE(config.Save());
    startup::PrepareDevice(config);
    startup::ProtectFiles();
    EXPECT_EQ(GetFileAttributes("\\NandFlash\\Data\\A1.corr"), kAttrReadOnly);
    EXPECT_EQ(GetFileAttributes(kConfigurationFile), kAttrHidden);
}

// The packs shipped beside an installed program reach a fresh unit; a pack the
// unit already carries stays as it is, and names that are no pack are passed over.
TEST_F(Startup, ShippedLanguagePacksFillOnlyTheMissingCodes) {
    const std::filesystem::path shipped = root.Path() / "shipped";
    std::filesystem::create_directories(shipped);
    for (const char* name : {"DEU.txt", "FAS.txt", "LONGER.txt", "ITA.md"})
        std::ofstream(shipped / name) << "shipped " << name;
    root.Put("\\NandFlash\\TamrikDialogsDEU.dll", "the unit's own");
    EXPECT_EQ(startup::InstallShippedLanguagePacks(shipped), 1);
    EXPECT_EQ(ReadWholeFile("\\NandFlash\\TamrikDialogsDEU.dll", 100), "the unit's own");
    EXPECT_EQ(ReadWholeFile("\\NandFlash\\TamrikDialogsFAS.dll", 100), "shipped FAS.txt");
    EXPECT_EQ(FindFiles("\\NandFlash\\*.dll").size(), 2u);
    EXPECT_EQ(startup::InstallShippedLanguagePacks(root.Path() / "missing"), 0);
}
