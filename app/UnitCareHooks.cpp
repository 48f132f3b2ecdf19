#include "app/UnitCareHooks.h"

#include "app/AppHooks.h"
#include "hardware/RadioLink.h"
#include "hardware/SensorHardware.h"
#include "hardware/UnitCare.h"
#include "screens/AboutDlg.h"
#include "screens/ListenDialog.h"
#include "screens/PowerDlg.h"
#include "screens/ProtectedSetup.h"
#include "screens/SetBrightnessDialog.h"
#include "screens/SetClockDialog.h"
#include "screens/StatusDialog.h"
#include "screens/TouchTest.h"
#include "ui/ScriptRunner.h"
#include "ui/UnitTime.h"

namespace {

void OpenListenSampling(QWidget* parent) {
    SensorHardware& hw = Hardware();
    LevelOnlySink sink;
    const UnitTicker sampler(unitcare::ListenCountdown::kTickMs, [&hw, &sink] {
        if (g_replay) return;
        hw.ProcessSampleBlock(sink);
        const SamplingState s = hw.GetSamplingState();
        if (s == SamplingIdle || s == SamplingStalled || s == SamplingFinished) hw.StartSampling(sink);
    });
    CListenDialog screen(hw, Radio(), parent);
    screen.DoModal();
}

}  // namespace

void InstallUnitCareHooks() {
    AppHooks().showPowerScreen = [] {
        CPowerDlg screen(Hardware());
        screen.DoModal();
    };
    CAboutDlg::ShowStatus() = [](QWidget* parent) { ShowStatusScreen(parent); };

    ScriptRunner::RegisterScreen(QStringLiteral("status"), [](QWidget* parent) { ShowStatusScreen(parent); });
    ScriptRunner::RegisterScreen(QStringLiteral("listen"), &OpenListenSampling);
    ScriptRunner::RegisterScreen(QStringLiteral("service"), [](QWidget* parent) {
        RunServiceEntry(Hardware(), Radio(), parent);
    });
    ScriptRunner::RegisterScreen(QStringLiteral("clock"), [](QWidget* parent) {
        CSetClockDialog screen(parent);
        screen.DoModal();
    });
    ScriptRunner::RegisterScreen(QStringLiteral("brightness"), [](QWidget* parent) {
        CSetBrightnessDialog screen(Hardware(), parent);
        screen.DoModal();
    });
    ScriptRunner::RegisterScreen(QStringLiteral("touch-test"), [](QWidget* parent) {
        CTouchTest screen(parent);
        screen.DoModal();
    });
}
