#include "app/CorrelatorApp.h"

#include "app/AppHooks.h"
#include "app/CorrelatorDlg.h"
#include "app/StartupSteps.h"
#include "platform/Registry.h"
#include "settings/Configuration.h"

namespace {
void Call(const std::function<void()>& hook) {
    if (hook) hook();
}
}  // namespace

CCorrelatorApp::~CCorrelatorApp() { Call(AppHooks().destroyMaterials); }

bool CCorrelatorApp::InitInstance() {
    StartupHooks& hooks = AppHooks();
    startup::PrepareDevice(g_configuration);  // clock, calibration, time zone, files, data folder
    Call(hooks.startHardware);
    Call(hooks.applyLanguage);
    Call(hooks.createMaterials);
    startup::SetProfileKey();

    if (hooks.isExternalSupplyAtStart && hooks.isExternalSupplyAtStart()) {
        Call(hooks.showPowerScreen);
        platform::RegFlush(platform::Hive::LocalMachine);
    }
    if (g_configuration.Language().empty()) Call(hooks.showLanguageScreen);

    {
        CCorrelatorDlg dlg;
        m_mainResult = dlg.DoModal();
        platform::RegFlush(platform::Hive::LocalMachine);
    }
    return false;
}
