#pragma once
// bench/FftwBlock.h — the FFT engine's overlap-save block on a mature FFT
// library (single precision, patiently planned): the baseline both
// correlation benchmarks compare against where the library is linked.

#ifdef BENCH_HAVE_FFTW
#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "dsp/CorrelationKernel.h"

// Both inputs to floats (Blue reversed), two real forward transforms, the
// product of the spectra, one inverse, scaled and rounded. The steps around
// the transforms are compiled for AVX2 where the CPU has it, as the engine's
// are, so that the ratio compares the transforms.
#if defined(__x86_64__)
__attribute__((target_clones("avx2", "default")))
#endif
static void FftwBlockSteps(const int16_t* red, const int16_t* blue, int32_t n, int32_t l, float* ra, float* rb,
                           fftwf_complex* fa, fftwf_complex* fb, fftwf_plan pa, fftwf_plan pb, fftwf_plan back,
                           int64_t* c) {
    const int32_t fresh = n - 2 * l;
    const float scale = corr::kFftScale / static_cast<float>(n);
    for (int32_t i = 0; i < n; ++i) ra[i] = red[i];
    std::fill(rb, rb + n, 0.0f);
    for (int32_t j = 0; j < fresh; ++j) rb[n - l - j] = blue[j];
    fftwf_execute(pa);
    fftwf_execute(pb);
    for (int32_t k = 0; k <= n / 2; ++k) {
        const float re = fa[k][0] * fb[k][0] - fa[k][1] * fb[k][1];
        const float im = fa[k][0] * fb[k][1] + fa[k][1] * fb[k][0];
        fa[k][0] = re;
        fa[k][1] = im;
    }
    fftwf_execute(back);
    for (int32_t d = 0; d <= l; ++d) c[l + d] += static_cast<int64_t>(std::floor(ra[d] * scale + 0.5f));
    for (int32_t d = -l; d < 0; ++d) c[l + d] += static_cast<int64_t>(std::floor(ra[n + d] * scale + 0.5f));
}

class FftwBlock {
public:
    explicit FftwBlock(int32_t n)
        : m_n(n), m_ra(fftwf_alloc_real(static_cast<size_t>(n))), m_rb(fftwf_alloc_real(static_cast<size_t>(n))),
          m_fa(fftwf_alloc_complex(static_cast<size_t>(n / 2 + 1))),
          m_fb(fftwf_alloc_complex(static_cast<size_t>(n / 2 + 1))),
          m_pa(fftwf_plan_dft_r2c_1d(n, m_ra, m_fa, FFTW_PATIENT)),
          m_pb(fftwf_plan_dft_r2c_1d(n, m_rb, m_fb, FFTW_PATIENT)),
          m_back(fftwf_plan_dft_c2r_1d(n, m_fa, m_ra, FFTW_PATIENT)) {}
    FftwBlock(const FftwBlock&) = delete;
    FftwBlock& operator=(const FftwBlock&) = delete;
    ~FftwBlock() {
        fftwf_destroy_plan(m_pa);
        fftwf_destroy_plan(m_pb);
        fftwf_destroy_plan(m_back);
        fftwf_free(m_ra);
        fftwf_free(m_rb);
        fftwf_free(m_fa);
        fftwf_free(m_fb);
    }
    // The engine's block: red has n samples, blue n - 2 lags, c 2 lags + 1.
    void Run(const int16_t* red, const int16_t* blue, int32_t lags, int64_t* c) {
        FftwBlockSteps(red, blue, m_n, lags, m_ra, m_rb, m_fa, m_fb, m_pa, m_pb, m_back, c);
    }

private:
    int32_t m_n;
    float *m_ra, *m_rb;
    fftwf_complex *m_fa, *m_fb;
    fftwf_plan m_pa, m_pb, m_back;
};
#endif
