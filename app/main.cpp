// The correlator program. Options:
//   --root DIR          the unit's flash on this host
//   --unit virtual|none the virtual unit (default), or a unit whose devices all
//                       fail to open
//   --scenario FILE     the virtual unit's world; else scenario.txt in the unit
//                       root, else the built-in field case
//   --script FILE       drive the screens from a script (ui/ScriptRunner.h)
//   --gallery DIR       render every screen to PNG files and end
//   --speed N           the unit's clock, the virtual unit's sampling and the
//                       screens' timers run N times faster (1-50, default 1)
// Qt's own options such as "-platform offscreen" are taken as usual.

#include <QApplication>
#include <QFont>
#include <cstdio>
#include <optional>

#include "app/CorrelatorApp.h"
#include "app/Gallery.h"
#include "app/ProgramHooks.h"
#include "app/ScaledClock.h"
#include "platform/Clock.h"
#include "ui/DialogBase.h"
#include "platform/DeviceIo.h"
#include "platform/Paths.h"
#include "screens/AboutDlg.h"
#include "screens/MaterialDialog.h"
#include "hardware/SensorHardware.h"
#include "settings/Configuration.h"
#include "sim/VirtualUnit.h"
#include "ui/ScriptRunner.h"

namespace {

struct Options {
    QString root;
    QString unit = QStringLiteral("virtual");
    QString scenario;
    QString script;
    QString gallery;
    int speed = 1;
};

bool ParseOptions(const QStringList& args, Options& o) {
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (i + 1 >= args.size()) {
            std::fprintf(stderr, "correlator: %s needs a value\n", qPrintable(a));
            return false;
        }
        if (a == "--root") o.root = args[++i];
        else if (a == "--unit") o.unit = args[++i];
        else if (a == "--scenario") o.scenario = args[++i];
        else if (a == "--script") o.script = args[++i];
        else if (a == "--gallery") o.gallery = args[++i];
        else if (a == "--speed") {
            bool ok = false;
            o.speed = args[++i].toInt(&ok);
            if (!ok || o.speed < 1 || o.speed > ScaledClock::kMaxSpeed) {
                std::fprintf(stderr, "correlator: --speed takes 1 to %d\n", ScaledClock::kMaxSpeed);
                return false;
            }
        }
        else {
            std::fprintf(stderr, "correlator: unknown option %s\n", qPrintable(a));
            return false;
        }
    }
    return true;
}

// The devices the program drives: the virtual unit, or none at all.
bool InstallUnit(const Options& o) {
    if (o.unit == "none") {
        platform::SetDeviceProvider(std::make_shared<platform::NullDeviceProvider>());
        return true;
    }
    if (o.unit != "virtual") {
        std::fprintf(stderr, "correlator: unknown unit %s (virtual or none)\n", qPrintable(o.unit));
        return false;
    }
    try {
        sim::InstallVirtualUnit(sim::LoadUnitScenario(o.scenario.toStdString()));
    } catch (const sim::ScenarioError& e) {
        std::fprintf(stderr, "correlator: %s\n", e.what());
        return false;
    }
    return true;
}

// Screens a script opens by name. "pipe-entry": the material, diameter and
// length chain as START runs it, on a pipe kept from one opening to the next
// and offered for reuse once it has a section.
void RegisterScriptScreens() {
    ScriptRunner::RegisterScreen(QStringLiteral("pipe-entry"), [](QWidget* parent) {
        static CPipe pipe(10000.0f);
        CMaterialDialog screen(parent);
        screen.SetPipe(pipe);
        screen.SetExistingOffered(true);
        if (screen.DoModal() == kResultOk && !screen.SurveyChosen()) pipe = screen.Pipe();
    });
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    Options options;
    if (!ParseOptions(QApplication::arguments(), options)) return 2;

    // The faster clock goes in before the virtual unit starts pacing by it.
    ScaledClock scaledClock(platform::GetClock(), options.speed);
    std::optional<platform::ScopedClock> fasterClock;
    if (options.speed > 1) fasterClock.emplace(scaledClock);
    CDialogBase::SetTimeScale(options.speed);

    if (!options.root.isEmpty()) platform::SetUnitRoot(options.root.toStdString());
    if (!InstallUnit(options)) return 2;

    // The global records load once the unit root is known, before the application runs.
    LoadGlobalRecords();
    g_configuration.Save();
    InstallProgramHooks();
    CAboutDlg::PlatformVersion() = [] { return QString::fromStdString(Hardware().GetOsVersionText()); };

    if (!options.gallery.isEmpty()) {
        const int written = WriteGallery(options.gallery);
        std::printf("gallery: %d pictures in %s\n", written, qPrintable(options.gallery));
        return written > 0 ? 0 : 1;
    }

    if (!options.script.isEmpty()) {
        RegisterScriptScreens();
        QString error;
        if (!ScriptRunner::Start(options.script, &error)) {
            std::fprintf(stderr, "correlator: %s\n", qPrintable(error));
            return 2;
        }
    }
    {
        CCorrelatorApp app;
        app.InitInstance();
    }
    return ScriptRunner::Failed() ? 3 : 0;
}
