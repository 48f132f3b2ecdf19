// app/CorrelatorDlgSnapshots.cpp — the snapshot bar (up to four earlier
// results stacked under the current one) and the three-band view's row and
// enlarge buttons. The history itself lives in the correlation object.

#include "app/CorrelatorDlg.h"
#include "app/RunSettings.h"
#include "hardware/SensorHardware.h"
#include "platform/Debug.h"
#include "platform/Files.h"
#include "settings/Configuration.h"

namespace {

constexpr int32_t kMismatchHoldTicks = 150;  // 15 s

int RowButtonId(int row) { return kIdRow1 - (row - 1); }
int EnlargeButtonId(int row) { return kIdEnlarge1 + (row - 1); }

}  // namespace

void CCorrelatorDlg::OnSnapshotOptions() {
    if (GetCheck(kIdSnapshotOptions)) {
        OnReturn();
        return;
    }
    ShowBar({kIdSnapshotContinue, kIdSnapshotRestart, kIdSnapshotStop, kIdOpenAsSnapshot, kIdReturn});
    SetCheck(kIdSnapshotOptions, 1);
}

// The hidden SNAPSHOT MODE button keeps its setting and nothing more.
void CCorrelatorDlg::OnSnapshotMode() {
    g_configuration.snapshotMode = g_configuration.snapshotMode ? 0 : 1;
    g_configuration.Save();
    SetCheck(kIdSnapshotMode, g_configuration.snapshotMode);
    InvalidateGraph();
}

void CCorrelatorDlg::PushSnapshot() {
    m_run->PushSnapshot();
    m_modelStale = true;
}

void CCorrelatorDlg::OnSnapshotStop() {
    PushSnapshot();
    StopSequence();
    InvalidateGraph();
}

void CCorrelatorDlg::OnSnapshotContinue() {
    PushSnapshot();
    if (!m_loop.Running()) OnResume();
    InvalidateGraph();
    m_loop.MarkRepainted();
}

// The current result is kept; the run starts again beside it.
void CCorrelatorDlg::OnSnapshotRestart() {
    PushSnapshot();
    const bool running = m_loop.Running();
    if (g_replay) RestartReplay(*m_run);
    else m_run->Reset();
    m_run->Clock().Clear();
    if (running) m_run->Clock().Start();
    else OnResume();
    InvalidateGraph();
    m_loop.MarkRepainted();
}

// A saved run's result beside the current one, when both have as many lags;
// otherwise the status line says why nothing changed.
void CCorrelatorDlg::OnOpenAsSnapshot() {
    const std::string name = ChooseRunFile();
    if (name.empty()) return;
    const std::string path = CConfiguration::DataFolder() + name;
    std::ifstream file = platform::OpenForRead(path);
    if (!PushSavedRunAsSnapshot(*m_run, file.is_open() ? &file : nullptr, CorrelationOptionsFromConfiguration())) {
        platform::DebugPrintf("OPEN AS SNAPSHOT: %s not taken\r\n", path.c_str());
        SetItemText(kIdStatusLine, m_text.snapshotMismatch);
        m_loop.HoldStatusLine(kMismatchHoldTicks);
    }
    InvalidateGraph();
}

// A new run in the same correlation, without its snapshots.
void CCorrelatorDlg::OnSnapshotReset() {
    if (m_loop.Running()) StopSequence();
    ShowTopBarIdle();
    m_loop.SetStartAllowed(true);
    OnReturn();
    ShowBareLabels();
    m_run->Reset();
    m_run->DropSnapshots();
    InvalidateGraph();
}

// ---- three-band view --------------------------------------------------------------

// Row buttons unchecked at full size, enlarge buttons hidden, equal panes.
void CCorrelatorDlg::ClearEnlargement() {
    for (int row = 1; row <= 3; ++row) {
        SetCheck(RowButtonId(row), 0);
        const QRect& full = m_rowButtonRects[static_cast<size_t>(row - 1)];
        if (QWidget* button = GetDlgItem(RowButtonId(row)); button && !full.isEmpty()) button->setGeometry(full);
        ShowItem(EnlargeButtonId(row), false);
    }
    m_enlargedRow = 0;
}

// The row's pane takes the graph's height (the others become strips), or
// the panes share it again when the row was the enlarged one.
void CCorrelatorDlg::OnRowButton(int row) {
    const bool wasEnlarged = row == m_enlargedRow && m_run->TraceCount() >= 2;
    ClearEnlargement();
    if (!wasEnlarged) {
        m_enlargedRow = row;
        SetCheck(RowButtonId(row), 1);
        QRect half = m_rowButtonRects[static_cast<size_t>(row - 1)];
        half.setLeft(half.left() + half.width() / 2);  // the enlarge button takes the left half
        if (QWidget* button = GetDlgItem(RowButtonId(row)); button && !half.isEmpty()) button->setGeometry(half);
        ShowItem(EnlargeButtonId(row), true);
    }
    InvalidateGraph();
}

// The run goes on with the row's band alone.
void CCorrelatorDlg::OnEnlargeButton(int row) {
    ClearEnlargement();
    ShowThreeBandButtons(false);
    m_run->CopyTrace(*m_run, 3 - row);
    EnableItem(kIdSnapshotOptions, true);
    RefreshLabels();
    InvalidateGraph();
}
