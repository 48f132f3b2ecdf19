#include "pipe/Pipe.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "archive/Archive.h"
#include "pipe/LanguageText.h"
#include "platform/SelfTestText.h"

namespace {

// Travel times of the survey ranges 0-3, seconds.
constexpr float kSurveyTimes[] = {0.1f, 0.25f, 1.0f, 2.0f};
constexpr const char16_t* kSurveyTexts[] = {u"SURVEY SHORT RANGE", u"SURVEY MEDIUM RANGE", u"SURVEY LONG RANGE",
                                            u"SURVEY MAXIMUM RANGE"};
// String-table ids of the descriptions' words: the survey ranges 0-3 and a
// pipe of several sections.
constexpr uint32_t kSurveyTextIds[] = {611, 612, 613, 614};
constexpr uint32_t kMultiSectionId = 610;
constexpr int32_t kHydrophone = 1;

bool IsSurveyRange(int32_t range) { return range >= kSurveyShort && range <= kSurveyMaximum; }

}  // namespace

std::u16string SurveyRangeText(int32_t range) {
    return IsSurveyRange(range) ? LanguageText(kSurveyTextIds[range], kSurveyTexts[range]) : u"";
}

CPipe::CPipe(float sampleRate) : m_sampleRate(sampleRate) {}

void CPipe::Clear() {
    m_count = 0;
    m_surveyRange = kSurveyNone;
}

bool CPipe::SetSection(int index, const PipeSegment& section) {
    if (index < 0 || index >= kMaxSections) return false;
    m_sections[static_cast<size_t>(index)] = section;
    return true;
}

bool CPipe::AddSection(const PipeSegment& section) {
    if (m_count >= kMaxSections) return false;
    m_sections[static_cast<size_t>(m_count++)] = section;
    return true;
}

bool CPipe::InsertSection(int index, const PipeSegment& section) {
    if (index < 0 || index >= kMaxSections) return false;
    std::move_backward(m_sections.begin() + index, m_sections.end() - 1, m_sections.end());
    m_sections[static_cast<size_t>(index)] = section;
    if (m_count < kMaxSections) ++m_count;
    return true;
}

bool CPipe::RemoveSection(int index) {
    if (index < 0 || index >= kMaxSections) return false;
    std::move(m_sections.begin() + index + 1, m_sections.end(), m_sections.begin() + index);
    m_sections.back() = PipeSegment();
    if (m_count > 0) --m_count;
    return true;
}

float CPipe::GetTotalLength(LengthUnit unit) const {
    float total = 0.0f;
    for (int i = 0; i < m_count; ++i) total += m_sections[static_cast<size_t>(i)].GetLength(unit);
    return total;
}

float CPipe::GetTotalTime(DelayUnit unit) const {
    float seconds = 0.0f;
    if (IsSurveyRange(m_surveyRange)) {
        seconds = kSurveyTimes[m_surveyRange];
    } else {
        for (int i = 0; i < m_count; ++i) seconds += m_sections[static_cast<size_t>(i)].GetTime(TimeUnit::Seconds);
    }
    return ConvertDelay(seconds, DelayUnit::Seconds, unit, m_sampleRate);
}

void CPipe::SetDelay(float value, DelayUnit unit) {
    m_delay = ConvertDelay(value, unit, DelayUnit::Seconds, m_sampleRate);
}

float CPipe::GetDelay(DelayUnit unit) const { return ConvertDelay(m_delay, DelayUnit::Seconds, unit, m_sampleRate); }

float CPipe::WalkSections(float seconds, bool fromA) const {
    float metres = 0.0f;
    for (int k = 0; k < m_count; ++k) {
        const PipeSegment& s = m_sections[static_cast<size_t>(fromA ? k : m_count - 1 - k)];
        // A section without a usable velocity has no travel time: sound
        // crosses it at once and no leak is placed inside it.
        const float velocity = s.HasUsableVelocity() ? s.GetVelocity() : 0.0f;
        const float travel = s.GetTime(TimeUnit::Seconds);
        if (seconds <= travel) return metres + velocity * seconds;
        seconds -= travel;
        metres += s.GetLength(LengthUnit::Metres);
    }
    return metres;
}

float CPipe::GetDistanceFromA(LengthUnit unit) const {
    const float t = (GetTotalTime(DelayUnit::Seconds) + m_delay) * 0.5f;
    if (t < 0.0f || m_count == 0) return 0.0f;
    return ConvertLength(WalkSections(t, true), LengthUnit::Metres, unit);
}

float CPipe::GetDistanceFromB(LengthUnit unit) const {
    const float t = (GetTotalTime(DelayUnit::Seconds) - m_delay) * 0.5f;
    if (t < 0.0f || m_count == 0) return 0.0f;
    return ConvertLength(WalkSections(t, false), LengthUnit::Metres, unit);
}

const CutoffPair& CPipe::RecommendedPair(int i, int rangeIndex) const {
    const DiameterBand& band = m_sections[static_cast<size_t>(i)].GetBand();
    return (m_sensorType == kHydrophone ? band.hydrophone : band.general)[rangeIndex];
}

float CPipe::GetLowCutoff() const {
    if (m_count == 0) return 0.0f;
    const int range = RangeIndexForTime(GetTotalTime(DelayUnit::Milliseconds), TimeUnit::Milliseconds);
    float low = 1e8f;
    for (int i = 0; i < m_count; ++i) low = std::min(low, static_cast<float>(RecommendedPair(i, range).low));
    return low;
}

float CPipe::GetHighCutoff() const {
    if (m_count == 0) return 5000.0f;
    const int range = RangeIndexForTime(GetTotalTime(DelayUnit::Milliseconds), TimeUnit::Milliseconds);
    float high = 0.0f;
    for (int i = 0; i < m_count; ++i) high = std::max(high, static_cast<float>(RecommendedPair(i, range).high));
    return high;
}

std::u16string CPipe::GetDescription(LengthUnit unit) const {
    if (m_count == 0) return SurveyRangeText(m_surveyRange);
    const std::u16string what = m_count >= 2 ? LanguageText(kMultiSectionId, u"MULTI-SECTION") : m_sections[0].GetMaterial();
    return FormatLengthWithUnit(GetTotalLength(LengthUnit::Metres), unit) + u" " + what;
}

void CPipe::Write(std::ostream& os) const {
    std::ostringstream body;
    archive::WriteInt32(body, m_count);
    archive::WriteInt32(body, static_cast<int32_t>(m_stationA));
    archive::WriteInt32(body, static_cast<int32_t>(m_stationB));
    archive::WriteFloat(body, m_delay);
    archive::WriteFloat(body, m_sampleRate);
    archive::WriteInt32(body, ((m_surveyRange & 15) << 4) | (m_sensorType & 15));
    for (int i = 0; i < m_count; ++i) m_sections[static_cast<size_t>(i)].Write(body);
    archive::WriteSized(os, body.str());
}

void CPipe::Read(std::istream& is) {
    int32_t size = 0, packed = 0, stationA = 0, stationB = 0;
    CPipe read(m_sampleRate);
    archive::ReadInt32(is, size);  // the record's own size; the fields say it all
    archive::ReadInt32(is, read.m_count);
    archive::ReadInt32(is, stationA);
    archive::ReadInt32(is, stationB);
    archive::ReadFloat(is, read.m_delay);
    archive::ReadFloat(is, read.m_sampleRate);
    archive::ReadInt32(is, packed);
    archive::Require(!is.fail(), kPipeRecordError);
    // Ten slots are all a pipe has; a larger count would index past them.
    archive::Require(read.m_count >= 0 && read.m_count <= kMaxSections, kPipeRecordError);
    // The stations select converter sources and radio ports.
    archive::Require(IsStationCode(stationA) && IsStationCode(stationB), kPipeRecordError);
    read.m_stationA = static_cast<StationCode>(stationA);
    read.m_stationB = static_cast<StationCode>(stationB);
    // Delays convert through the rate; 0 would make every one infinite.
    archive::Require(std::isfinite(read.m_sampleRate) && read.m_sampleRate > 0.0f, kPipeRecordError);
    read.m_surveyRange = (packed >> 4) & 15;
    read.m_sensorType = packed & 15;
    archive::Require(std::isfinite(read.m_delay), kPipeRecordError);
    for (int i = 0; i < read.m_count; ++i) {
        PipeSegment& s = read.m_sections[static_cast<size_t>(i)];
        s.Read(is);
        // Lengths and travel times size the run's lag range and place the leak.
        const float metres = s.GetLength(LengthUnit::Metres);
        archive::Require(!is.fail() && std::isfinite(metres) && metres >= 0.0f &&
                std::isfinite(s.GetTime(TimeUnit::Seconds)), kPipeRecordError);
    }
    archive::Require(std::isfinite(read.GetTotalLength(LengthUnit::Metres)) &&
            std::isfinite(read.GetTotalTime(DelayUnit::Samples)), kPipeRecordError);
    *this = read;
}

std::string PipeSelfTest() {
    std::string failures;
    CPipe pipe(10000.0f);
    PipeSegment section;
    section.SetLength(100.0f, LengthUnit::Metres);
    section.SetVelocity(1000.0f);
    pipe.AddSection(section);
    pipe.SetDelay(0.0f, DelayUnit::Seconds);
    const auto check = [&failures](bool ok, int line, const char* message) {
        if (!ok) failures += platform::CheckFailure("Pipe", line, message);
    };
    check(pipe.GetTotalTime(DelayUnit::Samples) == 1000.0f, __LINE__, "Problem in GetTotalTime\n");
    check(pipe.GetDistanceFromA(LengthUnit::Metres) == 50.0f && pipe.GetDistanceFromB(LengthUnit::Metres) == 50.0f,
          __LINE__, "Problem in GetDistanceFromA or GetDistanceFromB\n");
    pipe.SetDelay(0.1f, DelayUnit::Seconds);
    check(pipe.GetDistanceFromA(LengthUnit::Metres) == 100.0f && pipe.GetDistanceFromB(LengthUnit::Metres) == 0.0f,
          __LINE__, "Problem in leak position at the end of the pipe\n");
    return failures;
}
