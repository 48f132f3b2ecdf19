#include "app/ProgramHooks.h"

#include <memory>

#include "app/AppHooks.h"
#include "app/UnitCareHooks.h"
#include "hardware/UserActivity.h"
#include "screens/LanguageDialog.h"
#include "settings/Configuration.h"
#include "settings/Language.h"
#include "ui/Controls.h"
#include "ui/QtDimTimer.h"
#include "ui/Resources.h"

void InstallProgramHooks() {
    InstallFontSubstitutes();
    InstallLanguageHooks();
    static QtDimTimer dimTimer;
    SetDimTimer(&dimTimer);

    StartupHooks& hooks = AppHooks();
    hooks.applyLanguage = [] { SetLanguage(g_configuration.Language()); };
    hooks.showLanguageScreen = [] {
        CLanguageDialog screen;
        screen.DoModal();
    };
    InstallUnitCareHooks();
}
