// app/CorrelatorDlgSetup.cpp — SETUP: the configuration screen and what its
// result does to the main screen.

#include "app/CorrelatorDlg.h"
#include "platform/Debug.h"

// The configuration screen is not built yet: nothing was changed.
int CCorrelatorDlg::RunConfigurationScreen() {
    platform::DebugPrintf("SETUP: screen not available in this build\r\n");
    return kResultCancel;
}

void CCorrelatorDlg::OnSetup() {
    const int result = RunConfigurationScreen();
    if (IsPassedUp(result)) {
        m_loop.StartBadgeFlash();
        return;
    }
    ApplySettings();
}
