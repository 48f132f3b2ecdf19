#pragma once
// A run synthesised on a described pipe with a known leak, saved as the
// program saves it.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "dsp/Correlation.h"
#include "dsp/CorrTestSupport.h"
#include "dsp/WaveFile.h"

namespace {

// 400 m of pipe at 1000 m/s (0.4 s end to end); the leak 150 m from Red (A)
// reaches Red after 1500 samples and Blue after 2500: lag -1000 at 10 kHz.
constexpr int32_t kFrames = 30000;
constexpr int32_t kToRed = 1500, kToBlue = 2500;

CPipe DescribedPipe() {
    CPipe pipe(10000.0f);
    PipeSegment section;
    section.SetMaterial(u"STEEL");
    section.SetLength(400.0f, LengthUnit::Metres);
    section.SetVelocity(1000.0f);
    pipe.AddSection(section);
    return pipe;
}

// Saves "<dir>/leak.corr" and "<dir>/leak_corr.wav" as SAVE writes them.
std::string SaveSyntheticRun(const std::filesystem::path& dir) {
    CCorrelation run;
    run.Pipe() = DescribedPipe();
    const auto leak = Noise(kFrames + kToBlue, 1, 800);
    const auto noiseRed = Noise(kFrames, 2, 300), noiseBlue = Noise(kFrames, 3, 300);
    std::vector<int16_t> red(kFrames), blue(kFrames);
    for (int32_t i = 0; i < kFrames; ++i) {
        red[i] = static_cast<int16_t>(leak[kToBlue + i - kToRed] + noiseRed[i]);
        blue[i] = static_cast<int16_t>(leak[i] + noiseBlue[i]);
    }
    run.AddRedSamples(red.data(), kFrames);
    run.AddBlueSamples(blue.data(), kFrames);
    const std::string name = (dir / "leak").string();
    std::ofstream corr(name + ".corr", std::ios::binary);
    run.Write(corr);
    std::ofstream wav(name + "_corr.wav", std::ios::binary);
    EXPECT_TRUE(wavfile::WriteWav(wav, run.RedRaw(), run.BlueRaw(), run.SampleRate()));
    return name + ".corr";
}

}  // namespace
