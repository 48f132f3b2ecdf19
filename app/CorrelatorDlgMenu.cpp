// app/CorrelatorDlgMenu.cpp — the menu bar's COMPUTE (the velocity computation
// screen) and ABOUT; VELOCITY CALC and MATERIAL DATABASE are in
// CorrelatorDlgMaterials.cpp.

#include "app/CorrelatorDlg.h"
#include "app/RunSettings.h"
#include "screens/AboutDlg.h"
#include "screens/ComputeDialog.h"
#include "settings/Configuration.h"

namespace {

// The run stands still while a menu screen is open: no ticks, no stopwatch.
int RunPaused(CCorrelatorDlg& dlg, CCorrelation& run, CDialogBase& screen) {
    dlg.KillTimer(CCorrelatorDlg::kRunTimer);
    const bool counting = run.Clock().running;
    if (counting) run.Clock().Stop();
    const int result = dlg.RunChild(screen);
    if (counting) run.Clock().Start();
    dlg.SetTimer(CCorrelatorDlg::kRunTimer, CCorrelatorDlg::kTickMs);
    return result;
}

}  // namespace

// Each opening starts with no points; they are kept only by SAVE AS.
void CCorrelatorDlg::OnCompute() {
    CComputeDialog compute(this);
    compute.SetRunOptions(CorrelationOptionsFromConfiguration());
    RunPaused(*this, *m_run, compute);
}

// The about screen shows itself in normal colours and puts the operator's
// scheme back when it closes; no tick paints or saves meanwhile. Its status
// screen leads to the service page, which may have turned test mode on or off.
void CCorrelatorDlg::OnAbout() {
    CAboutDlg about(this);
    RunPaused(*this, *m_run, about);
    ShowItem(kIdX, g_configuration.testMode != 0);
}
