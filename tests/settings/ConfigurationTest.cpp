// Loading the settings and factory files: every fallback, with files built
// byte by byte here rather than by the writer under test.

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "../pipe/Bytes.h"
#include "FileSizeLimit.h"
#include "TempUnitRoot.h"
#include "platform/Files.h"
#include "settings/Configuration.h"

namespace {

void PutI32(std::string& s, size_t at, int32_t v) { s.replace(at, 4, bytes::I32(v)); }
void PutF32(std::string& s, size_t at, float f) { s.replace(at, 4, bytes::F32(f)); }

// A record as a user who changed things would have it: every checked field in
// range but none at its default.
std::string UserRecord(size_t size = 704) {
    std::string r(std::max<size_t>(size, 704), '\0');
    PutI32(r, 0, 3);        // surveyRange
    PutF32(r, 8, 150.0f);   // surveyCustomCutoffs[0]
    PutF32(r, 20, 900.0f);  // surveyCustomCutoffs[3]
    PutI32(r, 24, 1);       // unitSystem
    PutI32(r, 32, 2);       // stationA
    PutI32(r, 36, 1);       // stationB
    PutI32(r, 40, 6);       // powerOffTime
    PutI32(r, 44, 7);       // brightness
    r[48] = 'D'; r[50] = 'E'; r[52] = 'U';  // language "DEU"
    PutI32(r, 60, 1);           // branding
    PutI32(r, 64, 2);           // notchMode
    PutI32(r, 68, 458000000);   // radio[0].frequency
    PutI32(r, 76, 5);           // radio[0].bandIndex
    PutI32(r, 80, 0x12345678);  // radio[0] table reference as some old program left it
    PutI32(r, 84, 25000);       // radio[0].spacing
    r[128] = 0;             // testMode off
    r[129] = 0x5A;          // reserved
    PutI32(r, 148, 1);      // filterOptimisation
    PutI32(r, 156, 1);      // colourScheme
    r[160] = 'C'; r[162] = '7';  // touchCalibration "C7"
    PutI32(r, 672, 5);      // dimLevel
    PutF32(r, 684, 42.0f);  // rssiSpan
    r.resize(size);
    return r;
}

std::string ConfigFile(const std::string& record, int32_t storedSize, int32_t version = 2) {
    return "TKfg" + bytes::I32(version) + bytes::I16(1) + "Data" + bytes::I32(storedSize) + record;
}

constexpr const char* kUserFields = "range 3 units 1 stations 21 off 6 light 7 lang DEU test 0 brand 1 notch 2 cuts 150,900 "
                                   "touch C7 radio 458000000/5/25000 scheme 1 dim 5 span 42 reserved 90";
constexpr const char* kDefaultFields = "range 1 units 0 stations 12 off 12 light 10 lang  test 1 brand 0 notch 0 cuts 0,0 "
                                      "touch  radio 447150000/3/12500 scheme 0 dim 2 span 30 reserved 0";

// The fields the loader takes or defaults, on one line.
std::string Fields(const CConfiguration& c) {
    std::ostringstream os;
    const auto ascii = [](const std::u16string& t) { return std::string(t.begin(), t.end()); };
    const RadioRecord& r = c.radio[0];
    os << "range " << c.surveyRange << " units " << c.unitSystem << " stations " << c.stationA << c.stationB
       << " off " << c.powerOffTime << " light " << c.brightness << " lang " << ascii(c.Language()) << " test "
       << int(c.testMode) << " brand " << c.branding << " notch " << c.notchMode << " cuts " << c.surveyCustomCutoffs[0]
       << "," << c.surveyCustomCutoffs[3] << " touch " << ascii(c.TouchCalibration()) << " radio " << r.frequency << "/"
       << r.bandIndex << "/" << r.spacing << " scheme " << c.colourScheme << " dim " << c.dimLevel << " span "
       << c.rssiSpan << " reserved " << int(c.reserved129[0]);
    return os.str();
}

CConfiguration LoadBytes(const std::string& bytes) {
    CConfiguration c;
    std::istringstream is(bytes);
    c.LoadFrom(is);
    return c;
}

}  // namespace

TEST(ConfigurationFile, NewFileIsHeaderAndRecordIn722Bytes) {
    std::ostringstream os;
    CConfiguration().WriteTo(os);
    const std::string f = os.str();
    ASSERT_EQ(f.size(), 722u);
    EXPECT_EQ(f.substr(0, 18), std::string("TKfg\x02\x00\x00\x00\x01\x00" "Data\xc0\x02\x00\x00", 18));
    EXPECT_EQ(f.substr(18, 4), std::string("\x01\x00\x00\x00", 4));  // surveyRange 1
    EXPECT_EQ(f.substr(18 + 68, 4), std::string("\xb0\xf7\xa6\x1a", 4));  // 447150000
}

TEST(ConfigurationFile, StoredRecordIsUsedWholeButRadioTablesStayTheProgramsOwn) {
    CConfiguration c;
    std::istringstream is(ConfigFile(UserRecord(), 704));
    EXPECT_EQ(c.LoadFrom(is), CConfiguration::LoadOutcome::Read);
    EXPECT_EQ(Fields(c), kUserFields);
    EXPECT_EQ(c.radio[0].bandTable, 1u);
    EXPECT_EQ(c.radio[2].bandTable, 3u);
    EXPECT_EQ(c.RecordBytes().substr(0, 80), UserRecord().substr(0, 80));
}

TEST(ConfigurationFile, ForeignOrVersionOneFileIsRejectedWhole) {
    for (const std::string& bytes :
         {ConfigFile(UserRecord(), 704, 1), std::string("TKfx") + ConfigFile(UserRecord(), 704).substr(4),
          std::string(), std::string("TK")}) {
        CConfiguration c;
        std::istringstream is(bytes);
        EXPECT_EQ(c.LoadFrom(is), CConfiguration::LoadOutcome::Rejected);
        EXPECT_EQ(Fields(c), kDefaultFields);
    }
}

// The stored size decides what is taken: a record cut short leaves every
// default (radios included), a longer one is cut at 704, an older 688-byte one
// leaves rssiSpan at 30, a negative size is rejected.
TEST(ConfigurationFile, StoredSizeDecidesWhatIsTaken) {
    CConfiguration c = LoadBytes(ConfigFile(UserRecord().substr(0, 300), 704));
    EXPECT_EQ(Fields(c), kDefaultFields);
    c = LoadBytes(ConfigFile(UserRecord(900), 900));
    EXPECT_EQ(Fields(c), kUserFields);
    c = LoadBytes(ConfigFile(UserRecord(688), 688));
    EXPECT_EQ(Fields(c), std::string(kUserFields).replace(std::string(kUserFields).find("span 42"), 7, "span 30"));
    std::istringstream is(ConfigFile(UserRecord(), -4));
    EXPECT_EQ(c.LoadFrom(is), CConfiguration::LoadOutcome::Rejected);
}

TEST(ConfigurationCheck, OutOfRangeFieldResetsDefaultedFieldsOnly) {
    std::string record = UserRecord();
    PutI32(record, 40, 0);  // powerOffTime 0
    CConfiguration c;
    std::istringstream is(ConfigFile(record, 704));
    EXPECT_EQ(c.LoadFrom(is), CConfiguration::LoadOutcome::Reset);
    // Kept: what defaults do not cover (branding, notch, custom cut-offs,
    // touch calibration, radio records, colour scheme, reserved bytes).
    EXPECT_EQ(Fields(c), "range 1 units 0 stations 12 off 12 light 10 lang  test 1 brand 1 notch 2 cuts 150,900 touch C7 "
                         "radio 458000000/5/25000 scheme 1 dim 2 span 30 reserved 90");
}

TEST(ConfigurationCheck, EachCheckedFieldHasItsRange) {
    struct Row { size_t offset; int32_t bad; } rows[] = {
        {0, 4}, {0, -1}, {4, 4}, {24, 4}, {28, 3}, {32, 4}, {36, -1},
        {40, 25}, {44, 11}, {672, 11}, {676, 7}, {680, 7}, {148, 3},
    };
    for (const Row& row : rows) {
        std::string record = UserRecord();
        PutI32(record, row.offset, row.bad);
        const CConfiguration c = LoadBytes(ConfigFile(record, 704));
        EXPECT_EQ(c.brightness, 10) << "offset " << row.offset;
    }
}

TEST(ConfigurationText, UnterminatedFieldsAreNeverReadPastTheirSlots) {
    std::string record = UserRecord();
    for (int i = 0; i < 4; ++i) record[48 + 2 * i] = 'A' + i;       // language without a zero
    for (int i = 0; i < 256; ++i) record[160 + 2 * i] = 'c';          // calibration without a zero
    record[672] = 'Z';  // dimLevel's first byte follows the calibration
    record[673] = 0;
    PutI32(record, 672, 5);
    const CConfiguration c = LoadBytes(ConfigFile(record, 704));
    EXPECT_EQ(c.Language(), u"ABCD");
    EXPECT_EQ(c.TouchCalibration().size(), 256u);
}

TEST(ConfigurationText, SettersCutToTheSlotAndTerminate) {
    CConfiguration c;
    c.SetLanguage(u"ENGLISH");
    EXPECT_EQ(c.Language(), u"ENG");
    c.SetTouchCalibration(std::u16string(300, u'x'));
    EXPECT_EQ(c.TouchCalibration().size(), 255u);
}

TEST(ConfigurationSave, WritesHiddenFilesThatLoadBackAndNoFileGivesDefaults) {
    TempUnitRoot root;
    CConfiguration c;
    c.brightness = 3;
    c.Load();  // no file yet
    EXPECT_EQ(c.brightness, 10);
    c.brightness = 3;
    c.colourScheme = 1;
    ASSERT_TRUE(c.Save());
    EXPECT_TRUE(platform::GetFileAttributes(kConfigurationFile) & platform::kAttrHidden);
    ASSERT_TRUE(CFactoryRecord().Save());
    EXPECT_TRUE(platform::GetFileAttributes(kFactoryFile) & platform::kAttrHidden);
    CConfiguration back;
    back.Load();
    EXPECT_EQ(back.brightness, 3);
    EXPECT_EQ(back.colourScheme, 1);
}

// A full medium refuses both saves; the files saved before stay whole.
TEST(ConfigurationSave, AFullMediumKeepsTheFilesSavedBefore) {
    TempUnitRoot root;
    CConfiguration c;
    CFactoryRecord f;
    ASSERT_TRUE(c.Save() && f.Save());
    const auto files = [] {
        return platform::ReadWholeFile(kConfigurationFile, 4096).value_or("") +
               platform::ReadWholeFile(kFactoryFile, 4096).value_or("");
    };
    const std::string before = files();
    c.brightness = 3;
    f.referenceVoltage = 3.3;
    const FileSizeLimit full(64);
    EXPECT_FALSE(c.Save() || f.Save());
    EXPECT_EQ(files(), before);
}

namespace {
std::string FactoryBytes(int32_t frequency, uint8_t initialised) {
    std::string f(104, '\0');
    f[0] = 'S'; f[2] = 'N'; f[4] = '1';
    const double volts = 2.5;
    std::memcpy(&f[80], &volts, 8);
    PutI32(f, 88, 0);  // 25 kHz
    PutI32(f, 92, frequency);
    f[96] = static_cast<char>(initialised);
    if (initialised) {
        f[97] = 1;
        PutI32(f, 100, 460000000);
    }
    return f;
}
}  // namespace

TEST(FactoryFile, RetiredFrequencyIsReplacedAndRedCopiesMadeOnce) {
    TempUnitRoot root;
    root.Put(kFactoryFile, FactoryBytes(467912500, 0));
    CFactoryRecord f;
    f.Load();
    EXPECT_EQ(f.radioFrequency, 467925000);
    EXPECT_EQ(f.Serial(), u"SN1");
    EXPECT_EQ(f.referenceVoltage, 2.5);
    EXPECT_EQ(f.initialised, 1);
    EXPECT_EQ(f.redRadioSetting, 0);
    EXPECT_EQ(f.redRadioFrequency, 467925000);

    root.Put(kFactoryFile, FactoryBytes(467800000, 1));
    f.Load();
    EXPECT_EQ(f.redRadioSetting, 1);
    EXPECT_EQ(f.redRadioFrequency, 460000000);
}

TEST(FactoryFile, MissingOrShortFileKeepsTheDefaults) {
    TempUnitRoot root;
    CFactoryRecord f;
    f.Load();
    EXPECT_EQ(f.Serial(), u"UNSET");
    EXPECT_EQ(f.radioFrequency, 467800000);
    root.Put(kFactoryFile, FactoryBytes(460000000, 0).substr(0, 60));
    f.Load();
    EXPECT_EQ(f.radioFrequency, 467800000);
}

TEST(FactoryFile, UnterminatedSerialStaysInItsSlot) {
    TempUnitRoot root;
    std::string bytes = FactoryBytes(460000000, 1);
    for (int i = 0; i < 40; ++i) bytes[2 * i] = 'X', bytes[2 * i + 1] = 0;
    root.Put(kFactoryFile, bytes);
    CFactoryRecord f;
    f.Load();
    EXPECT_EQ(f.Serial().size(), 40u);
    ASSERT_TRUE(f.Save());
    EXPECT_EQ(platform::ReadWholeFile(kFactoryFile, 200)->size(), 104u);
}
