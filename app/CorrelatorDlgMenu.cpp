// app/CorrelatorDlgMenu.cpp — the menu bar's COMPUTE: the velocity computation
// screen (VELOCITY CALC and MATERIAL DATABASE are in CorrelatorDlgMaterials.cpp).

#include "app/CorrelatorDlg.h"
#include "app/RunSettings.h"
#include "screens/ComputeDialog.h"

// The run stands still while the screen is open: no ticks, no stopwatch. Each
// opening starts with no points; they are kept only by SAVE AS.
void CCorrelatorDlg::OnCompute() {
    KillTimer(kRunTimer);
    const bool counting = m_run->Clock().running;
    if (counting) m_run->Clock().Stop();
    CComputeDialog compute(this);
    compute.SetRunOptions(CorrelationOptionsFromConfiguration());
    RunChild(compute);
    if (counting) m_run->Clock().Start();
    SetTimer(kRunTimer, kTickMs);
}
