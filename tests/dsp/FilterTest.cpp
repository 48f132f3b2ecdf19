// Band filters: design against coefficients computed independently, the fast
// symmetric path against the plain convolution, streaming invariance, bypass,
// the record bytes and the texts.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <tuple>
#include <sstream>
#include <vector>

#include "HexBytes.h"
#include "dsp/CorrTestSupport.h"
#include "archive/Archive.h"
#include "dsp/Filter.h"

namespace {

FilterBand Band(float low, float high, bool notchOn = false, float notchLow = 0, float notchHigh = 0) {
    FilterBand b;
    b.lowCut = low;
    b.highCut = high;
    b.notchOn = notchOn;
    b.notchLow = notchLow;
    b.notchHigh = notchHigh;
    return b;
}

CFilter Designed(const FilterBand& band, int32_t window = fir::kRectangular, int32_t taps = 89) {
    CFilter f;
    f.SetBand(band, window, taps);
    return f;
}

// ---- Design. References computed with double precision outside this code.

struct DesignCase {
    const char* name;
    float highCut;
    int32_t window;
    int32_t taps;
    std::vector<int32_t> half;
};

class FilterDesign : public ::testing::TestWithParam<DesignCase> {};

TEST_P(FilterDesign, CoefficientsMatchReference) {
    const DesignCase& c = GetParam();
    EXPECT_EQ(Designed(Band(0, c.highCut), c.window, c.taps).FirTaps().half, c.half);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, FilterDesign,
    ::testing::Values(DesignCase{"Rect3", 0.25f, fir::kRectangular, 3, {262144, 166886}},
                      DesignCase{"Rect7", 0.3f, fir::kRectangular, 7, {314573, 158718, -49046, -32697}},
                      DesignCase{"Hann5", 0.25f, fir::kHann, 5, {262144, 83443, 0}},
                      DesignCase{"Blackman5", 0.2f, fir::kBlackman, 5, {209715, 53964, 0}},
                      DesignCase{"Welch5", 0.25f, fir::kWelch, 5, {262144, 125165, 0}},
                      DesignCase{"OneTapEveryWindow", 0.25f, fir::kGaussian, 1, {262144}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FilterDesign, TapCountsGiveHalfPlusCentre) {
    EXPECT_EQ(Designed(Band(0.1f, 0.4f), 0, 177).FirTaps().half.size(), 89u);
    EXPECT_EQ(Designed(Band(0.1f, 0.4f), 0, 89).FirTaps().half.size(), 45u);
    EXPECT_EQ(Designed(Band(0.1f, 0.4f), 0, 88).Taps(), 89);  // an even length gets one more tap
    CFilter keeps = Designed(Band(0.1f, 0.4f), 0, 177);
    keeps.Design(fir::kHann);  // taps 0 keeps the length
    EXPECT_EQ(keeps.Taps(), 177);
}

TEST(FilterDesign, UnitImpulseWithoutCutOffsMinusLowPassIsHighPass) {
    // No high cut-off: the response starts as a unit impulse; a low cut-off
    // then removes a low-pass, so the taps sum to (almost) zero at DC.
    const fir::Taps taps = Designed(Band(0.1f, 0)).FirTaps();
    int64_t dc = taps.half[0];
    for (size_t k = 1; k < taps.half.size(); ++k) dc += 2 * int64_t{taps.half[k]};
    EXPECT_LT(std::llabs(dc), fir::kOne / 20);
}

// ---- The symmetric fixed-point path equals the plain convolution.

class FirOracle : public ::testing::TestWithParam<int> {};

TEST_P(FirOracle, MatchesNaiveConvolution) {
    const int32_t length = GetParam();
    const CFilter designed = Designed(Band(0.05f, 0.35f, true, 0.1f, 0.15f), fir::kBlackman, length);
    const fir::Taps& taps = designed.FirTaps();
    const int32_t m = length / 2;
    std::vector<int32_t> full(static_cast<size_t>(length));  // h[j] for j = 0 ... L-1
    for (int32_t j = 0; j < length; ++j) full[j] = taps.half[static_cast<size_t>(std::abs(j - m))];

    const std::vector<int16_t> x = Noise(3000, static_cast<unsigned>(length));
    CFilter filter = designed;
    for (size_t n = 0; n < x.size(); ++n) {
        int64_t want = 0;
        for (int32_t j = 0; j < length && j <= static_cast<int32_t>(n); ++j) want += int64_t{full[j]} * x[n - j];
        ASSERT_EQ(filter.Push(x[n]), want) << "sample " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, FirOracle, ::testing::Values(1, 3, 89, 177));

TEST(FirStreaming, SameOutputForAnyBlockSplit) {
    const std::vector<int16_t> x = Noise(9000, 1);
    CFilter whole = Designed(Band(0.02f, 0.3f), fir::kHann, 177);
    std::vector<int16_t> expected(x.size());
    whole.ExecuteBlock(x.data(), expected.data(), static_cast<int32_t>(x.size()));
    for (int split : {1, 7, 1023, 4096}) {
        CFilter f = Designed(Band(0.02f, 0.3f), fir::kHann, 177);
        std::vector<int16_t> out(x.size());
        for (size_t at = 0; at < x.size(); at += static_cast<size_t>(split)) {
            const int32_t n = std::min<int32_t>(split, static_cast<int32_t>(x.size() - at));
            f.ExecuteBlock(x.data() + at, out.data() + at, n);
        }
        EXPECT_EQ(out, expected) << "split " << split;
    }
}

// Every block path equals single pushes bit for bit: random taps over the
// whole 32-bit range, so that the sums wrap and every lane must wrap as Push
// does; chunks around the block size, single pushes between them, filtered
// in place. Samples of 16 bits, of 15 bits (where two share a 16-bit sum),
// and of 15 bits with the extremes and a few samples just beyond them, so
// that blocks change paths mid-stream.
enum class Width { kFull, kFifteen, kEdges };

class FirBlockPath : public ::testing::TestWithParam<std::tuple<const char*, int, Width>> {
protected:
    void TearDown() override { fir::SelectPath(""); }
};

std::vector<int16_t> WidthSamples(Width width, std::mt19937& gen) {
    std::vector<int16_t> x(6000);
    std::uniform_int_distribution<int> fifteen(-16384, 16383);
    for (int16_t& v : x) v = static_cast<int16_t>(width == Width::kFull ? static_cast<int>(gen()) : fifteen(gen));
    if (width == Width::kEdges) {
        for (size_t i = 100; i < 300; ++i) x[i] = i % 3 ? -16384 : 16383;
        // Two apart, so that one pair of taps would add them past 16 bits.
        for (size_t at = 700; at + 2 < x.size(); at += 530) x[at] = x[at + 2] = at / 530 % 2 ? 16384 : -16385;
    }
    return x;
}

TEST_P(FirBlockPath, EqualsSinglePushesForAnySplit) {
    const auto [path, length, width] = GetParam();
    if (!fir::SelectPath(path)) GTEST_SKIP() << path << " does not run on this CPU";
    std::mt19937 gen(static_cast<unsigned>(length));
    fir::Taps taps;
    taps.length = length;
    taps.half.resize(static_cast<size_t>(length / 2 + 1));
    for (int32_t& c : taps.half) c = static_cast<int32_t>(gen());
    const std::vector<int16_t> x = WidthSamples(width, gen);
    fir::State reference(length), state(length);
    std::vector<int16_t> want(x.size()), got = x;
    for (size_t i = 0; i < x.size(); ++i) want[i] = fir::Output(reference.Push(taps, x[i]));
    const int32_t splits[] = {1, 1023, 7, 1024, 1, 1025, 33, 2047, 3};
    for (size_t at = 0, s = 0; at < x.size(); ++s) {
        const int32_t n = std::min<int32_t>(splits[s % std::size(splits)], static_cast<int32_t>(x.size() - at));
        if (n == 1) got[at] = fir::Output(state.Push(taps, got[at]));
        else state.Filter(taps, got.data() + at, got.data() + at, n);
        at += static_cast<size_t>(n);
    }
    for (size_t i = 0; i < x.size(); ++i) ASSERT_EQ(got[i], want[i]) << path << " sample " << i;
}

INSTANTIATE_TEST_SUITE_P(PathsAndLengths, FirBlockPath,
                         ::testing::Combine(::testing::Values("blocks", "avx2", "avx2-pairs"),
                                            ::testing::Values(1, 3, 5, 17, 89, 177, 4095),
                                            ::testing::Values(Width::kFull, Width::kFifteen, Width::kEdges)));

TEST(FirStreaming, ResetForgetsTheHistory) {
    const std::vector<int16_t> x = Noise(500, 2);
    CFilter used = Designed(Band(0.1f, 0.2f));
    for (int16_t v : x) used.Execute(v);
    used.Reset();
    CFilter fresh = Designed(Band(0.1f, 0.2f));
    for (int16_t v : x) ASSERT_EQ(used.Execute(v), fresh.Execute(v));
}

// ---- Bypass.

TEST(FilterBypass, NoCutOffAndNoNotchPassesSamplesUnchanged) {
    CFilter f = Designed(Band(0, 0));
    EXPECT_TRUE(f.Bypass());
    for (int16_t v : Noise(100, 3)) ASSERT_EQ(f.Execute(v), v);
    EXPECT_FALSE(Designed(Band(0, 0, true, 0.2f, 0.3f)).Bypass());
    EXPECT_FALSE(Designed(Band(0.1f, 0)).Bypass());
}

// ---- The record.

const char kRecord[] = "11 00 00 00 | cd cc cc 3d | cd cc cc 3e | 01 | cd cc 4c 3e | 9a 99 99 3e";

TEST(FilterRecord, WritesSizeSeventeenAndFiveFieldsAndReadDesignsWithItsTaps) {
    std::ostringstream os;
    Designed(Band(0.1f, 0.4f, true, 0.2f, 0.3f)).Write(os);
    EXPECT_EQ(os.str(), Hex(kRecord));
    std::istringstream is(Hex(kRecord));
    CFilter f;
    f.Design(fir::kRectangular, 177);
    f.Read(is);
    EXPECT_EQ(f.Band().highCut, 0.4f);
    EXPECT_TRUE(f.Band().notchOn);
    EXPECT_EQ(f.Band().notchHigh, 0.3f);
    EXPECT_EQ(f.FirTaps().half, Designed(Band(0.1f, 0.4f, true, 0.2f, 0.3f), 0, 177).FirTaps().half);
}

TEST(FilterRecord, WrongSizeThrowsBeforeAnyFieldAndACutRecordThrows) {
    std::istringstream is(Hex("10 00 00 00 | cd cc cc 3d | cd cc cc 3e | 01 | cd cc 4c 3e | 9a 99 99"));
    CFilter f;
    try {
        f.Read(is);
        FAIL() << "no error";
    } catch (const archive::ArchiveError& e) {
        EXPECT_STREQ(e.what(), "CFilter chunk size error");
    }
    EXPECT_EQ(is.tellg(), 4);
    EXPECT_EQ(f.Band().lowCut, 0.0f);
    std::istringstream cut(Hex("11 00 00 00 | cd cc cc 3d | cd cc"));
    EXPECT_THROW(f.Read(cut), archive::ArchiveError);
}

// A file may carry any bit pattern: not-a-number and infinite edges design
// without undefined conversions and filter without crashing.
TEST(FilterRecord, NonFiniteEdgesDesignSafely) {
    std::istringstream is(Hex("11 00 00 00 | 00 00 c0 7f | 00 00 80 7f | 01 | 00 00 80 ff | 00 00 c0 7f"));
    CFilter f;
    f.Read(is);
    for (int32_t c : f.FirTaps().half) EXPECT_EQ(c, 0);
    EXPECT_EQ(f.Execute(1000), 0);
}

// ---- Texts: band | notch | description at 10 kHz.

TEST(FilterText, FormsAtTenKilohertz) {
    const std::pair<FilterBand, std::u16string> rows[] = {
        {Band(0, 0.2f), u"0-2000Hz | None | <2000Hz"},
        {Band(0.1f, 0.4f), u"1000-4000Hz | None | 1000-4000Hz"},
        {Band(0.0125f, 0), u"125Hz+ | None | >125Hz"},
        {Band(0, 0), u"None | None | None"},
        {Band(0.1f, 0.4f, true, 0.2f, 0.3f), u"1000-4000Hz | 2000-3000Hz | 1000-4000Hz excl 2000-3000Hz"},
        {Band(0, 0, true, 0.0049f, 0.0051f), u"None | 49-51Hz | None excl 49-51Hz"},
    };
    for (const auto& [band, texts] : rows) {
        const CFilter f = Designed(band);
        EXPECT_EQ(f.BandText(10000.0f) + u" | " + f.NotchText(10000.0f) + u" | " + f.Description(10000.0f), texts);
    }
}

TEST(FilterText, WordsComeFromTheCaller) {
    FilterWords words;
    words.none = u"Keine";
    words.excl = u"ohne";
    EXPECT_EQ(Designed(Band(0, 0)).BandText(10000.0f, words), u"Keine");
    EXPECT_EQ(Designed(Band(0, 0.2f, true, 0.05f, 0.06f)).Description(10000.0f, words), u"<2000Hz ohne 500-600Hz");
}

TEST(FilterText, FarsiDrawsTheNotchAndForcesLeftToRight) {
    FilterWords words;
    words.language = u"FAS";
    EXPECT_EQ(Designed(Band(0.1f, 0.4f, true, 0.2f, 0.3f)).Description(10000.0f, words),
              u"\u202D1000-4000Hz \u00AF\\/\u00AF 2000-3000Hz");
    EXPECT_EQ(Designed(Band(0, 0)).Description(10000.0f, words), u"None");
    EXPECT_EQ(Designed(Band(0.1f, 0)).Description(10000.0f, words), u"\u202D>1000Hz");
}

}  // namespace
