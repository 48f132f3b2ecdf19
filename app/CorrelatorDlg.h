#pragma once
// app/CorrelatorDlg.h — the main screen (template 102): the command bars, the
// run's state and commands, the run loop's 100 ms timer and the correlation
// graph.
//
// The screen is split by concern:
//   CorrelatorDlg.cpp          construction, initialisation, bars and state
//   CorrelatorDlgCommands.cpp  START, STOP, RESUME, RESET and the other commands
//   CorrelatorDlgRun.cpp       the timer driving RunLoop and what the loop shows
//   CorrelatorDlgFilters.cpp   FILTERS and the legend touches, SURVEY, LISTEN
//   CorrelatorDlgFiles.cpp     SAVE, OPEN and INFO
//   CorrelatorDlgSetup.cpp     SETUP and the codes its screens pass up
//   GraphView.cpp              the paint of the result panel, touches, zoom and
//                              peak suppression
// Commands whose screens come later (COMPUTE, VELOCITY CALC, MATERIAL
// DATABASE, the snapshot bar) have their
// buttons, bars and enabling here and leave the run as it is.

#include <QImage>
#include <QRect>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/RunLoop.h"
#include "app/RunView.h"
#include "app/GraphView.h"
#include "dsp/Correlation.h"
#include "pipe/Pipe.h"
#include "ui/DialogBase.h"

class CFilterDialog;
class RadioLink;
class SensorHardware;

// Control identifiers of the main screen.
enum MainControl {
    // top bar
    kIdStart = 1015,
    kIdStop = 1018,
    kIdResume = 1019,
    kIdSurvey = 1054,
    kIdReset = 1076,
    kIdSnapshotOptions = 1061,
    kIdSetup = 1055,
    kIdFile = 1052,
    kIdMenu = 1056,
    // bottom bars
    kIdListen = 1057,
    kIdFilters = 1058,
    kIdAutoCursor = 1059,
    kIdZoom = 1060,
    kIdPeakSuppress = 1053,
    kIdSave = 1062,
    kIdOpen = 1063,
    kIdInfo = 1064,
    kIdReturn = 1065,
    kIdSnapshotMode = 1073,
    kIdCompute = 1017,
    kIdVelocityCalc = 1180,
    kIdOptimiseFilters = 1081,
    kIdMaterialDatabase = 1075,
    kIdAbout = 1082,  // the about screen (the unit's window has no system menu)
    kIdZoomIn = 1066,
    kIdZoomOut = 1067,
    kIdFullPipeView = 1068,
    kIdZoomMax = 1069,
    kIdSetLeft = 1016,
    kIdSetRight = 1070,
    kIdApplySuppression = 1071,
    kIdRemoveSuppression = 1072,
    kIdSnapshotContinue = 1074,
    kIdSnapshotRestart = 1077,
    kIdSnapshotStop = 1078,
    kIdOpenAsSnapshot = 1079,
    kIdSnapshotReset = 1080,  // on the snapshot bar's template, shown by no bar
    // three-band view: rows 1, 2, 3 from the top and their enlarge buttons
    kIdRow3 = 1000,
    kIdRow2 = 1001,
    kIdRow1 = 1002,
    kIdEnlarge1 = 1003,
    kIdEnlarge2 = 1004,
    kIdEnlarge3 = 1005,
    // status
    kIdContrast = 1006,
    kIdStationAPicture = 1219,
    kIdStationBPicture = 1220,
    kIdFilterLabel = 1165,
    kIdPipeLabel = 1166,
    kIdElapsedLabel = 1167,
    kIdSnrLabel = 1168,
    kIdSnrIcon = 1171,
    kIdDistanceA = 1169,
    kIdDistanceB = 1170,
    kIdStatusLine = 1238,
    kIdPleaseWait = 1239,
    kIdBadge = 1248,
    kIdRadioRed = 1254,
    kIdRadioBlue = 1255,
    kIdBattery = 1256,
    kIdRunningIcon = 1332,
    kIdStallIcon = 1333,
    kIdX = 1087,
    // Not in the template: a hidden label holding the delay text the paint
    // draws under the cursor, so that scripts and tests can read it.
    kIdCursorDelayText = 1340,
};

// The interaction modes of the graph's touches.
enum class GraphMode { None = 0, ZoomBar = 1, SuppressionBar = 2, SetLeft = 3, SetRight = 4 };

// The graph area the paint owns; the bands around it are erased to the
// background colour.
constexpr QRect kGraphArea(24, 91, 607 - 24, 315 - 91);

// The four background bands around the graph: above y = 91, left of x = 24
// (84 with more than one trace, room for the three-band buttons), right of
// x = 607, below y = 315.
std::array<QRect, 4> BackgroundBands(int traceCount);

// 1 at power-up and after RESET; cleared by the filter screen when the
// operator sets bands. While set, START gives every trace its default band.
extern int g_defaultBands;
// Tick count another screen animates the running picture from while not 0;
// STOP clears it.
extern uint32_t g_runningAnimationTick;
// Set when the setup screens closed with EXIT TO UPGRADE: the program ends
// after the badge flash and tells its caller so (main.cpp's exit status).
extern bool g_upgradeRequested;

// A configured station code as the pipe takes it; an unknown code is the Base.
inline StationCode StationFromCode(int32_t code) {
    return IsStationCode(code) ? static_cast<StationCode>(code) : StationCode::Base;
}

// A number-bearing value kept left to right after a prefix in either reading
// direction ("0-2500Hz", "12.0s", "25:1" stay whole on a Persian screen).
QString LeftToRight(const QString& value);

class CCorrelatorDlg : public CDialogBase, private RunView {
    Q_OBJECT
public:
    // On the program's hardware and radio link (Hardware(), Radio()).
    explicit CCorrelatorDlg(QWidget* parent = nullptr);
    // On a given hardware and radio link, which outlive the screen (tests).
    CCorrelatorDlg(SensorHardware& hardware, RadioLink& radio, QWidget* parent = nullptr);
    ~CCorrelatorDlg() override;

    int TraceCount() const { return m_run->TraceCount(); }
    const std::vector<std::string>& SelfTestFailures() const { return m_selfTestFailures; }

    // ---- inspection (tests, gallery) -------------------------------------------
    CCorrelation& Run() { return *m_run; }
    const CCorrelation& Run() const { return *m_run; }
    RunLoop& Loop() { return m_loop; }
    CPipe& MainPipe() { return m_mainPipe; }
    GraphMode Mode() const { return m_mode; }
    bool ResultsChanged() const { return m_resultsChanged; }
    bool PipeEntryPending() const { return m_pipeEntryPending; }
    int EnlargedRow() const { return m_enlargedRow; }
    // The filter screen FILTERS and the legend touches open (created at the
    // first opening; it keeps the set last shown between openings).
    CFilterDialog& FilterScreen();
    float CursorDelay() const { return m_cursorDelay; }
    // One run-loop tick as the 100 ms timer gives it.
    void TickNow() { OnTimer(kRunTimer); }

    // The run the screen shows is started on `pipe` without the pipe-entry
    // screens, as START does after them (gallery, tests, demos).
    void StartOnPipe(const CPipe& pipe);
    // The result labels and the graph as the next paint shows them, now.
    void ShowResultsNow();
    // After a settings screen closed: X by test mode, the station pair and
    // the correlation options from the configuration.
    void ApplySettings();

    // ---- keeping runs (CorrelatorDlgFiles.cpp) ------------------------------------
    // SAVE after its screens: the run file and recording through temporaries,
    // then the two pictures, under stem (a usable name without extension) in
    // the data folder. One result per file: .corr, _corr.wav, _corr.png, _corr.jpg.
    std::array<bool, 4> SaveRunAs(const std::string& stem);
    // OPEN after the file list: the run in the data folder's file name
    // (with its extension) replaces the current one as a stopped replay.
    void OpenRunFile(const std::string& name);
    // The file list over the data folder's runs: the chosen name, or empty.
    std::string ChooseRunFile();
    // The saved picture of the run as it is now, under file name (800 x 600,
    // normal colours whatever the screen's scheme).
    QImage RunPictureNow(const QString& fileName);
    const QString& RunTitle() const { return m_runTitle; }

    // The clock screen, run at initialisation when the clock reads a year
    // before 2010; installed by the program once that screen exists.
    static std::function<void(QWidget* parent)>& ClockScreen();

    static constexpr int kRunTimer = 1;
    static constexpr int kTickMs = 100;

protected:
    void OnInitDialog() override;
    void OnTimer(int id) override;
    void OnPaint(QPainter& painter) override;
    void OnPenDown(QPoint at) override;
    void OnPenMove(QPoint at) override;
    void OnPenUp(QPoint at) override;
    QRegion EraseRegion() const override;
    void showEvent(QShowEvent* event) override;

private:
    void Construct();
    void BindCommands();
    void RunSelfTests();
    void ShowSelfTestFailures();
    void LoadPrefixes();
    static std::unique_ptr<CCorrelation> NewRun();
    void ShowPictures();
    void ShowStationPictures();
    void ShowBadgePicture();

    // ---- bars and state (CorrelatorDlg.cpp) ------------------------------------
    void HideBottomBars();
    void ShowBar(std::initializer_list<int> ids);
    void ShowMainBar();
    void ShowTopBarIdle();
    void ShowThreeBandButtons(bool show);
    void ShowRunningBars(int traceCount);
    void EnableStartCommands(bool enabled) override;
    void RefreshLabels();
    void ShowBareLabels();
    void InvalidateGraph();

    // ---- commands (CorrelatorDlgCommands.cpp), one per control ------------------
    void OnStart();
    void OnStop();
    void OnResume();
    void OnReset();
    void OnSurvey();
    void OnSetup();
    void OnFile();
    void OnMenu();
    void OnSnapshotOptions();
    void OnReturn();
    void OnZoom();
    void OnPeakSuppress();
    void OnSetLeft();
    void OnSetRight();
    void OnApplySuppression();
    void OnRemoveSuppression();
    void OnAutoCursor();
    void OnListen();
    void OnFilters();
    void OnInfo();
    void OnSave();
    void OnOpen();
    void OnCompute();
    void OnVelocityCalc();
    void OnMaterialDatabase();
    void OnAbout();
    void OnOptimiseFilters();
    // ---- snapshots and the three-band view (CorrelatorDlgSnapshots.cpp) ----------
    void OnSnapshotMode();
    void OnSnapshotContinue();
    void OnSnapshotRestart();
    void OnSnapshotStop();
    void OnOpenAsSnapshot();
    void OnSnapshotReset();
    void OnRowButton(int row);
    void OnEnlargeButton(int row);
    void ClearEnlargement();
    void PushSnapshot();
    void OnContrast();
    void OnX();
    // The sequences the commands share.
    bool ReceptionCheck();
    void StopSequence();
    void BeginRun();
    void StartSurveyRun();
    int RunConfigurationScreen();
    // FILTERS (trace -1: the set last shown) and a touch on trace k's legend.
    void OpenFilterScreen(int trace);

    // ---- graph (GraphView.cpp) ----------------------------------------------------
    void OnZoomIn();
    void OnZoomOut();
    void OnFullPipeView();
    void OnZoomMax();
    void ApplyZoom(int which);
    void PaintGraph(QPainter& painter);
    void BuildGraphModel();
    void InvalidatePanel();
    void UpdateResultTexts();
    // "SNR:" and the value with its quality icon; 0 shows "---" and no icon.
    void ShowSnr(float snr);
    // Nothing correlated yet (averages restarted, a run just opened): "SNR:
    // ---" without its icon, no distances, the elapsed time the stopwatch has.
    void ShowEmptyResults();
    void SetSuppressionFromTouch(float a, float b);
    float DelayAtPixel(int x) const;

    // ---- RunView (CorrelatorDlgRun.cpp) ----------------------------------------
    void ShowStatusLine(StatusMessage message) override;
    void ShowConverterFault(std::string_view text) override;
    void ShowStallIcon(bool shown) override;
    void HidePleaseWait() override;
    void ShowBadge(bool shown) override;
    void EndProgram(int32_t result) override;
    void ShowRadioIcons(const RadioIcons& icons) override;
    void ShowBattery(const PowerStatus& status) override;
    void ShowElapsed(std::u16string_view value) override;
    void InvalidateArea(const ScreenArea& area) override;
    void CursorMovedToPeak(float delaySeconds) override;
    void AutoStop() override;
    void ShowOptimising(int32_t percent) override;
    void OptimisationApplied() override;
    void EnableOptimiseCommand(bool enabled) override;

    SensorHardware& m_hw;
    RadioLink& m_radio;
    RunLoop m_loop;
    std::unique_ptr<CCorrelation> m_run;
    CPipe m_mainPipe;
    std::vector<std::string> m_selfTestFailures;
    bool m_failuresShown = false;
    std::unique_ptr<CFilterDialog> m_filterScreen;

    // Status prefixes and fixed texts from the string table.
    struct Prefixes {
        QString pipe, filter, multiple, snr, outOfBracket, centre, survey, optimising, testMode,
            osOutOfDate, elapsed, snapshotMismatch;
    } m_text;

    GraphMode m_mode = GraphMode::None;
    bool m_pipeEntryPending = true;  // RESET: the next START does not offer the pipe held
    bool m_resultsChanged = false;
    bool m_autoStopPending = false;
    int m_enlargedRow = 0;
    float m_cursorDelay = 0;     // s
    QString m_runTitle;
    // Peak-suppression limits, s, and whether each has been set.
    float m_suppressLeft = 0, m_suppressRight = 0;
    bool m_suppressLeftSet = false, m_suppressRightSet = false;
    float m_dragStart = 0;
    bool m_dragging = false;
    int m_legendWidth = 0;
    std::array<QRect, 3> m_legendRects{};
    std::array<QRect, 3> m_rowButtonRects{};  // rows 1-3 at full size
    GraphModel m_model;        // what the last rebuild found; partial repaints reuse it
    bool m_modelStale = true;  // the graph was invalidated: rebuild at the next paint
};
