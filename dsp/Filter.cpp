#include "dsp/Filter.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "archive/Archive.h"
#include "platform/Text.h"
#include "platform/Numbers.h"

namespace {

const char kChunkSizeError[] = "CFilter chunk size error";

// printf into UTF-16; the texts here are short.
std::u16string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::u16string Format(const char* format, ...) {
    char text[128];
    va_list args;
    va_start(args, format);
    platform::VFormatC(text, sizeof text, format, args);
    va_end(args);
    return platform::Utf8ToUtf16(text);
}

double Hz(float fraction, float sampleRate) { return static_cast<double>(fraction * sampleRate); }

}  // namespace

void CFilter::SetBand(const FilterBand& band, int32_t window, int32_t taps) {
    m_band = band;
    Design(window, taps);
}

void CFilter::Design(int32_t window, int32_t taps) {
    if (taps > 0) m_taps = fir::ValidLength(taps);
    m_bypass = m_band.highCut == 0.0f && m_band.lowCut == 0.0f && !m_band.notchOn;
    m_firTaps = fir::DesignBandTaps(m_band, window, m_taps);
    m_state = fir::State(m_taps);
}

void CFilter::ExecuteBlock(const int16_t* in, int16_t* out, int32_t n) noexcept {
    if (m_bypass) std::copy(in, in + n, out);
    else m_state.Filter(m_firTaps, in, out, n);
}

void CFilter::Write(std::ostream& os) const {
    archive::WriteInt32(os, kRecordBodySize);
    archive::WriteFloat(os, m_band.lowCut);
    archive::WriteFloat(os, m_band.highCut);
    archive::WriteBool(os, m_band.notchOn);
    archive::WriteFloat(os, m_band.notchLow);
    archive::WriteFloat(os, m_band.notchHigh);
}

void CFilter::Read(std::istream& is) {
    int32_t size = 0;
    archive::ReadInt32(is, size);
    if (archive::Failed(is) || size != kRecordBodySize) throw archive::ArchiveError(kChunkSizeError);
    FilterBand band;
    archive::ReadFloat(is, band.lowCut);
    archive::ReadFloat(is, band.highCut);
    archive::ReadBool(is, band.notchOn);
    archive::ReadFloat(is, band.notchLow);
    archive::ReadFloat(is, band.notchHigh);
    if (is.fail()) throw archive::ArchiveError(kChunkSizeError);
    SetBand(band, fir::kRectangular);
}

std::u16string CFilter::BandText(float rate, const FilterWords& words) const {
    const float low = m_band.lowCut, high = m_band.highCut;
    if (low > 0 && high > 0) return Format("%.0f-%.0fHz", Hz(low, rate), Hz(high, rate));
    if (low > 0) return Format("%.0fHz+", Hz(low, rate));
    if (high > 0) return Format("0-%.0fHz", Hz(high, rate));
    return words.none;
}

std::u16string CFilter::NotchText(float rate, const FilterWords& words) const {
    if (m_band.notchLow > 0 && m_band.notchHigh > 0)
        return Format("%.0f-%.0fHz", Hz(m_band.notchLow, rate), Hz(m_band.notchHigh, rate));
    return words.none;
}

std::u16string CFilter::Description(float rate, const FilterWords& words) const {
    const float low = m_band.lowCut, high = m_band.highCut;
    std::u16string text;
    if (low > 0 && high > 0)
        text = Format("%.0f-%.0fHz", Hz(low, rate), Hz(high, rate));
    else if (low > 0)
        text = Format(">%.0fHz", Hz(low, rate));
    else if (high > 0)
        text = Format("<%.0fHz", Hz(high, rate));
    else
        text = words.none;
    const bool farsi = words.language == u"FAS";
    if (m_band.notchLow > 0 && m_band.notchHigh > 0) {
        const std::u16string edges = Format("%.0f-%.0fHz", Hz(m_band.notchLow, rate), Hz(m_band.notchHigh, rate));
        // Right-to-left text draws the notch as a picture instead of a word.
        text += (farsi ? u" \u00AF\\/\u00AF " : u" " + words.excl + u" ") + edges;
    }
    if (farsi && text.find(u"Hz") != std::u16string::npos) text.insert(text.begin(), u'\u202D');
    return text;
}
