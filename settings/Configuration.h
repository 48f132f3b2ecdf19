#pragma once
// settings/Configuration.h — the unit's settings record and the factory record.
//
// CConfiguration is one fixed 704-byte record, held in memory for the life of
// the program and stored byte for byte in "\NandFlash\tamrik.conf" behind a
// small header. CFactoryRecord is 104 bytes stored bare in
// "\NandFlash\tamrikf.conf". Both are global; every module reads their fields
// by name. Out-of-range values found at load time return the defaulted fields
// to their defaults without a message.

#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

constexpr const char* kConfigurationFile = "\\NandFlash\\tamrik.conf";
constexpr const char* kFactoryFile = "\\NandFlash\\tamrikf.conf";
constexpr const char* kFlashRoot = "\\NandFlash\\";
constexpr const char* kDataFolder = "\\NandFlash\\Data\\";

// Lower edge of band index 3 of every station's band table, Hz.
constexpr int32_t kDefaultRadioFrequency = 447150000;

// One station's radio settings (20 bytes).
struct RadioRecord {
    int32_t frequency;  // carrier, Hz
    int32_t setting;    // carried, no meaning here
    int32_t bandIndex;  // 0-6, or -1 when the frequency lies in no band
    uint32_t bandTable; // the station's band table in memory: its station number
                        // 1-3; the value read from a file is never used
    int32_t spacing;    // channel spacing, Hz: 12500 or 25000
};
static_assert(sizeof(RadioRecord) == 20);
static_assert(offsetof(RadioRecord, bandIndex) == 8);
static_assert(offsetof(RadioRecord, bandTable) == 12);
static_assert(offsetof(RadioRecord, spacing) == 16);

// The stored bytes of the settings; little-endian, no padding.
struct ConfigurationRecord {
    int32_t surveyRange;              // 0 short, 1 medium, 2 long, 3 maximum
    int32_t surveyFilter;             // 0 open, 1 metallic, 2 plastic, 3 custom
    float surveyCustomCutoffs[4];     // Hz
    int32_t unitSystem;               // 0 metric, 1 imperial (also the LengthUnit code)
    int32_t velocityPerMs;            // 0 per second, 1 per millisecond
    int32_t stationA;                 // 0 base, 1 Red, 2 Blue, 3 Yellow
    int32_t stationB;
    int32_t powerOffTime;             // 1-24, steps of 5 minutes
    int32_t brightness;               // 0-10, tenths
    char16_t language[4];             // up to three letters and a zero; may lack the zero in a file
    uint8_t useFftEngine;             // 0 time domain, 1 frequency domain
    uint8_t snapshotMode;             // toggled by a hidden button, stored only
    uint8_t multiFilter;              // 1: three simultaneous filter traces
    uint8_t reserved59;
    int32_t branding;                 // 0 or 1
    int32_t notchMode;                // mains notch setting
    RadioRecord radio[3];             // Red, Blue, Yellow
    uint8_t testMode;                 // non-zero: test mode
    uint8_t reserved129[3];
    int32_t linearFrequencyAxis;      // filter display: 0 log, 1 linear
    int32_t bothPolarities;           // bit 0: the peak may be negative
    int32_t postFilter;               // 1: filter the correlation, not the signals
    uint8_t redManual;                // Red frequency set by hand
    uint8_t blueManual;
    uint8_t reserved146[2];
    int32_t filterOptimisation;       // 0 disabled, 1 manual, 2 automatic
    float rssiFloor;                  // dBm shown as zero bars
    int32_t colourScheme;             // 0 dark on white, else light on black
    char16_t touchCalibration[256];   // copy of the touch calibration; may lack the zero in a file
    int32_t dimLevel;                 // 0-10, tenths
    int32_t dimDelay;                 // 0-6, steps of 5 minutes; 0 never
    int32_t dimSetting3;              // 0-6, checked only
    float rssiSpan;                   // dB from zero to ten bars
    uint8_t reserved688[4];
    int32_t peakSharpenPlastic;       // 0-15
    int32_t peakSharpenOther;         // 0-15
    int32_t sharpenSelection;         // 0 plastic, 1 other
};
static_assert(sizeof(ConfigurationRecord) == 704);
static_assert(offsetof(ConfigurationRecord, surveyFilter) == 4);
static_assert(offsetof(ConfigurationRecord, surveyCustomCutoffs) == 8);
static_assert(offsetof(ConfigurationRecord, unitSystem) == 24);
static_assert(offsetof(ConfigurationRecord, velocityPerMs) == 28);
static_assert(offsetof(ConfigurationRecord, stationA) == 32);
static_assert(offsetof(ConfigurationRecord, stationB) == 36);
static_assert(offsetof(ConfigurationRecord, powerOffTime) == 40);
static_assert(offsetof(ConfigurationRecord, brightness) == 44);
static_assert(offsetof(ConfigurationRecord, language) == 48);
static_assert(offsetof(ConfigurationRecord, useFftEngine) == 56);
static_assert(offsetof(ConfigurationRecord, snapshotMode) == 57);
static_assert(offsetof(ConfigurationRecord, multiFilter) == 58);
static_assert(offsetof(ConfigurationRecord, reserved59) == 59);
static_assert(offsetof(ConfigurationRecord, branding) == 60);
static_assert(offsetof(ConfigurationRecord, notchMode) == 64);
static_assert(offsetof(ConfigurationRecord, radio) == 68);
static_assert(offsetof(ConfigurationRecord, testMode) == 128);
static_assert(offsetof(ConfigurationRecord, reserved129) == 129);
static_assert(offsetof(ConfigurationRecord, linearFrequencyAxis) == 132);
static_assert(offsetof(ConfigurationRecord, bothPolarities) == 136);
static_assert(offsetof(ConfigurationRecord, postFilter) == 140);
static_assert(offsetof(ConfigurationRecord, redManual) == 144);
static_assert(offsetof(ConfigurationRecord, blueManual) == 145);
static_assert(offsetof(ConfigurationRecord, reserved146) == 146);
static_assert(offsetof(ConfigurationRecord, filterOptimisation) == 148);
static_assert(offsetof(ConfigurationRecord, rssiFloor) == 152);
static_assert(offsetof(ConfigurationRecord, colourScheme) == 156);
static_assert(offsetof(ConfigurationRecord, touchCalibration) == 160);
static_assert(offsetof(ConfigurationRecord, dimLevel) == 672);
static_assert(offsetof(ConfigurationRecord, dimDelay) == 676);
static_assert(offsetof(ConfigurationRecord, dimSetting3) == 680);
static_assert(offsetof(ConfigurationRecord, rssiSpan) == 684);
static_assert(offsetof(ConfigurationRecord, reserved688) == 688);
static_assert(offsetof(ConfigurationRecord, peakSharpenPlastic) == 692);
static_assert(offsetof(ConfigurationRecord, peakSharpenOther) == 696);
static_assert(offsetof(ConfigurationRecord, sharpenSelection) == 700);

class CConfiguration : public ConfigurationRecord {
public:
    static constexpr int32_t kRecordSize = 704;

    // A new record: zero, then the radio defaults and every defaulted field.
    CConfiguration();

    // Reads kConfigurationFile with every fallback: defaults when the file is
    // missing, foreign or truncated; defaulted fields reset when a checked
    // field is out of range. Never throws.
    void Load();
    // What a load made of a file.
    enum class LoadOutcome {
        Read,      // the stored record is in force
        Rejected,  // foreign or truncated: the defaults are in force
        Reset,     // read, but a checked field was out of range: defaulted fields reset
    };
    // The same from an open stream (the file's bytes).
    LoadOutcome LoadFrom(std::istream& is);
    // Writes kConfigurationFile whole (never half-written) and marks it
    // hidden; false when it could not be written, and the old file stays.
    bool Save() const;
    // The file's bytes: header, "Data", 704, the record.
    void WriteTo(std::ostream& os) const;

    // Whether every checked field is in range.
    bool Validate() const;
    // Sets every defaulted field back, keeping the radio records, the survey
    // custom cut-offs, branding, notchMode, colourScheme, touchCalibration,
    // snapshotMode and the reserved bytes.
    void ResetToDefaults();
    // The three radio records' defaults; their band tables are the stations'.
    void SetRadioDefaults();

    // The record's 704 bytes, little-endian.
    std::string RecordBytes() const;

    // Text fields, never read past their slots.
    std::u16string Language() const;
    void SetLanguage(std::u16string_view code);              // cut to 3 units
    std::u16string TouchCalibration() const;
    void SetTouchCalibration(std::u16string_view text);      // cut to 255 units

    // The folder results are saved in: "\NandFlash\Data\" when it exists,
    // otherwise "\NandFlash\". Ends in a backslash.
    static std::string DataFolder();

private:
    // Reads the header and the record over this object; raises
    // "CConfiguration Read: Unknown file type".
    void ReadFrom(std::istream& is);
};

// The factory record's bytes (104), little-endian.
struct FactoryRecordData {
    char16_t serial[40];       // unit serial, up to 39 units and a zero; may lack the zero in a file
    double referenceVoltage;   // auxiliary converter reference, volts
    int32_t radioSetting;      // low byte: Blue/Yellow 12.5 kHz flag
    int32_t radioFrequency;    // Blue/Yellow range 7 base, Hz
    uint8_t initialised;       // non-zero once the Red copies below are set
    uint8_t redRadioSetting;   // Red 12.5 kHz flag
    uint8_t reserved98[2];
    int32_t redRadioFrequency; // Red range 7 base, Hz
};
static_assert(sizeof(FactoryRecordData) == 104);
static_assert(offsetof(FactoryRecordData, referenceVoltage) == 80);
static_assert(offsetof(FactoryRecordData, radioSetting) == 88);
static_assert(offsetof(FactoryRecordData, radioFrequency) == 92);
static_assert(offsetof(FactoryRecordData, initialised) == 96);
static_assert(offsetof(FactoryRecordData, redRadioSetting) == 97);
static_assert(offsetof(FactoryRecordData, reserved98) == 98);
static_assert(offsetof(FactoryRecordData, redRadioFrequency) == 100);

class CFactoryRecord : public FactoryRecordData {
public:
    static constexpr int32_t kRecordSize = 104;
    // An old channel plan's frequency and its replacement, Hz.
    static constexpr int32_t kRetiredFrequency = 467912500;
    static constexpr int32_t kReplacementFrequency = 467925000;

    CFactoryRecord();  // the defaults

    // Reads kFactoryFile over the defaults, then applies the conversions
    // (retired frequency, first-time Red copies). A missing or short file
    // keeps the defaults. Never throws.
    void Load();
    // The conversions alone.
    void Convert();
    bool Save() const;
    void SetDefaults();

    std::string RecordBytes() const;
    std::u16string Serial() const;
    void SetSerial(std::u16string_view text);  // cut to 39 units
};

// The program-wide records: constructed with their defaults before main runs,
// loaded by LoadGlobalRecords once the unit root is known, before the
// application object starts.
extern CConfiguration g_configuration;
extern CFactoryRecord g_factory;
void LoadGlobalRecords();
