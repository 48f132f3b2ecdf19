// The correlator program: its options are in kUsage below ("correlator --help").
// Qt's own options such as "-platform offscreen" are taken as usual. Without
// a display (no DISPLAY or WAYLAND_DISPLAY) and no platform chosen, a script
// or a gallery draws the screens offscreen; anything else is refused with
// the advice to choose "-platform offscreen", as is a display that cannot be
// opened.
// A bare --scenario name ("long_main") that is no file here names one of the
// scenarios shipped in ../share/correlator/scenarios/ beside the program's
// folder; the language packs shipped in ../share/correlator/lang/ are put on
// a unit that lacks them (app/StartupSteps.h).
// Exit status: 0 done, 1 no gallery picture written, 2 bad options or
// scenario, or no display, 3 a script failed, 10 the operator chose EXIT TO
// UPGRADE, or the status of a script's "quit". A script that runs out of
// commands ends the program when no display shows it, and leaves it to the
// operator otherwise.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/CorrelatorApp.h"
#include "app/StartupSteps.h"
#include "app/Gallery.h"
#include "app/ProgramHooks.h"
#include "platform/Clock.h"
#include "ui/DialogBase.h"
#include "platform/DeviceIo.h"
#include "platform/Paths.h"
#include "platform/Version.h"
#include "screens/AboutDlg.h"
#include "screens/ConfigurationDialog.h"
#include "hardware/RadioLink.h"
#include "screens/SetClockDialog.h"
#include "app/CorrelatorDlg.h"
#include "screens/FileListDialog.h"
#include "screens/FilenameDialog.h"
#include "screens/InformationDialog.h"
#include "screens/FilterDialog.h"
#include "screens/DbMaterialDialog.h"
#include "screens/MaterialDialog.h"
#include "screens/SpeedSoundDialog.h"
#include "screens/SurveyDialog.h"
#include "hardware/CorrelationInput.h"
#include "hardware/SensorHardware.h"
#include "settings/Configuration.h"
#include "sim/VirtualUnit.h"
#ifdef CORRELATOR_HAVE_AUDIO
#include "audio/AudioUnit.h"
#endif
#include "ui/Resources.h"
#include "ui/ScriptRunner.h"
#include "ui/UnitTime.h"

namespace {

// A wrapper script runs the upgrade when the program ends with this status.
constexpr int kExitUpgrade = 10;
constexpr int kExitBadStart = 2;

constexpr const char* kUsage =
    "usage: correlator [-platform offscreen] [OPTIONS]\n"
    "  --root DIR            the unit's flash on this host\n"
    "  --unit virtual|none|audio[:DEVICE[@RATE]]\n"
    "                        the virtual unit (default), a unit whose devices all fail\n"
    "                        to open, or a two-channel audio capture device (Red left,\n"
    "                        Blue right) as the converter\n"
    "  --scenario FILE       the virtual unit's world; else scenario.txt in the unit\n"
    "                        root, else the built-in field case\n"
    "  --script FILE         drive the screens from a script\n"
    "  --gallery DIR         render every screen to PNG files and end\n"
    "  --speed N             run up to N times faster than real time on virtual time\n"
    "                        (1-50, default 1)\n"
    "  --help                this text\n"
    "  --version             the software version\n"
    "Qt's own options are taken as usual; -platform offscreen runs without a display.\n";

constexpr const char* kNoDisplayAdvice = "use -platform offscreen to run without one\n";

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
            if (!ok || o.speed < 1 || o.speed > VirtualTime::kMaxSpeed) {
                std::fprintf(stderr, "correlator: --speed takes 1 to %d\n", VirtualTime::kMaxSpeed);
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

// What an installed program ships beside its folder: /usr/share/correlator
// for /usr/bin/correlator. A build folder has none.
QDir ShippedFolder() {
    return QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/correlator"));
}

// A scenario named without a folder that is no file here is one of the
// shipped samples, with or without its ".txt".
QString ScenarioPath(const QString& scenario) {
    if (scenario.isEmpty() || scenario.contains('/') || QFileInfo::exists(scenario)) return scenario;
    const QString name = scenario.endsWith(QStringLiteral(".txt")) ? scenario : scenario + QStringLiteral(".txt");
    const QString sample = ShippedFolder().filePath(QStringLiteral("scenarios/") + name);
    return QFileInfo::exists(sample) ? sample : scenario;
}

// The devices the program drives: the virtual unit, or none at all.
bool InstallUnit(const Options& o) {
    if (o.unit == "none") {
        platform::SetDeviceProvider(std::make_shared<platform::NullDeviceProvider>());
        return true;
    }
#ifdef CORRELATOR_HAVE_AUDIO
    if (o.unit == "audio" || o.unit.startsWith("audio:")) {
        audio::CaptureRequest request;
        std::string error;
        try {
            if (!audio::ParseUnitOption(o.unit.toStdString(), request, error)) throw audio::CaptureError(error);
            audio::InstallAudioUnit(request);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "correlator: %s\n", e.what());
            return false;
        }
        return true;
    }
#endif
    if (o.unit != "virtual") {
        std::fprintf(stderr, "correlator: unknown unit %s (virtual, none or audio[:DEVICE])\n", qPrintable(o.unit));
        return false;
    }
    try {
        sim::InstallVirtualUnit(sim::LoadUnitScenario(ScenarioPath(o.scenario).toStdString()));
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
    // "speed-sound": the speed of sound over 200 m with a delay of 20 ms, on a
    // pipe that keeps an applied velocity; "material-database": the database.
    ScriptRunner::RegisterScreen(QStringLiteral("speed-sound"), [](QWidget* parent) {
        static CPipe pipe = [] {
            PipeSegment section;
            section.SetMaterial(u"DUCTILE IRON");
            section.SetVelocity(1250.0f);
            section.SetLength(200.0f, LengthUnit::Metres);
            CPipe p(10000.0f);
            p.AddSection(section);
            return p;
        }();
        CSpeedSoundDialog screen(pipe, 0.02f, parent);
        if (screen.DoModal() == kResultOk) pipe = screen.Pipe();
    });
    ScriptRunner::RegisterScreen(QStringLiteral("material-database"), [](QWidget* parent) {
        CDbMaterialDialog screen(parent);
        screen.DoModal();
    });
    // The keeping-runs screens: the information texts kept between openings,
    // a name for a ".corr" file in the data folder, the run file list.
    ScriptRunner::RegisterScreen(QStringLiteral("information"), [](QWidget* parent) {
        static CInformationDialog::Texts texts;
        CInformationDialog screen(parent);
        screen.SetTexts(texts);
        if (screen.DoModal() == kResultOk) texts = screen.GetTexts();
    });
    ScriptRunner::RegisterScreen(QStringLiteral("file-name"), [](QWidget* parent) {
        CFilenameDialog screen(parent);
        screen.SetPrompt(LoadString(109));
        screen.SetExtension(QStringLiteral(".corr"));
        screen.DoModal();
    });
    ScriptRunner::RegisterScreen(QStringLiteral("file-list"), [](QWidget* parent) {
        CFileListDialog screen(parent);
        screen.SetPattern("*.corr");
        screen.DoModal();
    });
    // "filters": the filter screen over a run of its own that the virtual
    // unit fills while the screen is open; "survey": the survey configuration,
    // whose custom settings open the same filter screen.
    static CCorrelation filterRun(500, 100, 100.0f, 1, 10000.0f);
    ScriptRunner::RegisterScreen(QStringLiteral("filters"), [](QWidget* parent) {
        const UnitTicker feed(100, [] {
            ProcessSampleBlock(Hardware(), filterRun);
            const SamplingState s = Hardware().GetSamplingState();
            if (s == SamplingIdle || s == SamplingStalled || s == SamplingFinished) StartSampling(Hardware(), filterRun);
        });
        CFilterDialog screen(filterRun, parent);
        screen.DoModal();
    });
    // "configuration": the setup screens as SETUP opens them, over the same run.
    ScriptRunner::RegisterScreen(QStringLiteral("configuration"), [](QWidget* parent) {
        CFilterDialog filters(filterRun, parent);
        CConfigurationDialog screen(Hardware(), Radio(), parent);
        screen.SetFilterScreen(&filters);
        screen.DoModal();
    });
    ScriptRunner::RegisterScreen(QStringLiteral("survey"), [](QWidget* parent) {
        CFilterDialog filters(filterRun, parent);
        CSurveyDialog screen(parent);
        screen.SetFilterScreen(&filters);
        screen.DoModal();
    });
}

// --help and --version answer before Qt starts, so that they work without a display.
std::optional<int> AnswerBeforeQt(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--version") {
            std::printf("correlator %s\n", kSoftwareVersion);
            return 0;
        }
    }
    return std::nullopt;
}

bool HasOption(int argc, char** argv, const char* name) {
    const size_t length = std::strlen(name);
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i][0] == '-' && argv[i][1] == '-' ? argv[i] + 1 : argv[i];  // Qt takes -x and --x alike
        if (std::strcmp(arg, name) == 0 || (std::strncmp(arg, name, length) == 0 && arg[length] == '=')) return true;
    }
    return false;
}

// Without a display the window system's plugin would end the program before
// it starts. A script or a gallery, which end on their own, draw offscreen as
// with "-platform offscreen"; anything else would run unseen and is refused.
bool ChooseDisplay(int argc, char** argv) {
    if (HasOption(argc, argv, "-platform")) return true;
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (!qEnvironmentVariableIsEmpty(name)) return true;
    if (HasOption(argc, argv, "-script") || HasOption(argc, argv, "-gallery")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return true;
    }
    std::fprintf(stderr, "correlator: no display (DISPLAY and WAYLAND_DISPLAY are not set): %s", kNoDisplayAdvice);
    return false;
}

// While QApplication starts: a display that cannot be opened ends the program
// with the advice above instead of the platform plugin's fatal message; the
// plugin's warnings are held back and passed on once the start succeeds.
QtMessageHandler g_qtHandler = nullptr;
std::vector<std::pair<QtMsgType, std::string>> g_heldMessages;

void StartMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        const QByteArray display = qgetenv("DISPLAY");
        std::fprintf(stderr, "correlator: the display%s%s cannot be opened: %s", display.isEmpty() ? "" : " ",
                     display.constData(), kNoDisplayAdvice);
        std::fflush(stderr);
        std::_Exit(kExitBadStart);
    }
    if (context.category && std::string_view(context.category).starts_with("qt.qpa.")) {
        g_heldMessages.emplace_back(type, text.toStdString());
        return;
    }
    if (g_qtHandler) g_qtHandler(type, context, text);
    else std::fprintf(stderr, "%s\n", qPrintable(text));
}

void EndStartMessages() {
    qInstallMessageHandler(g_qtHandler);
    for (const auto& [type, text] : g_heldMessages) {
        if (type == QtWarningMsg) qWarning("%s", text.c_str());
        else if (type == QtCriticalMsg) qCritical("%s", text.c_str());
    }
    g_heldMessages.clear();
}

// The program itself; main only adds the last line of defence.
int RunProgram(int argc, char** argv) {
    if (const auto answered = AnswerBeforeQt(argc, argv)) return *answered;
    if (!ChooseDisplay(argc, argv)) return kExitBadStart;
    g_qtHandler = qInstallMessageHandler(StartMessages);
    QApplication qapp(argc, argv);
    EndStartMessages();
    Options options;
    if (!ParseOptions(QApplication::arguments(), options)) return kExitBadStart;

    // Faster than real time, the program runs on virtual time (ui/UnitTime.h),
    // installed before the virtual unit starts pacing by the unit's clock.
    std::optional<VirtualTime> virtualTime;
    if (options.speed > 1) virtualTime.emplace(options.speed);

    if (!options.root.isEmpty()) platform::SetUnitRoot(options.root.toStdString());
    startup::InstallShippedLanguagePacks(ShippedFolder().filePath(QStringLiteral("lang")).toStdString());
    if (!InstallUnit(options)) return 2;

    // The global records load once the unit root is known, before the application runs.
    LoadGlobalRecords();
    g_configuration.Save();
    InstallProgramHooks();
    CAboutDlg::PlatformVersion() = [] { return QString::fromStdString(Hardware().GetOsVersionText()); };
    // A clock reset to before 2010 is set on the clock screen before the main screen works.
    CCorrelatorDlg::ClockScreen() = [](QWidget* parent) {
        CSetClockDialog screen(parent);
        screen.DoModal();
    };

    if (!options.gallery.isEmpty()) {
        const int written = WriteGallery(options.gallery);
        std::printf("gallery: %d pictures in %s\n", written, qPrintable(options.gallery));
        return written > 0 ? 0 : 1;
    }

    if (!options.script.isEmpty()) {
        RegisterScriptScreens();
        QString error;
        const auto atEnd = ScriptRunner::WithoutDisplay() ? ScriptRunner::AtEnd::Quit : ScriptRunner::AtEnd::Stay;
        if (!ScriptRunner::Start(options.script, &error, atEnd)) {
            std::fprintf(stderr, "correlator: %s\n", qPrintable(error));
            return 2;
        }
    }
    {
        CCorrelatorApp app;
        app.InitInstance();
    }
    if (ScriptRunner::Failed()) return 3;
    if (const auto status = ScriptRunner::QuitStatus()) return *status;
    return g_upgradeRequested ? kExitUpgrade : 0;
}

}  // namespace

// An error nothing foresaw ends the program with its message and status 4,
// never with an abort.
int main(int argc, char** argv) {
    try {
        return RunProgram(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "correlator: %s\n", e.what());
        return 4;
    }
}
