#include "settings/Configuration.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <sstream>

#include "archive/Archive.h"
#include "platform/Files.h"

// The records are stored as their in-memory bytes; every field has a fixed
// width and offset (checked in the header), so this holds on a little-endian host.
static_assert(std::endian::native == std::endian::little, "records are stored little-endian");

CConfiguration g_configuration;
CFactoryRecord g_factory;

namespace {

constexpr archive::Tag kMagic = archive::MakeTag("TKfg");
constexpr archive::Tag kDataTag = archive::MakeTag("Data");
constexpr int32_t kFileVersion = 2;
constexpr int16_t kFileType = 1;
constexpr const char* kUnknownFileType = "CConfiguration Read: Unknown file type";
constexpr float kDefaultRssiSpan = 30.0f;

template <size_t N>
std::u16string Bounded(const char16_t (&field)[N]) {
    const char16_t* end = std::find(field, field + N, u'\0');
    return std::u16string(field, end);
}

template <size_t N>
void StoreBounded(char16_t (&field)[N], std::u16string_view text) {
    std::fill(field, field + N, u'\0');
    const size_t n = std::min(text.size(), N - 1);
    std::copy_n(text.begin(), n, field);
}

}  // namespace

CConfiguration::CConfiguration() {
    ConfigurationRecord& record = *this;
    std::memset(&record, 0, sizeof record);
    SetRadioDefaults();
    ResetToDefaults();
}

void CConfiguration::SetRadioDefaults() {
    for (uint32_t i = 0; i < 3; ++i) radio[i] = RadioRecord{kDefaultRadioFrequency, 0, 3, i + 1, 12500};
}

void CConfiguration::ResetToDefaults() {
    surveyRange = 1;
    surveyFilter = 0;
    unitSystem = 0;
    velocityPerMs = 1;
    stationA = 1;
    stationB = 2;
    powerOffTime = 12;
    brightness = 10;
    language[0] = u'\0';
    useFftEngine = 0;
    multiFilter = 0;
    testMode = 1;
    linearFrequencyAxis = 0;
    bothPolarities = 1;
    postFilter = 1;
    redManual = 0;
    blueManual = 0;
    filterOptimisation = 2;
    rssiFloor = -50.0f;
    dimLevel = 2;
    dimDelay = 3;
    dimSetting3 = 6;
    rssiSpan = kDefaultRssiSpan;
    peakSharpenPlastic = 1;
    peakSharpenOther = 0;
    sharpenSelection = 1;
}

bool CConfiguration::Validate() const {
    auto in = [](int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; };
    // surveyRange accepts 0 (short range): the survey screen's SET DEFAULTS
    // stores it, and refusing it would reset every other setting at the next start.
    return in(surveyRange, 0, 3) && in(surveyFilter, 0, 3) && in(unitSystem, 0, 3) &&
           in(stationA, 0, 3) && in(stationB, 0, 3) && in(velocityPerMs, 0, 2) &&
           in(powerOffTime, 1, 24) && in(brightness, 0, 10) && in(dimLevel, 0, 10) &&
           in(dimDelay, 0, 6) && in(dimSetting3, 0, 6) && in(filterOptimisation, 0, 2);
}

void CConfiguration::ReadFrom(std::istream& is) {
    using namespace archive;
    archive::Require(ReadTag(is) == kMagic && is.good(), kUnknownFileType);
    int32_t version = 0;
    ReadInt32(is, version);
    archive::Require(is.good() && version == kFileVersion, kUnknownFileType);
    int16_t type = 0;
    ReadInt16(is, type);
    archive::Require(is.good() && type == kFileType, kUnknownFileType);
    archive::Require(ReadTag(is) == kDataTag && is.good(), kUnknownFileType);
    int32_t size = 0;
    ReadInt32(is, size);
    archive::Require(is.good() && size >= 0, kUnknownFileType);

    // The record is read whole before it replaces anything, so that a
    // truncated file leaves the defaults (radio records included).
    const size_t n = static_cast<size_t>(std::min(size, kRecordSize));
    std::string bytes;
    ReadBytes(is, bytes, n);
    archive::Require(!is.fail(), kUnknownFileType);

    uint32_t tables[3];
    for (int i = 0; i < 3; ++i) tables[i] = radio[i].bandTable;
    std::memcpy(static_cast<ConfigurationRecord*>(this), bytes.data(), n);
    // A shorter record comes from a program that had no signal span yet (its
    // 688-byte record ends in other bytes there): the span starts at 30 dB.
    if (n < static_cast<size_t>(kRecordSize)) rssiSpan = kDefaultRssiSpan;
    for (int i = 0; i < 3; ++i) radio[i].bandTable = tables[i];
}

CConfiguration::LoadOutcome CConfiguration::LoadFrom(std::istream& is) {
    LoadOutcome outcome = LoadOutcome::Read;
    try {
        ReadFrom(is);
    } catch (const archive::ArchiveError&) {
        ResetToDefaults();
        outcome = LoadOutcome::Rejected;
    }
    if (!Validate()) {
        ResetToDefaults();
        outcome = LoadOutcome::Reset;
    }
    return outcome;
}

void CConfiguration::Load() {
    const ConfigurationRecord fresh = CConfiguration();
    static_cast<ConfigurationRecord&>(*this) = fresh;
    std::ifstream file = platform::OpenForRead(kConfigurationFile);
    if (!file.is_open()) return;
    LoadFrom(file);
}

std::string CConfiguration::RecordBytes() const {
    std::string bytes(kRecordSize, '\0');
    std::memcpy(bytes.data(), static_cast<const ConfigurationRecord*>(this), kRecordSize);
    return bytes;
}

void CConfiguration::WriteTo(std::ostream& os) const {
    using namespace archive;
    WriteTag(os, kMagic);
    WriteInt32(os, kFileVersion);
    WriteInt16(os, kFileType);
    WriteChunk(os, kDataTag, RecordBytes());
}

bool CConfiguration::Save() const {
    std::ostringstream out;
    WriteTo(out);
    return platform::WriteFileAtomic(kConfigurationFile, out.str(), platform::kAttrHidden);
}

std::u16string CConfiguration::Language() const { return Bounded(language); }
void CConfiguration::SetLanguage(std::u16string_view code) { StoreBounded(language, code); }
std::u16string CConfiguration::TouchCalibration() const { return Bounded(touchCalibration); }
void CConfiguration::SetTouchCalibration(std::u16string_view text) { StoreBounded(touchCalibration, text); }

std::string CConfiguration::DataFolder() {
    const uint32_t attrs = platform::GetFileAttributes(kDataFolder);
    if (attrs != platform::kInvalidAttributes && (attrs & platform::kAttrDirectory)) return kDataFolder;
    return kFlashRoot;
}

CFactoryRecord::CFactoryRecord() { SetDefaults(); }

void CFactoryRecord::SetDefaults() {
    FactoryRecordData& record = *this;
    std::memset(&record, 0, sizeof record);
    StoreBounded(serial, u"UNSET");
    referenceVoltage = 3.0;
    radioSetting = 1;
    radioFrequency = 467800000;
}

void CFactoryRecord::Convert() {
    if (radioFrequency == kRetiredFrequency) radioFrequency = kReplacementFrequency;
    if (initialised == 0) {
        redRadioSetting = static_cast<uint8_t>(radioSetting & 0xFF);
        redRadioFrequency = radioFrequency;
        initialised = 1;
    }
}

void CFactoryRecord::Load() {
    SetDefaults();
    // A short file is a damaged one: the defaults stay rather than a mix.
    if (auto bytes = platform::ReadWholeFile(kFactoryFile, 1 << 16); bytes && bytes->size() >= kRecordSize)
        std::memcpy(static_cast<FactoryRecordData*>(this), bytes->data(), kRecordSize);
    Convert();
}

std::string CFactoryRecord::RecordBytes() const {
    std::string bytes(kRecordSize, '\0');
    std::memcpy(bytes.data(), static_cast<const FactoryRecordData*>(this), kRecordSize);
    return bytes;
}

bool CFactoryRecord::Save() const {
    return platform::WriteFileAtomic(kFactoryFile, RecordBytes(), platform::kAttrHidden);
}

std::u16string CFactoryRecord::Serial() const { return Bounded(serial); }
void CFactoryRecord::SetSerial(std::u16string_view text) { StoreBounded(serial, text); }

void LoadGlobalRecords() {
    g_configuration.Load();
    g_factory.Load();
}
