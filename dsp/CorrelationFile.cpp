// CCorrelation: the ".corr" file. A header ("TkCo", version 2, type 1) and
// chunks: "Data" (the run parameters, 93 bytes; older files 89), "Info",
// "Pipe", "FltL", "FltR", "Disp", "CorU" (post-filter mode only) and
// "Cor0" ... "Cor4". No samples: they live in the run's "_corr.wav".

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "archive/Archive.h"
#include "dsp/Correlation.h"
#include "platform/Clock.h"

namespace {

using archive::ArchiveError;
using archive::MakeTag;

constexpr archive::Tag kMagic = MakeTag("TkCo");
constexpr int32_t kVersion = 2;
constexpr int16_t kFileType = 1;
constexpr int32_t kDataSize = 93;
constexpr int32_t kDataSizeWithoutElapsed = 89;

const char kUnknownType[] = "CCorrelation Read: Unknown file type";
const char kCorrupted[] = "CCorrelation Read: Corrupted file";
const char kDataError[] = "CCorrelation Read: Data format unknown or corrupted file";

archive::Tag AccumulatorTag(int32_t k) { return {'C', 'o', 'r', static_cast<char>('0' + k)}; }

// Accumulator values travel in blocks of this many.
constexpr int64_t kValuesAtATime = 8192;

// Writes exactly count values, little-endian, a block at a time: a shorter
// accumulator is padded with zeros so that the chunk always holds what its
// size announces.
void WriteValues(std::ostream& os, const std::vector<int64_t>& values, size_t count) {
    std::string bytes;
    for (size_t done = 0; done < count; done += kValuesAtATime) {
        const size_t n = std::min<size_t>(count - done, kValuesAtATime);
        bytes.assign(8 * n, '\0');
        for (size_t i = 0; i < n && done + i < values.size(); ++i) {
            const auto v = static_cast<uint64_t>(values[done + i]);
            for (size_t b = 0; b < 8; ++b) bytes[8 * i + b] = static_cast<char>(v >> (8 * b));
        }
        archive::WriteBytes(os, bytes);
    }
}

// A little-endian value of width bytes (8, or 4 sign-extended).
int64_t LittleEndian(const unsigned char* p, int32_t width) {
    uint64_t v = 0;
    for (int32_t b = width - 1; b >= 0; --b) v = v << 8 | p[b];
    return width == 4 ? int64_t{static_cast<int32_t>(static_cast<uint32_t>(v))} : static_cast<int64_t>(v);
}

// The run parameters as stored, read whole before any of them is used.
struct DataFields {
    float range = 0;
    int32_t rangeUnit = 0, maxLag = 0;
    int32_t position[3] = {};
    int32_t columns = 0;
    float leftDelay = 0, rightDelay = 0;
    int32_t windowUnit = 0, leftLag = 0, rightLag = 0;
    int16_t height = 0;
    int32_t suppressFirst = 0, suppressLimit = 0;
    uint8_t mode = 0;
    int32_t cursorLag = 0;
    uint8_t cursorOnPeak = 0, suppressionOn = 0;
    int32_t validCount = 0, traceCount = 0, selectedTrace = 0, samplesCorrelated = 0;
    float sampleRate = 0;
    int32_t redStored = 0, elapsedMs = 0;
};

// Fields 1-23: 89 bytes.
void ReadFields(std::istream& is, DataFields& d) {
    archive::ReadFloat(is, d.range);
    archive::ReadInt32(is, d.rangeUnit);
    archive::ReadInt32(is, d.maxLag);
    for (int32_t& p : d.position) archive::ReadInt32(is, p);
    archive::ReadInt32(is, d.columns);
    archive::ReadFloat(is, d.leftDelay);
    archive::ReadFloat(is, d.rightDelay);
    archive::ReadInt32(is, d.windowUnit);
    archive::ReadInt32(is, d.leftLag);
    archive::ReadInt32(is, d.rightLag);
    archive::ReadInt16(is, d.height);
    archive::ReadInt32(is, d.suppressFirst);
    archive::ReadInt32(is, d.suppressLimit);
    archive::ReadInt8(is, d.mode);
    archive::ReadInt32(is, d.cursorLag);
    archive::ReadInt8(is, d.cursorOnPeak);
    archive::ReadInt8(is, d.suppressionOn);
    archive::ReadInt32(is, d.validCount);
    archive::ReadInt32(is, d.traceCount);
    archive::ReadInt32(is, d.selectedTrace);
    archive::ReadInt32(is, d.samplesCorrelated);
    archive::ReadFloat(is, d.sampleRate);
    archive::ReadInt32(is, d.redStored);
}

// A lag within -L - margin ... L + margin.
bool WithinLags(int32_t lag, const DataFields& d, int32_t margin) {
    return int64_t{lag} >= -int64_t{d.maxLag} - margin && int64_t{lag} <= int64_t{d.maxLag} + margin;
}

// Counts that size arrays, index them or keep counting must be what a run
// can produce: the Red samples received of a long run far exceed what the
// raw store keeps, so that count is only kept from being negative (a replay
// counts on from it without wrapping); the range and the window's delays
// become lags and must be numbers. The window and cursor lags lie within
// -L ... L and the suppression's first and limit lags one beyond at most, as
// the screen sets them, so that no sum or difference of them can overflow.
bool Plausible(const DataFields& d) {
    return d.maxLag >= 0 && d.maxLag <= CCorrelation::kMaxLag && d.columns >= 0 &&
           d.columns <= CCorrelation::kMaxColumns && d.traceCount >= 1 &&
           d.traceCount <= CCorrelation::kTraces && d.validCount >= 1 &&
           d.validCount <= CCorrelation::kAccumulators && d.redStored >= 0 && std::isfinite(d.range) &&
           std::isfinite(d.leftDelay) && std::isfinite(d.rightDelay) && WithinLags(d.leftLag, d, 0) &&
           WithinLags(d.rightLag, d, 0) && WithinLags(d.cursorLag, d, 0) && WithinLags(d.suppressFirst, d, 1) &&
           WithinLags(d.suppressLimit, d, 1);
}

}  // namespace

void CCorrelation::Write(std::ostream& os) const {
    archive::WriteTag(os, kMagic);
    archive::WriteInt32(os, kVersion);
    archive::WriteInt16(os, kFileType);

    archive::WriteTag(os, MakeTag("Data"));
    archive::WriteInt32(os, kDataSize);
    archive::WriteFloat(os, m_range);
    archive::WriteInt32(os, m_rangeUnit);
    archive::WriteInt32(os, m_maxLag);
    for (int32_t p : m_position) archive::WriteInt32(os, p);
    archive::WriteInt32(os, m_columns);
    archive::WriteFloat(os, m_leftDelay);
    archive::WriteFloat(os, m_rightDelay);
    archive::WriteInt32(os, m_windowUnit);
    archive::WriteInt32(os, m_leftLag);
    archive::WriteInt32(os, m_rightLag);
    archive::WriteInt16(os, m_displayHeight);
    archive::WriteInt32(os, m_suppressFirst);
    archive::WriteInt32(os, m_suppressLimit);
    archive::WriteInt8(os, m_view.displayMode);
    archive::WriteInt32(os, m_view.cursorLag);
    archive::WriteInt8(os, m_view.cursorOnPeak);
    archive::WriteBool(os, m_suppressionOn);
    archive::WriteInt32(os, m_validCount);
    archive::WriteInt32(os, m_traceCount);
    archive::WriteInt32(os, m_selectedTrace);
    archive::WriteInt32(os, m_samplesCorrelated);
    archive::WriteFloat(os, m_sampleRate);
    archive::WriteInt32(os, RecordingFrames());  // the frames of the recording saved with it
    archive::WriteInt32(os, static_cast<int32_t>(m_stopwatch.ElapsedMs()));

    std::ostringstream info;
    for (const std::u16string& s : m_info) archive::CStringWrite(s, info);
    archive::WriteChunk(os, MakeTag("Info"), info.str());

    archive::WriteTag(os, MakeTag("Pipe"));
    m_pipe.Write(os);
    archive::WriteTag(os, MakeTag("FltL"));
    for (const CFilter& f : m_redFilter) f.Write(os);
    archive::WriteTag(os, MakeTag("FltR"));
    for (const CFilter& f : m_blueFilter) f.Write(os);

    archive::WriteTag(os, MakeTag("Disp"));
    archive::WriteInt32(os, 2 * m_columns);
    for (int32_t c = 0; c < m_columns; ++c)
        archive::WriteInt16(os, c < static_cast<int32_t>(m_display.size()) ? m_display[static_cast<size_t>(c)] : 0);

    const size_t count = 2 * static_cast<size_t>(m_maxLag) + 1;
    const auto accSize = static_cast<int32_t>(8 * count);
    if (!FilterBeforeCorrelating()) {
        archive::WriteTag(os, MakeTag("CorU"));
        archive::WriteInt32(os, accSize);
        WriteValues(os, m_unfiltered, count);
    }
    for (int32_t k = 0; k < std::max(m_validCount, m_traceCount); ++k) {
        archive::WriteTag(os, AccumulatorTag(k));
        archive::WriteInt32(os, accSize);
        WriteValues(os, m_acc[static_cast<size_t>(k)], count);
    }
}

void CCorrelation::ReadData(std::istream& is) {
    int32_t size = 0;
    archive::ReadInt32(is, size);
    if (archive::Failed(is) || size < kDataSizeWithoutElapsed || size > kDataSize) throw ArchiveError(kDataError);
    DataFields d;
    ReadFields(is, d);
    if (size >= kDataSize) archive::ReadInt32(is, d.elapsedMs);
    else archive::Skip(is, size - kDataSizeWithoutElapsed);  // 90-92: no whole field 24
    if (archive::Failed(is) || !Plausible(d)) throw ArchiveError(kDataError);
    if (size < kDataSize) {
        const float ms = d.sampleRate > 0 ? static_cast<float>(d.samplesCorrelated) / d.sampleRate * 1000.0f : 0.0f;
        d.elapsedMs = std::isfinite(ms) && ms >= 0 && ms < 2.0e9f ? static_cast<int32_t>(ms) : 0;
    }
    m_range = d.range;
    m_rangeUnit = d.rangeUnit;
    m_maxLag = d.maxLag;
    std::copy(std::begin(d.position), std::end(d.position), m_position.begin());
    m_columns = d.columns;
    m_display.assign(static_cast<size_t>(m_columns), 0);
    m_leftDelay = d.leftDelay;
    m_rightDelay = d.rightDelay;
    m_windowUnit = d.windowUnit;
    m_leftLag = d.leftLag;
    m_rightLag = d.rightLag;
    m_displayHeight = d.height;
    m_suppressFirst = d.suppressFirst;
    m_suppressLimit = d.suppressLimit;
    m_view.displayMode = d.mode;
    m_view.cursorLag = d.cursorLag;
    m_view.cursorOnPeak = d.cursorOnPeak;
    m_suppressionOn = d.suppressionOn != 0;
    m_validCount = d.validCount;
    m_traceCount = d.traceCount;
    m_selectedTrace = d.selectedTrace;
    m_samplesCorrelated = d.samplesCorrelated;
    m_fileSampleRate = d.sampleRate;
    // A reopened run measures delays at the rate it was made at; a rate no
    // run can have leaves the object's own.
    if (IsUnitRate(d.sampleRate)) m_sampleRate = d.sampleRate;
    m_redReceived = d.redStored;
    m_stopwatch.accumulatedMs = static_cast<uint32_t>(d.elapsedMs);
    m_stopwatch.startTick = platform::GetTickCount();
    m_stopwatch.running = false;
}

void CCorrelation::ReadAccumulator(std::istream& is, std::vector<int64_t>& acc, bool headerOnly) {
    int32_t size = 0;
    archive::ReadInt32(is, size);
    const int64_t count = 2 * int64_t{m_maxLag} + 1;
    const bool wide = size == 8 * count, narrow = size == 4 * count;
    if (archive::Failed(is) || !(wide || narrow)) throw ArchiveError(kDataError);
    if (headerOnly) {
        archive::Skip(is, size);
        return;
    }
    // The values grow with the bytes actually there, a block at a time, so a
    // chunk that announces more than the file holds fails before taking
    // that much memory. Files of the 32-bit engine hold 4-byte values.
    const int32_t width = wide ? 8 : 4;
    std::vector<int64_t> values;
    std::vector<unsigned char> bytes;
    for (int64_t done = 0; done < count; done += kValuesAtATime) {
        const int64_t n = std::min(count - done, kValuesAtATime);
        bytes.resize(static_cast<size_t>(n * width));
        is.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (archive::Failed(is)) throw ArchiveError(kCorrupted);
        for (int64_t i = 0; i < n; ++i) values.push_back(LittleEndian(&bytes[static_cast<size_t>(i * width)], width));
    }
    acc = std::move(values);
}

void CCorrelation::ReadFilters(std::istream& is, std::array<CFilter, kTraces>& filters) {
    for (CFilter& f : filters) f.Read(is);
}

void CCorrelation::Read(std::istream& is, bool headerOnly) {
    const archive::Tag magic = archive::ReadTag(is);
    if (magic != kMagic) throw ArchiveError(kUnknownType);
    int32_t version = 0;
    int16_t type = 0;
    archive::ReadInt32(is, version);
    if (archive::Failed(is) || version != kVersion) throw ArchiveError(kUnknownType);
    archive::ReadInt16(is, type);
    if (archive::Failed(is) || type != kFileType) throw ArchiveError(kUnknownType);

    bool data = false, info = false, pipe = false, left = false, right = false, disp = false;
    bool lastAccumulator = false, unfiltered = false;
    while (!(data && info && pipe && left && right && disp && lastAccumulator)) {
        const archive::Tag tag = archive::ReadTag(is);
        if (archive::Failed(is)) throw ArchiveError(kCorrupted);
        const bool accumulatorTag = tag[0] == 'C' && tag[1] == 'o' && tag[2] == 'r' &&
                                    ((tag[3] >= '0' && tag[3] <= '4') || tag[3] == 'U');
        if (tag == MakeTag("Data")) {
            ReadData(is);
            data = true;
        } else if (tag == MakeTag("Info")) {
            int32_t size = 0;
            archive::ReadInt32(is, size);
            for (std::u16string& s : m_info) archive::CStringRead(s, is);
            info = true;
        } else if (accumulatorTag) {
            if (!data) throw ArchiveError(kDataError);
            if (tag[3] == 'U') {
                ReadAccumulator(is, m_unfiltered, headerOnly);
                unfiltered = true;
            } else {
                const int32_t k = tag[3] - '0';
                ReadAccumulator(is, m_acc[static_cast<size_t>(k)], headerOnly);
                lastAccumulator = k == std::max(m_traceCount, m_validCount) - 1;
            }
        } else if (tag == MakeTag("Disp")) {
            if (!data) throw ArchiveError(kDataError);
            int32_t size = 0;
            archive::ReadInt32(is, size);
            if (archive::Failed(is) || size != 2 * int64_t{m_columns}) throw ArchiveError(kDataError);
            m_display.assign(static_cast<size_t>(m_columns), 0);
            if (headerOnly) archive::Skip(is, size);
            else for (int16_t& v : m_display) archive::ReadInt16(is, v);
            disp = true;
        } else if (tag == MakeTag("Pipe")) {
            m_pipe.Read(is);
            pipe = true;
        } else if (tag == MakeTag("FltL")) {
            ReadFilters(is, m_redFilter);
            left = true;
        } else if (tag == MakeTag("FltR")) {
            ReadFilters(is, m_blueFilter);
            for (int32_t k = 0; k < kTraces; ++k) {
                FilterBand band = m_blueFilter[k].Band();
                band.notchOn = true;
                m_postFilters[k].SetBand(band, fir::kWelch, kPostFilterTaps);
            }
            right = true;
        } else {
            int32_t size = 0;
            archive::ReadInt32(is, size);
            if (archive::Failed(is) || size < 0) throw ArchiveError(kCorrupted);
            archive::Skip(is, size);
        }
    }
    m_postFilter = unfiltered ? 1 : 0;
}
