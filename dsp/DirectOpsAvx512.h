// dsp/DirectOpsAvx512.h — the direct loops' operations on AVX-512 with VNNI
// (see DirectSlide.h and DirectSweep.h for what each must do). Included by
// CorrelationKernel.cpp inside its AVX-512 target region, and by the kernel
// tests over a portable model of the same instructions, so that a machine
// without them still checks these lanes and loops. Defined before it:
//   LoadPair(bp)  the Blue pair bp[0], bp[1] as one 32-bit value
//   InPlace(v)    v, kept in the register it was computed in

struct Ops {
    static constexpr int32_t W = 16;
    using Acc = __m512i;
    static Acc Zero() noexcept { return _mm512_setzero_si512(); }
    static Acc Red(const int16_t* p) noexcept { return _mm512_loadu_si512(p); }
    using Blue = int32_t;  // broadcast by the multiply, from memory
    static Blue Spread(const int16_t* bp) noexcept { return LoadPair(bp); }
    static Acc Dot(Acc acc, Acc red, Blue b) noexcept {
        return InPlace(_mm512_dpwssd_epi32(acc, red, _mm512_set1_epi32(b)));
    }
    static void Flush(Acc acc, int64_t* out) noexcept {
        // Halves through memory and zero-masked widening: the plain forms
        // start from an undefined register, which the compiler reports.
        alignas(64) int32_t lanes[16];
        _mm512_store_si512(lanes, acc);
        const __m512i lo = _mm512_maskz_cvtepi32_epi64(0xFF, _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes)));
        const __m512i hi =
            _mm512_maskz_cvtepi32_epi64(0xFF, _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes + 8)));
        _mm512_storeu_si512(out, _mm512_add_epi64(_mm512_loadu_si512(out), lo));
        _mm512_storeu_si512(out + 8, _mm512_add_epi64(_mm512_loadu_si512(out + 8), hi));
    }
    // The windowed loop's (DirectSweep.h).
    static Acc Pair(const int16_t* bp) noexcept { return _mm512_set1_epi32(LoadPair(bp)); }
    static Acc DotPair(Acc acc, Acc red, Acc bb) noexcept { return _mm512_dpwssd_epi32(acc, red, bb); }
    static Acc Get(const int32_t* p) noexcept { return _mm512_loadu_si512(p); }
    static void Put(int32_t* p, Acc acc) noexcept { _mm512_storeu_si512(p, acc); }
};
