// Snapshots and the three-band view on the main screen: the snapshot bar's
// commands (the history itself is the correlation's, tested there), a saved
// run taken as a snapshot or refused with the message held 15 s, RESET on the
// snapshot bar, and the row and enlarge buttons of a three-band run.

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>

#include "MainRunFixture.h"
#include "SamplePack.h"
#include "ScreenDriver.h"
#include "screens/FileListDialog.h"
#include "settings/Language.h"
#include "ui/Resources.h"

namespace {

class Snapshots : public MainRun {
protected:
    void SnapshotBar(int command) {
        if (!dlg->GetCheck(kIdSnapshotOptions)) Button(kIdSnapshotOptions)->click();
        Button(command)->click();
    }
    // OPEN AS SNAPSHOT on the only run in the data folder.
    void OpenAsSnapshot() {
        Driver driver;
        driver.Queue({Press(CFileListDialog::kIdOpen)});
        SnapshotBar(kIdOpenAsSnapshot);
    }
    // RESET, then a run on length m at 1250 m/s for 300 ms.
    void RestartOn(float length) {
        Button(kIdReset)->click();
        dlg->StartOnPipe(PipeOf(length, 1250.0f));
        Ticks(3);
    }
    QString StatusLine() { return dlg->ItemText(kIdStatusLine); }
};

}  // namespace

TEST_F(Snapshots, BarCommandsPushTheCurrentResultAndRestartOrStopTheRun) {
    MakeRunning(20);
    const auto state = [&] { return std::tuple(dlg->Run().ValidCount(), dlg->Loop().Running()); };
    SnapshotBar(kIdSnapshotContinue);  // running: it goes on
    EXPECT_EQ(state(), std::tuple(2, true));
    SnapshotBar(kIdSnapshotStop);
    EXPECT_EQ(state(), std::tuple(3, false));
    SnapshotBar(kIdSnapshotRestart);  // stopped: a new run beside the kept ones
    EXPECT_EQ(state(), std::tuple(4, true));
    EXPECT_EQ(dlg->Run().SamplesCorrelated(), 0);
}

TEST_F(Snapshots, SavedRunJoinsOnlyWithTheSameLagCountElseTheMessageHolds15s) {
    std::filesystem::create_directories(platform::HostPath("\\NandFlash\\Data"));
    MakeRunning(20);
    Button(kIdStop)->click();
    dlg->SaveRunAs("A1");
    const std::vector<int64_t> saved = dlg->Run().Accumulator(0);

    RestartOn(200.0f);
    OpenAsSnapshot();
    ASSERT_EQ(dlg->Run().ValidCount(), 2);
    EXPECT_EQ(dlg->Run().Accumulator(1), saved);
    EXPECT_TRUE(dlg->Loop().Running());

    RestartOn(900.0f);  // another range: another lag count
    OpenAsSnapshot();
    EXPECT_EQ(dlg->Run().ValidCount(), 1);
    const QString mismatch = LoadString(181);
    EXPECT_EQ(StatusLine(), mismatch);
    Ticks(148);
    EXPECT_EQ(StatusLine(), mismatch);
    Ticks(3);
    EXPECT_NE(StatusLine(), mismatch);

    // As many lags at another rate (625 m at 5000 Hz, 312.5 m at 10000 Hz)
    // are another delay axis: the saved run used to be drawn at half its delay.
    RestartOn(625.0f);
    Button(kIdStop)->click();
    dlg->SaveRunAs("A1");
    const int32_t lags = dlg->Run().MaxLag();
    RestartOn(312.5f);
    ASSERT_EQ(dlg->Run().MaxLag(), lags);
    OpenAsSnapshot();
    EXPECT_EQ(dlg->Run().ValidCount(), 1);
    EXPECT_EQ(StatusLine(), mismatch);
}

// The refusal is read whole on the status line, in every language shipped.
TEST_F(Snapshots, MismatchMessageFitsTheStatusLineInEveryLanguage) {
    InstallLanguageHooks();
    for (const char* code : {"ENG", "DEU", "FAS"}) {
        if (std::string(code) != "ENG") PutSamplePack(root, code);
        SetLanguage(QString(code).toStdU16String());
        Make();
        const QString message = LoadString(181);
        EXPECT_TRUE(QString(code) == "ENG" || message != QString("SNAPSHOT CANNOT BE TAKEN AS PIPE DETAILS ARE NOT THE SAME."))
            << code;
        dlg->SetItemText(kIdStatusLine, message);
        const auto* line = dlg->Item<QLabel>(kIdStatusLine);
        EXPECT_LE(QFontMetrics(line->font()).horizontalAdvance(message), line->contentsRect().width()) << code;
        dlg->SetItemText(kIdStatusLine, "READY");  // a short text gets the screen's font back
        EXPECT_EQ(line->font(), dlg->font()) << code;
        dlg.reset();
    }
    SetLanguage(u"ENG");
}

TEST_F(Snapshots, ResetOnTheSnapshotBarDropsTheHistoryAndShowsStart) {
    MakeRunning(20);
    SnapshotBar(kIdSnapshotContinue);
    SnapshotBar(kIdSnapshotContinue);
    ASSERT_EQ(dlg->Run().ValidCount(), 3);
    dlg->GetDlgItem(kIdSnapshotReset)->show();
    Button(kIdSnapshotReset)->click();
    EXPECT_EQ(std::tuple(dlg->Run().ValidCount(), dlg->Run().SamplesCorrelated(), dlg->Loop().Running()), std::tuple(1, 0, false));
    EXPECT_EQ(RunBar(), "11000");
    EXPECT_TRUE(dlg->ItemText(kIdDistanceA).isEmpty());
}

TEST_F(Snapshots, RowButtonsEnlargeAndRestoreAndAnEnlargeButtonKeepsOneBand) {
    g_configuration.multiFilter = 1;
    MakeRunning(20);
    ASSERT_EQ(dlg->TraceCount(), 3);
    EXPECT_FALSE(Button(kIdSnapshotOptions)->isEnabled());
    const QRect full = dlg->GetDlgItem(kIdRow1)->geometry();

    Button(kIdRow1)->click();
    EXPECT_EQ(dlg->EnlargedRow(), 1);
    // How an enlarged row 1 looks: the gallery's main-three-traces-enlarged.

    Button(kIdRow3)->click();  // another row moves the enlargement
    EXPECT_EQ(dlg->EnlargedRow(), 3);
    EXPECT_FALSE(dlg->GetCheck(kIdRow1) || Visible(kIdEnlarge1));
    EXPECT_EQ(dlg->GetDlgItem(kIdRow1)->geometry(), full);

    Button(kIdRow3)->click();  // the enlarged row again: equal panes
    EXPECT_EQ(dlg->EnlargedRow(), 0);
    EXPECT_FALSE(dlg->GetCheck(kIdRow3) || Visible(kIdEnlarge3));

    Button(kIdRow1)->click();
    const std::vector<int64_t> highest = dlg->Run().Accumulator(2);  // row 1 shows the highest band
    Button(kIdEnlarge1)->click();
    EXPECT_EQ(std::tuple(dlg->TraceCount(), dlg->EnlargedRow()), std::tuple(1, 0));
    EXPECT_EQ(dlg->Run().Accumulator(0), highest);
    for (int id : {kIdRow1, kIdRow2, kIdRow3, kIdEnlarge1}) EXPECT_FALSE(Visible(id)) << id;
    EXPECT_TRUE(Button(kIdSnapshotOptions)->isEnabled());
    EXPECT_TRUE(dlg->Loop().Running());
}
