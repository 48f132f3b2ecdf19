#include "app/Gallery.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QApplication>
#include <QMouseEvent>
#include <cmath>
#include <random>
#include <QDir>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

#include "app/CorrelatorDlg.h"
#include "pipe/Materials.h"
#include "hardware/RadioLink.h"
#include "hardware/SensorHardware.h"
#include "screens/AboutDlg.h"
#include "screens/BadSignalDlg.h"
#include "screens/AdvancedConfigDialog.h"
#include "screens/ConfigurationDialog.h"
#include "screens/ComputeDialog.h"
#include "screens/ConfirmDeleteBox.h"
#include "screens/DatabaseDialog.h"
#include "screens/DbMaterialDialog.h"
#include "screens/DiameterDialog.h"
#include "screens/FileListDialog.h"
#include "screens/FilenameDialog.h"
#include "screens/InformationDialog.h"
#include "screens/LanguageDialog.h"
#include "screens/LengthDialog.h"
#include "screens/MaterialDialog.h"
#include "screens/ListenDialog.h"
#include "screens/MultiPipeDialog.h"
#include "screens/PowerDlg.h"
#include "screens/ProtectedSetup.h"
#include "screens/RestoreDefaultsDialog.h"
#include "screens/SpeedSoundDialog.h"
#include "screens/RadioSetupDlg.h"
#include "screens/SetBrightnessDialog.h"
#include "screens/SetClockDialog.h"
#include "screens/StatusDialog.h"
#include "screens/TouchTest.h"
#include "screens/FilterDialog.h"
#include "screens/SurveyDialog.h"
#include "dsp/Correlation.h"
#include "app/RunRules.h"
#include <cmath>
#include "settings/Configuration.h"
#include "settings/Language.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "ui/Resources.h"
#include "ui/KeyboardDialog.h"
#include "ui/PictureSet.h"

namespace {

struct GalleryScreen {
    const char* name;
    std::function<std::unique_ptr<CDialogBase>()> make;
    std::function<void(CDialogBase&)> prepare = {};  // after initialisation: what an operator did
};

// A section of a material slot's band as the entry chain makes it.
PipeSegment GallerySection(int slot, int band, float length, LengthUnit unit) {
    PipeSegment section;
    if (!g_materials) return section;
    section.SetMaterial(g_materials->Slot(slot).name);
    section.SetMaterialGroup(g_materials->Slot(slot).group);
    section.SetBand(g_materials->Slot(slot).bands[static_cast<size_t>(band)]);
    section.SetLength(length, unit);
    return section;
}

// A street main: ductile iron 150 mm, a PVC repair, then steel 250 mm.
CPipe GalleryPipe() {
    CPipe pipe(10000.0f);
    pipe.AddSection(GallerySection(0, 1, 120.0f, LengthUnit::Metres));
    pipe.AddSection(GallerySection(6, 6, 14.5f, LengthUnit::Metres));
    pipe.AddSection(GallerySection(2, 3, 86.0f, LengthUnit::Metres));
    return pipe;
}

void Press(CDialogBase& screen, std::initializer_list<int> ids) {
    for (int id : ids)
        if (auto* b = screen.Item<QAbstractButton>(id)) b->click();
}

// A pen stroke through the points, as a finger leaves it.
void Stroke(QWidget& screen, const std::vector<QPoint>& points) {
    const auto send = [&screen](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(at), screen.mapToGlobal(QPointF(at)), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&screen, &e);
    };
    send(QEvent::MouseButtonPress, points.front(), Qt::LeftButton);
    for (size_t i = 1; i < points.size(); ++i) send(QEvent::MouseMove, points[i], Qt::LeftButton);
    send(QEvent::MouseButtonRelease, points.back(), Qt::NoButton);
}

// Lets the program's hardware acquire until both level stores are full, so
// the listen screen shows live waveforms from the unit.
void FillLevelStores() {
    LevelOnlySink sink;
    SensorHardware& hw = Hardware();
    for (int tick = 0; tick < 40 && hw.LevelStore(1).SampleTotal() < CWave::kLevelWindow; ++tick) {
        const SamplingState s = hw.GetSamplingState();
        if (s == SamplingIdle || s == SamplingStalled || s == SamplingFinished) hw.StartSampling(sink);
        hw.ProcessSampleBlock(sink);
    }
}

// Pen down and up at a point of the screen.
void Touch(QWidget& screen, int x, int y) {
    const QPointF at(x, y);
    QMouseEvent down(QEvent::MouseButtonPress, at, screen.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent up(QEvent::MouseButtonRelease, at, screen.mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&screen, &down);
    QApplication::sendEvent(&screen, &up);
}

// A run on the gallery pipe with a leak 60 m from Red: Red and Blue hear one
// noise, Blue later by the leak's delay, each with its own sensor noise.
void RunWithLeakAt(CDialogBase& screen, float metresFromRed) {
    auto& main = static_cast<CCorrelatorDlg&>(screen);
    main.StartOnPipe(GalleryPipe());
    CCorrelation& run = main.Run();
    CPipe placed = run.Pipe();
    // The delay that puts the leak 60 m from Red: found on the pipe itself.
    float lo = -placed.GetTotalTime(DelayUnit::Seconds), hi = -lo;
    for (int i = 0; i < 40; ++i) {
        const float mid = (lo + hi) / 2;
        placed.SetDelay(mid, DelayUnit::Seconds);
        (placed.GetDistanceFromA(LengthUnit::Metres) < metresFromRed ? lo : hi) = mid;
    }
    const int32_t delay = static_cast<int32_t>(std::lround(-lo * run.SampleRate()));  // Blue behind Red
    constexpr int32_t kSamples = 40000;
    std::minstd_rand random(2016);
    std::normal_distribution<float> leak(0.0f, 300.0f), sensor(0.0f, 120.0f);
    std::vector<float> source(static_cast<size_t>(kSamples + std::abs(delay)));
    for (float& v : source) v = leak(random);
    std::vector<int16_t> red(kSamples), blue(kSamples);
    for (int32_t n = 0; n < kSamples; ++n) {
        red[static_cast<size_t>(n)] = static_cast<int16_t>(source[static_cast<size_t>(n + std::max(delay, 0))] + sensor(random));
        blue[static_cast<size_t>(n)] = static_cast<int16_t>(source[static_cast<size_t>(n + std::max(-delay, 0))] + sensor(random));
    }
    run.AddRedSamples(red.data(), kSamples);
    run.AddBlueSamples(blue.data(), kSamples);
    while (run.Correlate(1 << 20) > 0) {
    }
    run.Clock().Stop();
    run.Clock().accumulatedMs = 24000;
    main.ShowItem(kIdBadge, false);  // gone 5 s after start-up
    main.ShowResultsNow();
}

void RunWithLeak(CDialogBase& screen) { RunWithLeakAt(screen, 60.0f); }

// Two snapshots, the leak at 60 m and at 85 m, under a run that finds it at 70 m.
void RunWithSnapshots(CDialogBase& screen) {
    for (float metres : {60.0f, 85.0f}) {
        RunWithLeakAt(screen, metres);
        Press(screen, {kIdSnapshotOptions, kIdSnapshotStop});
    }
    RunWithLeakAt(screen, 70.0f);
    Press(screen, {kIdStop});
}

// The main screen and its run with multiFilter, which stays off otherwise.
std::unique_ptr<CDialogBase> ThreeTraceMain() {
    g_configuration.multiFilter = 1;
    auto screen = std::make_unique<CCorrelatorDlg>();
    g_configuration.multiFilter = 0;
    return screen;
}

void RunWithThreeTraces(CDialogBase& screen) {
    g_configuration.multiFilter = 1;
    RunWithLeak(screen);
    g_configuration.multiFilter = 0;
}

// A run whose stores hold what two stations on a leaking main hear: one
// band-limited leak noise (400-1200 Hz), 23 samples later at Blue, each with
// its own hiss, Red with 50 Hz hum and Blue with a 2.4 kHz whistle. Made once;
// the filter screens draw its spectrum.
CCorrelation& FilterGalleryRun(int traces) {
    static std::unique_ptr<CCorrelation> runs[2];
    std::unique_ptr<CCorrelation>& run = runs[traces > 1 ? 1 : 0];
    if (run) return *run;
    run = std::make_unique<CCorrelation>(500, 100, 100.0f, 1, 10000.0f);
    run->SetTraceCount(traces);
    constexpr int32_t kSamples = 8192, kDelay = 23;
    constexpr double kTwoPi = 6.283185307179586;
    CFilter leakBand;
    leakBand.SetBand(FilterBand{0.04f, 0.12f, false, 0, 0}, fir::kHann, 127);
    uint32_t seed = 20240611u;
    const auto noise = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int32_t>((seed >> 16) & 0x3FF) - 512;
    };
    std::vector<int16_t> leak(kSamples + kDelay), red(kSamples), blue(kSamples);
    for (int16_t& v : leak) v = leakBand.Execute(static_cast<int16_t>(3 * noise()));
    for (int32_t i = 0; i < kSamples; ++i) {
        const double t = i / 10000.0;
        red[static_cast<size_t>(i)] = static_cast<int16_t>(2 * leak[static_cast<size_t>(i)] + noise() / 3 +
                                                            std::lround(260 * std::sin(kTwoPi * 50 * t)));
        blue[static_cast<size_t>(i)] = static_cast<int16_t>(2 * leak[static_cast<size_t>(i + kDelay)] + noise() / 3 +
                                                             std::lround(120 * std::sin(kTwoPi * 2400 * t)));
    }
    run->AddRedSamples(red.data(), kSamples);
    run->AddBlueSamples(blue.data(), kSamples);
    if (traces > 1) {
        runrules::ApplyDefaultBands(*run);
    } else {
        const FilterBand band{0.03f, 0.2f, true, 0.095f, 0.105f};  // 300-2000 Hz without 950-1050 Hz
        run->RedFilter(0).SetBand(band);
        run->BlueFilter(0).SetBand(band);
    }
    return *run;
}

// The configuration a filter or survey screen opens with; put back by
// PutBackSettings once the gallery has initialised the screen.
ConfigurationRecord& SettingsBeforeScreen() {
    static ConfigurationRecord saved{};
    return saved;
}
void OpenWithSettings(const std::function<void(ConfigurationRecord&)>& change) {
    SettingsBeforeScreen() = g_configuration;
    change(g_configuration);
}
void PutBackSettings(CDialogBase&) {
    static_cast<ConfigurationRecord&>(g_configuration) = SettingsBeforeScreen();
}

// The filter screen on a gallery run, on the axis asked for.
std::unique_ptr<CDialogBase> GalleryFilterScreen(int traces, bool linear) {
    OpenWithSettings([linear](ConfigurationRecord& c) { c.linearFrequencyAxis = linear; });
    return std::make_unique<CFilterDialog>(FilterGalleryRun(traces));
}

// The survey screen with its captions in metres or feet.
std::unique_ptr<CDialogBase> GallerySurveyScreen(int unitSystem, int range, int preset) {
    OpenWithSettings([=](ConfigurationRecord& c) {
        c.unitSystem = unitSystem;
        c.surveyRange = range;
        c.surveyFilter = preset;
    });
    return std::make_unique<CSurveyDialog>();
}

// A folder of saved runs for the file screens, beside the data folder so
// that the operator's own runs are never touched; removed after the gallery.
constexpr const char* kGallerySamples = "\\NandFlash\\GallerySamples\\";

void PutSampleRuns() {
    struct Sample {
        const char* name;
        std::array<std::u16string, 5> info;
        int seconds;
    };
    const Sample samples[] = {
        {"HIGH ST 12.corr", {u"HIGH ST 12", u"HYDRANT TO VALVE", u"", u"", u"W-2291"}, 31},
        {"MAIN ST 4.corr", {u"MAIN ST 4", u"VALVE 12 TO HYDRANT 7", u"TRAFFIC NOISE", u"LEAK AT 60M", u"W-2304"}, 24},
        {"MARKET SQ.corr", {u"MARKET SQ", u"", u"", u"", u""}, 12},
        // A name as long as the name screen takes (40 characters).
        {"MAIN STREET VALVE 12 TO HYDRANT 7 RUN 04.corr",
         {u"MAIN STREET VALVE 12 TO HYDRANT 7 RUN 04", u"VALVE 12 TO HYDRANT 7", u"", u"", u"W-2305"}, 28},
        {"STATION RD 7.corr", {u"STATION RD 7", u"SERVICE PIPE", u"", u"", u"W-2310"}, 45},
    };
    platform::CreateDirectory(kGallerySamples);
    for (const Sample& sample : samples) {
        const std::string path = platform::JoinDevicePath(kGallerySamples, sample.name);
        if (platform::PathExists(path)) continue;
        auto run = CCorrelation::CreateStartupRun({});
        run->Pipe() = GalleryPipe();
        run->Info() = sample.info;
        const std::vector<int16_t> quiet(static_cast<size_t>(run->SampleRate()), 0);
        for (int s = 0; s < sample.seconds; ++s) {
            run->AddRedSamples(quiet.data(), static_cast<int32_t>(quiet.size()));
            run->AddBlueSamples(quiet.data(), static_cast<int32_t>(quiet.size()));
        }
        std::ofstream file = platform::OpenForWrite(path, true);
        run->Write(file);
    }
}

std::unique_ptr<CDialogBase> SampleFileName(const char* name) {
    auto screen = std::make_unique<CFilenameDialog>();
    screen->SetPrompt(LoadString(109));
    screen->SetExtension(QStringLiteral(".corr"));
    screen->SetFolder(kGallerySamples);
    screen->SetName(QString::fromLatin1(name));
    return screen;
}

// Four runs on one leak 70 m from Red on 1250 m/s pipe, the third an outlier
// the operator has left out.
std::unique_ptr<CDialogBase> GalleryComputeScreen() {
    const float ms = g_configuration.velocityPerMs == 1 ? 1000.0f : 1.0f;  // the screen's time unit
    Computation c;
    c.points.Append(120.0f, 0.0161f * ms);
    c.points.Append(160.0f, -0.0158f * ms);
    c.points.Append(200.0f, -0.0300f * ms, false);
    c.points.Append(240.0f, -0.0801f * ms);
    auto screen = std::make_unique<CComputeDialog>();
    screen->SetComputation(c);
    return screen;
}

// Every screen built so far; screens join as they land.
std::vector<GalleryScreen> Screens() {
    return {
        {"main", [] { return std::make_unique<CCorrelatorDlg>(); }},
        {"main-menu", [] { return std::make_unique<CCorrelatorDlg>(); },
         [](CDialogBase& screen) { Press(screen, {kIdMenu}); }},
        {"main-running", [] { return std::make_unique<CCorrelatorDlg>(); }, RunWithLeak},
        {"main-stopped", [] { return std::make_unique<CCorrelatorDlg>(); },
         [](CDialogBase& screen) {
             RunWithLeak(screen);
             Press(screen, {kIdStop});
         }},
        {"main-zoomed", [] { return std::make_unique<CCorrelatorDlg>(); },
         [](CDialogBase& screen) {
             RunWithLeak(screen);
             Press(screen, {kIdStop, kIdZoom, kIdZoomIn, kIdZoomIn});
         }},
        {"main-suppression", [] { return std::make_unique<CCorrelatorDlg>(); },
         [](CDialogBase& screen) {
             RunWithLeak(screen);
             Press(screen, {kIdStop, kIdPeakSuppress, kIdSetLeft});
             Touch(screen, 380, 200);
             Press(screen, {kIdSetRight});
             Touch(screen, 430, 200);
             static_cast<CCorrelatorDlg&>(screen).ShowResultsNow();
         }},
        {"main-snapshots", [] { return std::make_unique<CCorrelatorDlg>(); }, RunWithSnapshots},
        {"main-snapshot-refused", [] { return std::make_unique<CCorrelatorDlg>(); },
         [](CDialogBase& screen) {
             RunWithLeak(screen);
             screen.SetItemText(kIdStatusLine, LoadString(181));  // another pipe's run taken as a snapshot
         }},
        {"main-three-traces-enlarged", ThreeTraceMain,
         [](CDialogBase& screen) {
             RunWithThreeTraces(screen);
             Press(screen, {kIdRow1});
             static_cast<CCorrelatorDlg&>(screen).ShowResultsNow();
         }},
        {"main-three-traces", ThreeTraceMain, RunWithThreeTraces},
        {"bad-signal", [] { return std::make_unique<CBadSignalDlg>(); }},
        {"about", [] { return std::make_unique<CAboutDlg>(); }},
        {"configuration", [] { return std::make_unique<CConfigurationDialog>(Hardware(), Radio()); },
         [](CDialogBase& s) { Press(s, {CConfigurationDialog::kIdRedWithBase}); }},
        {"advanced-configuration", [] { return std::make_unique<CAdvancedConfigDialog>(); },
         [](CDialogBase& s) {
             Press(s, {CAdvancedConfigDialog::kIdImperial, CAdvancedConfigDialog::kIdMultiFilter,
                       CAdvancedConfigDialog::kIdSharpnessUp, CAdvancedConfigDialog::kIdSharpnessUp});
         }},
        {"language", [] { return std::make_unique<CLanguageDialog>(); }},
        {"language-check", [] { return std::make_unique<CLangCheckDlg>(); }},
        {"keyboard", [] { return std::make_unique<CKeyboardDialog>(QStringLiteral("ENTER SERIAL NUMBER"),
                                                                   QStringLiteral("A1234"), 39); }},
        {"pipe-material", [] {
             auto screen = std::make_unique<CMaterialDialog>();
             screen->SetPipe(GalleryPipe());
             screen->SetExistingOffered(true);
             return screen;
         }},
        {"pipe-diameter", [] {
             return std::make_unique<CDiameterDialog>(0, GallerySection(0, 0, 0.0f, LengthUnit::Metres), GalleryPipe());
         }},
        {"pipe-length", [] {
             return std::make_unique<CLengthDialog>(GallerySection(0, 1, 0.0f, LengthUnit::Metres), GalleryPipe());
         },
         [](CDialogBase& screen) {
             Press(screen, {CLengthDialog::kIdFirstDigit + 1, CLengthDialog::kIdFirstDigit + 2,
                            CLengthDialog::kIdFirstDigit + 0, CLengthDialog::kIdPoint,
                            CLengthDialog::kIdFirstDigit + 5});
         }},
        {"pipe-sections", [] { return std::make_unique<CMultiPipeDialog>(GalleryPipe()); }},
        // Speed of sound over the street main with a leak 60 m from a station,
        // and the material database: steel chosen, its velocity table, an
        // entry refused for its velocity of 0, a new entry, the question.
        {"speed-sound", [] { return std::make_unique<CSpeedSoundDialog>(GalleryPipe(), 0.0412f); },
         [](CDialogBase& screen) {
             Press(screen, {CSpeedSoundDialog::kIdFirstDigit + 6, CSpeedSoundDialog::kIdFirstDigit + 0});
         }},
        {"speed-sound-out-of-bracket", [] { return std::make_unique<CSpeedSoundDialog>(GalleryPipe(), 0.0412f); },
         [](CDialogBase& screen) { Press(screen, {CSpeedSoundDialog::kIdOutOfBracket}); }},
        {"material-database", [] { return std::make_unique<CDbMaterialDialog>(); },
         [](CDialogBase& screen) { Press(screen, {CDbMaterialDialog::kIdFirstMaterial + 2}); }},
        {"velocity-table", [] { return std::make_unique<CDatabaseDialog>(2); },
         [](CDialogBase& screen) { Press(screen, {CDatabaseDialog::kIdDown, CDatabaseDialog::kIdDown}); }},
        {"velocity-table-refused", [] { return std::make_unique<CDatabaseDialog>(2); },
         [](CDialogBase& screen) {
             Press(screen, {CDatabaseDialog::kIdEditEntry, CDatabaseDialog::kIdFirstFieldEdit + CDatabaseDialog::kVelocity,
                            CDatabaseDialog::kIdClear, CDatabaseDialog::kIdFirstDigit, CDatabaseDialog::kIdAcceptEntry});
         }},
        {"velocity-table-new", [] { return std::make_unique<CDatabaseDialog>(2); },
         [](CDialogBase& screen) {
             Press(screen, {CDatabaseDialog::kIdNewEntry, CDatabaseDialog::kIdFirstDigit + 1,
                            CDatabaseDialog::kIdFirstDigit + 5, CDatabaseDialog::kIdEnter});
         }},
        {"restore-defaults", [] { return std::make_unique<CRestoreDefaultsDialog>(); }},
        {"listen", [] { return std::make_unique<CListenDialog>(Hardware(), Radio()); },
         [](CDialogBase& screen) {
             FillLevelStores();
             Press(screen, {CListenDialog::kLeftIds[1], CListenDialog::kRightIds[2]});
             static_cast<CListenDialog&>(screen).Refresh();
         }},
        {"status", [] { return std::make_unique<CStatusDialog>(Hardware(), Radio()); },
         [](CDialogBase& screen) { static_cast<CStatusDialog&>(screen).Refresh(); }},
        {"power", [] { return std::make_unique<CPowerDlg>(Hardware()); }},
        {"service", [] { return std::make_unique<CProtectedSetup>(Hardware(), Radio()); }},
        {"radio-setup", [] { return std::make_unique<CRadioSetupDlg>(); },
         [](CDialogBase& screen) {
             Press(screen, {CRadioSetupDlg::kChannelKeys[1], CRadioSetupDlg::kChannelKeys[2],
                            CRadioSetupDlg::kFrequencyKeys[4], CRadioSetupDlg::kFrequencyKeys[4],
                            CRadioSetupDlg::kFrequencyKeys[7]});
         }},
        {"brightness", [] { return std::make_unique<CSetBrightnessDialog>(Hardware()); }},
        {"clock", [] { return std::make_unique<CSetClockDialog>(); }},
        {"touch-test", [] { return std::make_unique<CTouchTest>(); },
         [](CDialogBase& screen) {
             Stroke(screen, {QPoint(180, 150), QPoint(230, 190), QPoint(300, 210), QPoint(360, 260)});
         }},
        {"filter", [] { return GalleryFilterScreen(1, false); }, [](CDialogBase& s) { PutBackSettings(s); }},
        {"filter-linear", [] { return GalleryFilterScreen(1, true); },
         [](CDialogBase& s) {
             PutBackSettings(s);
             Press(s, {CFilterDialog::kIdSetNotch});
         }},
        {"filter-three-sets", [] { return GalleryFilterScreen(3, false); },
         [](CDialogBase& s) {
             PutBackSettings(s);
             Press(s, {CFilterDialog::kIdSelectSet});
         }},
        {"filter-three-sets-linear", [] { return GalleryFilterScreen(3, true); },
         [](CDialogBase& s) {
             PutBackSettings(s);
             Press(s, {CFilterDialog::kIdSelectSet, CFilterDialog::kIdFilterSet2});
         }},
        {"survey", [] { return GallerySurveyScreen(0, 2, 1); }, [](CDialogBase& s) { PutBackSettings(s); }},
        {"survey-feet", [] { return GallerySurveyScreen(1, 1, 3); }, [](CDialogBase& s) { PutBackSettings(s); }},
        {"information", [] {
             auto screen = std::make_unique<CInformationDialog>();
             screen->SetTexts({u"MAIN ST 4", u"VALVE 12 TO HYDRANT 7", u"TRAFFIC NOISE", u"", u"W-2304"});
             return screen;
         },
         [](CDialogBase& screen) {
             Press(screen, {CInformationDialog::kIdNext, CInformationDialog::kIdNext, CInformationDialog::kIdNext,
                            CTextKeypadDialog::KeyOf('L'), CTextKeypadDialog::KeyOf('E'), CTextKeypadDialog::KeyOf('A'),
                            CTextKeypadDialog::KeyOf('K')});
         }},
        {"file-name", [] { return SampleFileName("MAIN ST"); },
         [](CDialogBase& screen) { Press(screen, {CTextKeypadDialog::kIdNumeric}); }},
        {"file-name-overwrite", [] {
             PutSampleRuns();
             return SampleFileName("MAIN ST 4");
         },
         [](CDialogBase& screen) { Press(screen, {CTextKeypadDialog::kIdEnter}); }},
        {"file-list", [] {
             PutSampleRuns();
             auto screen = std::make_unique<CFileListDialog>();
             screen->SetPattern(std::string(kGallerySamples) + "*.corr");
             return screen;
         },
         // The 40-character name chosen, below a short one.
         [](CDialogBase& screen) { Press(screen, {CFileListDialog::kIdSelectDown, CFileListDialog::kIdSelectDown}); }},
        {"confirm-delete", [] { return std::make_unique<CConfirmDeleteBox>(); }},
        {"compute", GalleryComputeScreen,
         [](CDialogBase& screen) { Press(screen, {CComputeDialog::kIdSelectNext}); }},
    };
}

// Shows a screen without its modal loop long enough to grab it.
QPixmap Render(CDialogBase& screen) {
    screen.show();
    QPixmap picture = screen.grab();
    screen.hide();
    return picture;
}

// The saved pictures of a three-band run with its middle row enlarged, taken
// from the inverted screen, and of a survey run over the medium range.
int WriteThreeBandAndSurveyPictures(const QString& folder, const QString& code) {
    int written = 0;
    g_configuration.colourScheme = 1;
    ReloadPictures();
    {
        auto screen = ThreeTraceMain();
        screen->InitForDisplay();
        auto& main = static_cast<CCorrelatorDlg&>(*screen);
        RunWithThreeTraces(main);
        Press(main, {kIdStop, kIdRow2});
        const QString file = QStringLiteral("%1/run-picture-three-bands-%2.png").arg(folder, code);
        if (main.RunPictureNow(QStringLiteral("MAIN ST 4.corr")).save(file, "PNG")) ++written;
    }
    g_configuration.colourScheme = 0;
    ReloadPictures();
    CCorrelatorDlg main;
    main.InitForDisplay();
    RunWithLeak(main);
    Press(main, {kIdStop});
    main.Run().Pipe().Clear();
    main.Run().Pipe().SetSurveyRange(kSurveyMedium);
    main.ShowResultsNow();
    const QString file = QStringLiteral("%1/run-picture-survey-%2.png").arg(folder, code);
    if (main.RunPictureNow(QStringLiteral("SURVEY 1.corr")).save(file, "PNG")) ++written;
    return written;
}

// The picture SAVE keeps beside a run, in English and in each language whose
// pack is installed; the configuration is put back as it was.
int WriteRunPictures(const QString& folder) {
    const CConfiguration kept = g_configuration;
    int written = 0;
    for (std::u16string_view code : {u"ENG", u"DEU", u"FAS"}) {
        if (code != u"ENG" && !LanguagePackPresent(code)) continue;
        SetLanguage(code);
        CCorrelatorDlg main;
        main.InitForDisplay();
        RunWithLeak(main);
        Press(main, {kIdStop});
        main.Run().Info() = {u"MAIN ST 4", u"VALVE 12 TO HYDRANT 7", u"TRAFFIC NOISE", u"", u"W-2304"};
        const QString file = QStringLiteral("%1/run-picture-%2.png").arg(folder, QString::fromStdU16String(std::u16string(code)));
        if (main.RunPictureNow(QStringLiteral("MAIN ST 4.corr")).save(file, "PNG")) ++written;
        written += WriteThreeBandAndSurveyPictures(folder, QString::fromStdU16String(std::u16string(code)));
    }
    SetLanguage(kept.Language().empty() ? u"ENG" : kept.Language());
    g_configuration = kept;
    g_configuration.Save();
    return written;
}

}  // namespace

int WriteGallery(const QString& folder) {
    if (!QDir().mkpath(folder)) return -1;
    const int savedScheme = g_configuration.colourScheme;
    // The screens speak the configured language, and the material screens
    // need a table when the program has not made one.
    if (!g_configuration.Language().empty()) SetLanguage(g_configuration.Language());
    std::unique_ptr<CMaterials> ownMaterials;
    if (!g_materials) {
        ownMaterials = std::make_unique<CMaterials>();
        ownMaterials->Load();
        g_materials = ownMaterials.get();
    }
    int written = 0;
    for (int scheme : {0, 1}) {
        g_configuration.colourScheme = scheme;
        ReloadPictures();
        for (const GalleryScreen& s : Screens()) {
            g_configuration.colourScheme = scheme;  // a screen may switch it while shown
            auto screen = s.make();
            screen->InitForDisplay();
            if (s.prepare) s.prepare(*screen);
            const QString file = QStringLiteral("%1/%2-%3-%4.png")
                                     .arg(folder)
                                     .arg(screen->TemplateId())
                                     .arg(s.name, scheme ? "inverted" : "normal");
            if (Render(*screen).save(file, "PNG")) ++written;
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(platform::HostPath(kGallerySamples), ignored);
    g_configuration.colourScheme = savedScheme;
    ReloadPictures();
    written += WriteRunPictures(folder);
    if (ownMaterials) g_materials = nullptr;
    return written;
}
