// app/CorrelatorDlgMaterials.cpp — the menu bar's VELOCITY CALC (speed of sound
// from a known leak position) and MATERIAL DATABASE.

#include "app/CorrelatorDlg.h"
#include "app/RunPaused.h"
#include "screens/DbMaterialDialog.h"
#include "screens/SpeedSoundDialog.h"

// APPLY sets the first section's velocity of the run's pipe, and of the pipe
// the next START offers, so that reusing the definition keeps the measurement.
void CCorrelatorDlg::OnVelocityCalc() {
    CSpeedSoundDialog screen(m_run->Pipe(), m_cursorDelay, this);
    if (RunPaused(*this, *m_run, screen) != kResultOk || m_run->Pipe().GetSectionCount() == 0) return;
    m_run->Pipe().GetSection(0).SetVelocity(screen.Velocity());
    if (!m_pipeEntryPending && m_mainPipe.GetSectionCount() > 0) m_mainPipe.GetSection(0).SetVelocity(screen.Velocity());
    if (m_loop.Running() || m_run->SamplesCorrelated() > 0) RefreshLabels();
    InvalidatePanel();
}

void CCorrelatorDlg::OnMaterialDatabase() {
    CDbMaterialDialog screen(this);
    RunPaused(*this, *m_run, screen);
}
