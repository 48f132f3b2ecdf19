// Saved runs on the main screen: a replay's START, STOP and START again,
// the pipe OPEN offers, a run file that cannot be read, and SAVE while an
// optimisation tries bands. Time is simulated so that correlation keeps up
// with the data, as on a unit whose processor is fast enough (the fake clock
// times every tick's work at zero and the loop then asks for one sample).

#include <gtest/gtest.h>


#include "MainRunFixture.h"
#include "ScreenDriver.h"
#include "app/RunSettings.h"
#include "dsp/RunVerify.h"
#include "dsp/WaveFile.h"
#include "screens/MaterialDialog.h"
#include "ui/Resources.h"

namespace {

constexpr const char* kData = "\\NandFlash\\Data\\";

class KeptRuns : public MainRun {
protected:
    void SetUp() override {
        MainRun::SetUp();
        g_configuration.filterOptimisation = 0;  // a replay's result is the replay's alone
        std::filesystem::create_directories(platform::HostPath(kData));
    }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) {
            fast.Advance(RunLoop::kTickMs);
            dlg->TickNow();
        }
    }
    // Ticks until the run stops, as a replay does at the end of its recording.
    bool RunToStop() {
        for (int i = 0; i < 300 && dlg->Loop().Running(); ++i) Ticks(1);
        return !dlg->Loop().Running();
    }
    // A live run of 4 s on pipe, stopped and, under a stem, saved.
    void SaveLiveRun(const std::string& stem, const CPipe& pipe = PipeOf(200.0f, 1250.0f)) {
        dlg->StartOnPipe(pipe);
        Ticks(40);
        Button(kIdStop)->click();
        if (!stem.empty()) dlg->SaveRunAs(stem);
    }
    // "Red samples stored" of a saved run and the frames of its recording.
    static std::pair<int32_t, int32_t> StoredAndRecorded(const std::string& stem) {
        CCorrelation saved;
        std::ifstream file(platform::HostPath(kData + stem + ".corr"), std::ios::binary);
        saved.Read(file);
        CWaveReader recording;
        recording.Open(kData + stem + "_corr.wav");
        return {saved.RedSamplesReceived(), recording.FrameCount()};
    }
    // What corr verify finds wrong with a saved run, one line each.
    static std::string Verified(const std::string& stem) {
        std::ifstream corr(platform::HostPath(kData + stem + ".corr"), std::ios::binary);
        auto wav = std::make_unique<std::ifstream>(platform::HostPath(kData + stem + "_corr.wav"), std::ios::binary);
        std::string lines;
        for (const RunDifference& d : VerifyRun(corr, std::move(wav), CorrelationOptionsFromConfiguration()))
            lines += d.check + '=' + d.message + '\n';
        return lines;
    }
    QString SnrNone() const { return LoadString(197) + QStringLiteral(" ") + LeftToRight(QStringLiteral("---")); }

    platform::SimulatedClock fast;
    platform::ScopedClock useFast{fast};
};

}  // namespace

// START, SNAPSHOT RESTART and SURVEY on a replay read the recording again
// from its first frame: with the FFT engine or post-filter 0 a second START used to
// correlate nothing, and in post-filter mode the priming frames were
// correlated as recording. STOP in the middle of a replay and START again is
// a new replay from the first frame, whose result equals an uninterrupted
// one's. A replay saved again stores as many Red samples as its recording
// holds frames.
TEST_F(KeptRuns, EveryStartOnAReplayReadsTheRecordingFromItsStart) {
    struct Row { int32_t fft, postFilter; };
    for (const Row& row : {Row{1, 1}, Row{0, 0}, Row{0, 1}}) {
        g_configuration.useFftEngine = row.fft;
        g_configuration.postFilter = row.postFilter;
        Make();
        SaveLiveRun("A1");
        Button(kIdReset)->click();
        dlg->OpenRunFile("A1.corr");
        ASSERT_NE(dlg->Run().Recording(), nullptr);
        const int32_t frames = dlg->Run().Recording()->FrameCount();
        std::vector<int64_t> first;
        enum class Way { Start, StopHalfWayAndStart, SnapshotRestart };
        for (Way way : {Way::Start, Way::Start, Way::StopHalfWayAndStart, Way::SnapshotRestart}) {
            if (way == Way::SnapshotRestart) {
                Button(kIdSnapshotOptions)->click();
                Button(kIdSnapshotRestart)->click();
                ASSERT_EQ(dlg->Run().ValidCount(), 2);
            } else {
                dlg->StartOnPipe(dlg->MainPipe());
            }
            if (way == Way::StopHalfWayAndStart) {
                Ticks(1);
                Button(kIdStop)->click();
                ASSERT_TRUE(Visible(kIdStart));
                dlg->StartOnPipe(dlg->MainPipe());
            }
            ASSERT_TRUE(RunToStop());
            CCorrelation& run = dlg->Run();
            EXPECT_GT(run.SamplesCorrelated(), 0) << row.fft << row.postFilter;
            EXPECT_LE(run.SamplesCorrelated(), frames - 2 * run.MaxLag()) << row.fft << row.postFilter;
            run.DisplayTrace(0);  // in post-filter mode the accumulator is derived
            if (first.empty()) first = run.Accumulator(0);
            else EXPECT_EQ(run.Accumulator(0), first) << row.fft << row.postFilter << static_cast<int>(way);
        }
        // SURVEY on a replay (START's survey choice) likewise, twice.
        std::vector<int64_t> survey;
        for (int i = 0; i < 2; ++i) {
            Driver driver;
            driver.Queue({Press(CMaterialDialog::kIdSurvey)});
            Button(kIdStart)->click();
            ASSERT_TRUE(dlg->Run().Pipe().IsSurvey());
            ASSERT_TRUE(RunToStop());
            EXPECT_GT(dlg->Run().SamplesCorrelated(), 0) << row.fft << row.postFilter;
            dlg->Run().DisplayTrace(0);
            if (survey.empty()) survey = dlg->Run().Accumulator(0);
            else EXPECT_EQ(dlg->Run().Accumulator(0), survey) << row.fft << row.postFilter;
        }
        dlg->SaveRunAs("A2");
        EXPECT_EQ(StoredAndRecorded("A2"), std::pair(frames, frames)) << row.fft << row.postFilter;
        Button(kIdReset)->click();  // the next row's run is live
    }
}

// The first START after OPEN offers the opened run's pipe (it used to ask
// for the pipe again), and a velocity measured on site, in no material
// table, replays as it was saved.
TEST_F(KeptRuns, FirstStartAfterOpenOffersTheSavedPipeAsSaved) {
    Make();
    SaveLiveRun("A1", PipeOf(200.0f, 1234.5f));
    Make();  // switched on again: only the file knows the pipe
    dlg->OpenRunFile("A1.corr");
    Driver driver;
    driver.Queue({Press(CMaterialDialog::kIdUseExisting)});
    Button(kIdStart)->click();
    ASSERT_TRUE(dlg->Loop().Running());
    const CPipe& pipe = dlg->Run().Pipe();
    ASSERT_EQ(pipe.GetSectionCount(), 1);
    EXPECT_FLOAT_EQ(pipe.GetSection(0).GetVelocity(), 1234.5f);
    EXPECT_NEAR(dlg->Run().Range(), 1.1f * 200.0f / 1234.5f * 1000.0f, 0.01f);  // ms
    EXPECT_TRUE(RunToStop());
    EXPECT_GT(dlg->Run().SamplesCorrelated(), 0);
}

// A run file that cannot be read leaves a new, empty run, never a half-read
// one, and none of the last run's results: its SNR, icon and distances used
// to stay on show. An optimisation of the old run ends with it.
TEST_F(KeptRuns, UnreadableRunFileOpensAnEmptyRunWithoutTheLastResults) {
    Make();
    SaveLiveRun("");  // stopped, not saved
    dlg->ShowResultsNow();
    ASSERT_NE(dlg->ItemText(kIdSnrLabel), SnrNone());
    ASSERT_FALSE(dlg->ItemText(kIdDistanceA).isEmpty());
    ASSERT_FALSE(dlg->ItemText(kIdDistanceB).isEmpty());
    std::ofstream(platform::HostPath(std::string(kData) + "BAD.corr")) << "not a run";
    dlg->Run().Info()[0] = u"OLD";
    dlg->Loop().StartOptimisation(dlg->Run());
    Ticks(2);

    dlg->OpenRunFile("BAD.corr");
    EXPECT_FALSE(dlg->Loop().Optimising());
    dlg->grab();
    EXPECT_EQ(std::tuple(dlg->Run().Info()[0].empty(), dlg->Run().SamplesCorrelated(), dlg->Run().Recording() == nullptr,
                         g_replay, Visible(kIdSnrIcon)),
              std::tuple(true, 0, true, 1, false));
    EXPECT_EQ(Texts(*dlg, {kIdSnrLabel, kIdDistanceA, kIdDistanceB}), SnrNone() + "\n\n");
}

// SAVE while an optimisation tries bands stored a trial band's result under
// the filters of the band in force: the stored accumulator is now the one the
// stored unfiltered sums give through the stored filters.
TEST_F(KeptRuns, SaveDuringAnOptimisationKeepsTheBandInForceAndItsResult) {
    g_configuration.postFilter = 1;
    g_configuration.filterOptimisation = 1;
    Make();
    SaveLiveRun("A1");
    Button(kIdMenu)->click();
    Button(kIdOptimiseFilters)->click();
    Ticks(5);  // the frequency list and four bands
    ASSERT_TRUE(dlg->Loop().Optimising());
    dlg->SaveRunAs("OPT");
    EXPECT_EQ(Verified("OPT"), "");
    Ticks(60);
    EXPECT_FALSE(dlg->Loop().Optimising());  // the optimisation went on to its end
}

// A three-band run in post-filter mode saved the selected trace's display as
// the screen drew it, which corr verify compared with the last trace it derived.
TEST_F(KeptRuns, ThreeBandRunSavedInEitherModeVerifies) {
    g_configuration.multiFilter = 1;
    g_configuration.bothPolarities = 1;
    Make();
    for (const int32_t postFilter : {0, 1}) {
        g_configuration.postFilter = postFilter;
        const std::string stem = "T" + std::to_string(postFilter);
        SaveLiveRun(stem);
        ASSERT_EQ(dlg->Run().TraceCount(), 3);
        EXPECT_EQ(Verified(stem), "") << stem;
    }
}
