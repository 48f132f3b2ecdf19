// app/CorrelatorDlgSetup.cpp — SETUP: the configuration screen and what its
// result does to the main screen.

#include "app/CorrelatorDlg.h"
#include "screens/ConfigurationDialog.h"
#include "screens/FilterDialog.h"

bool g_upgradeRequested = false;

// The survey screen's custom settings (two screens down) open a filter screen
// on the run and its sample stores, made for this opening only.
int CCorrelatorDlg::RunConfigurationScreen() {
    CFilterDialog filters(*m_run, this);
    CConfigurationDialog setup(m_hw, m_radio, this);
    setup.SetFilterScreen(&filters);
    return setup.DoModal();
}

// A language chosen or an upgrade asked for: the badge shows for a moment and
// the program ends (RunLoop's badge flash closes this screen with 1032).
void CCorrelatorDlg::OnSetup() {
    const int result = RunConfigurationScreen();
    if (IsPassedUp(result)) {
        if (result == kResultUpgrade) g_upgradeRequested = true;
        m_loop.StartBadgeFlash();
        return;
    }
    ApplySettings();
}
