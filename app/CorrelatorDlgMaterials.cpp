// app/CorrelatorDlgMaterials.cpp — the menu bar's VELOCITY CALC (speed of sound
// from a known leak position) and MATERIAL DATABASE.

#include "app/CorrelatorDlg.h"
#include "platform/Debug.h"

namespace {

void NotYetAvailable(const char* command) {
    platform::DebugPrintf("%s: screen not available in this build\r\n", command);
}

}  // namespace

void CCorrelatorDlg::OnVelocityCalc() { NotYetAvailable("VELOCITY CALC"); }
void CCorrelatorDlg::OnMaterialDatabase() { NotYetAvailable("MATERIAL DATABASE"); }
