// app/CorrelatorDlgMenu.cpp — the menu bar's COMPUTE: the velocity computation
// screen (VELOCITY CALC and MATERIAL DATABASE are in CorrelatorDlgMaterials.cpp).

#include "app/CorrelatorDlg.h"
#include "platform/Debug.h"

namespace {

void NotYetAvailable(const char* command) {
    platform::DebugPrintf("%s: screen not available in this build\r\n", command);
}

}  // namespace

void CCorrelatorDlg::OnCompute() { NotYetAvailable("COMPUTE"); }
