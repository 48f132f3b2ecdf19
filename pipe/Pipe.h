#pragma once
// pipe/Pipe.h — the pipe between the two stations: up to ten sections, the
// stations at its ends, the delay last measured and the sample rate, or a
// fixed survey range in place of sections. Turns a delay into the leak's
// distance from either station. Copied by value.

#include <array>
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

#include "pipe/PipeSegment.h"
#include "pipe/Station.h"
#include "pipe/Units.h"

// 0-3 survey ranges of 0.1, 0.25, 1 and 2 s; 4 a real pipe of sections.
enum SurveyRange : int32_t {
    kSurveyShort = 0,
    kSurveyMedium = 1,
    kSurveyLong = 2,
    kSurveyMaximum = 3,
    kSurveyNone = 4,
};

// The message a pipe record raises when it cannot be a pipe (section count
// outside 0-10, a sample rate that is not positive, a length that is negative
// or not finite, a travel time or delay that is not finite, a short record).
constexpr const char* kPipeRecordError = "CPipe Read: Corrupted pipe record";

class CPipe {
public:
    static constexpr int32_t kMaxSections = 10;
    static constexpr int32_t kDefaultSensorType = 3;

    // sampleRate: samples per second of the run (10000 unless decimated), > 0.
    explicit CPipe(float sampleRate);

    // No sections and no survey range; stations, delay, rate and sensor type stay.
    void Clear();

    void SetSurveyRange(int32_t range) { m_surveyRange = range; }
    int32_t GetSurveyRange() const { return m_surveyRange; }
    bool IsSurvey() const { return m_surveyRange != kSurveyNone; }

    void SetStations(StationCode stationA, StationCode stationB) { m_stationA = stationA; m_stationB = stationB; }
    StationCode GetStationA() const { return m_stationA; }
    StationCode GetStationB() const { return m_stationB; }

    // The hardware's sensor type code; 1 (hydrophone) selects the hydrophone cut-offs.
    void SetSensorType(int32_t type) { m_sensorType = type; }
    int32_t GetSensorType() const { return m_sensorType; }
    float GetSampleRate() const { return m_sampleRate; }

    int32_t GetSectionCount() const { return m_count; }
    // Slot 0-9 (not only the valid ones); throws std::out_of_range beyond.
    PipeSegment& GetSection(int index) { return m_sections.at(static_cast<size_t>(index)); }
    const PipeSegment& GetSection(int index) const { return m_sections.at(static_cast<size_t>(index)); }
    // Replaces slot 0-9; false (nothing changed) for any other index.
    bool SetSection(int index, const PipeSegment& section);
    // Into slot count; false (nothing changed) when all ten are in use.
    bool AddSection(const PipeSegment& section);
    // Before slot index 0-9: the sections from there move up one and the
    // tenth is lost; the count rises only while below ten.
    bool InsertSection(int index, const PipeSegment& section);
    // The sections above move down one; the count falls while above zero.
    bool RemoveSection(int index);

    float GetTotalLength(LengthUnit unit) const;
    // The largest delay a leak between the stations can give: the survey
    // range's time, else the sum of the sections' travel times.
    float GetTotalTime(DelayUnit unit) const;

    void SetDelay(float value, DelayUnit unit);
    float GetDelay(DelayUnit unit) const;
    // Where the delay puts the leak; a delay beyond the total time gives 0
    // from one station and the whole length from the other.
    float GetDistanceFromA(LengthUnit unit) const;
    float GetDistanceFromB(LengthUnit unit) const;

    // Recommended band over every section, Hz: the lowest low and the highest
    // high of the sections' pairs for the total time's range index. 0 and
    // 5000 without sections.
    float GetLowCutoff() const;
    float GetHighCutoff() const;

    // "200.0m MULTI-SECTION", "100.0m STEEL", "SURVEY LONG RANGE" or "".
    std::u16string GetDescription(LengthUnit unit) const;

    // The pipe record: int32 size, then count, stations, delay, rate, the
    // packed survey range and sensor type, and the sections.
    void Write(std::ostream& os) const;
    // Reads the record whole before anything changes; raises kPipeRecordError
    // or the archive's string error and leaves the pipe alone on failure.
    void Read(std::istream& is);

private:
    // Metres from one end reached by sound travelling `seconds` into the
    // pipe from station A (fromA) or station B; the whole length beyond it.
    float WalkSections(float seconds, bool fromA) const;
    // Pair [sensor group][range index] of section i's band.
    const CutoffPair& RecommendedPair(int i, int rangeIndex) const;

    int32_t m_count = 0;
    float m_delay = 0.0f;  // seconds
    float m_sampleRate;
    int32_t m_surveyRange = kSurveyNone;
    StationCode m_stationA = StationCode::Red;
    StationCode m_stationB = StationCode::Blue;
    int32_t m_sensorType = kDefaultSensorType;
    std::array<PipeSegment, kMaxSections> m_sections;
};

// Text of survey range 0-3 ("SURVEY SHORT RANGE" ...); "" for any other.
std::u16string SurveyRangeText(int32_t range);

// Start-up check of the leak position on a known pipe: "" when it passes,
// else one line per failed check led by ".\Pipe(<line>): ".
std::string PipeSelfTest();
