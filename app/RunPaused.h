#pragma once
// app/RunPaused.h — a menu screen opened over the main screen: the run loop
// and the stopwatch rest while it is open, so the screen reads the run as it
// was when opened.

#include "app/CorrelatorDlg.h"

// Runs screen modally over dlg with the run standing still; returns its result.
inline int RunPaused(CCorrelatorDlg& dlg, CCorrelation& run, CDialogBase& screen) {
    dlg.KillTimer(CCorrelatorDlg::kRunTimer);
    const bool counting = run.Clock().running;
    if (counting) run.Clock().Stop();
    const int result = dlg.RunChild(screen);
    if (counting) run.Clock().Start();
    dlg.SetTimer(CCorrelatorDlg::kRunTimer, CCorrelatorDlg::kTickMs);
    return result;
}
