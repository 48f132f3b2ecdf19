// app/CorrelatorDlgMenu.cpp — the menu bar's COMPUTE (the velocity computation
// screen) and ABOUT; VELOCITY CALC and MATERIAL DATABASE are in
// CorrelatorDlgMaterials.cpp.

#include "app/CorrelatorDlg.h"
#include "app/RunPaused.h"
#include "app/RunSettings.h"
#include "screens/AboutDlg.h"
#include "screens/ComputeDialog.h"
#include "settings/Configuration.h"

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
