// app/CorrelatorDlg.cpp — the main screen's construction, initialisation,
// command bars and labels.

#include "app/CorrelatorDlg.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QTimer>

#include "app/GraphLayout.h"
#include "app/ModuleSelfTests.h"
#include "app/RunRules.h"
#include "app/RunSettings.h"
#include "hardware/RadioLink.h"
#include "hardware/SensorHardware.h"
#include "hardware/UserActivity.h"
#include "platform/Clock.h"
#include "screens/FilterDialog.h"
#include "settings/Configuration.h"
#include "ui/BmpButton.h"
#include "ui/FancyButton.h"
#include "ui/PictureSet.h"
#include "ui/Resources.h"

namespace {

constexpr int kTemplateMain = 102;
constexpr int kLeftEdgeSingle = 24;
constexpr int kLeftEdgeMulti = 84;
constexpr uint16_t kFirstGoodYear = 2010;

// Status prefixes and fixed texts.
constexpr int kStrPipe = 195, kStrFilter = 194, kStrMultiple = 186, kStrSnr = 197, kStrOutOfBracket = 183,
              kStrCentre = 182, kStrSurvey = 141, kStrOptimising = 203, kStrTestMode = 198, kStrOsOutOfDate = 202,
              kStrElapsed = 196, kStrSnapshotMismatch = 181;

// Every bottom-bar button, RETURN and OPTIMISE FILTERS included.
constexpr int kBottomButtons[] = {
    kIdListen, kIdFilters, kIdAutoCursor, kIdZoom, kIdPeakSuppress, kIdSave, kIdOpen, kIdInfo, kIdReturn,
    kIdCompute, kIdVelocityCalc, kIdOptimiseFilters, kIdMaterialDatabase, kIdAbout, kIdZoomIn, kIdZoomOut,
    kIdFullPipeView, kIdZoomMax, kIdSetLeft, kIdSetRight, kIdApplySuppression, kIdRemoveSuppression,
    kIdSnapshotContinue, kIdSnapshotRestart, kIdSnapshotStop, kIdOpenAsSnapshot};

// Badge pictures by factory serial, branding and language.
int BadgePicture(const std::u16string& serial, int32_t branding, const std::u16string& language) {
    const bool q = !serial.empty() && serial[0] == u'Q';
    if (branding == 1) return q ? 265 : 266;
    if (language == u"FAS") return q ? 264 : 263;
    return q ? 260 : 262;
}

}  // namespace

int g_defaultBands = 1;
uint32_t g_runningAnimationTick = 0;

std::array<QRect, 4> BackgroundBands(int traceCount) {
    const int left = traceCount > 1 ? kLeftEdgeMulti : kLeftEdgeSingle;
    const int top = kGraphArea.top(), bottom = kGraphArea.top() + kGraphArea.height();
    const int right = kGraphArea.left() + kGraphArea.width();
    return {QRect(0, 0, kScreenWidth, top),
            QRect(0, top, left, bottom - top),
            QRect(right, top, kScreenWidth - right, bottom - top),
            QRect(0, bottom, kScreenWidth, kScreenHeight - bottom)};
}

QString LeftToRight(const QString& value) {
    if (value.isEmpty()) return value;
    return QChar(0x2066) + value + QChar(0x2069);  // left-to-right isolate ... pop
}

CCorrelatorDlg::CCorrelatorDlg(QWidget* parent) : CCorrelatorDlg(Hardware(), Radio(), parent) {}

CCorrelatorDlg::CCorrelatorDlg(SensorHardware& hardware, RadioLink& radio, QWidget* parent)
    : CDialogBase(kTemplateMain, parent), m_hw(hardware), m_radio(radio), m_loop(hardware, radio, *this),
      m_mainPipe(static_cast<float>(kUnitSampleRate)) {
    Construct();
    BindCommands();
}

CCorrelatorDlg::~CCorrelatorDlg() = default;

// Prefixes, the live correlation with its trace count, the station pair
// (Red and Blue when the lines detect nothing and a station is unset), the
// module self-tests.
void CCorrelatorDlg::Construct() {
    // The graph runs from Red on the left to Blue on the right in every
    // language: its row buttons and the result panel below it, between the
    // stations at its ends and drawn with its cells, stay in place.
    KeepPlace({kIdRow1, kIdRow2, kIdRow3, kIdEnlarge1, kIdEnlarge2, kIdEnlarge3, kIdStationAPicture,
               kIdStationBPicture, kIdDistanceA, kIdDistanceB, kIdSnrIcon, kIdFilterLabel, kIdPipeLabel,
               kIdElapsedLabel, kIdSnrLabel});
    LoadPrefixes();
    auto* delayText = new QLabel(this);
    delayText->setObjectName(QStringLiteral("ctl%1").arg(kIdCursorDelayText));
    delayText->hide();
    m_run = NewRun();
    if ((g_configuration.stationA == 0 || g_configuration.stationB == 0) && m_hw.DetectSensorType() == 0) {
        g_configuration.stationA = static_cast<int32_t>(StationCode::Red);
        g_configuration.stationB = static_cast<int32_t>(StationCode::Blue);
    }
    m_run->Pipe().SetStations(StationFromCode(g_configuration.stationA), StationFromCode(g_configuration.stationB));
    RunSelfTests();
}

std::unique_ptr<CCorrelation> CCorrelatorDlg::NewRun() {
    auto run = CCorrelation::CreateStartupRun(CorrelationOptionsFromConfiguration());
    run->SetTraceCount(g_configuration.multiFilter ? 3 : 1);
    return run;
}

void CCorrelatorDlg::LoadPrefixes() {
    const QString blank = QStringLiteral(" ");
    m_text = {LoadString(kStrPipe) + blank,
              LoadString(kStrFilter) + blank,
              LoadString(kStrMultiple),
              LoadString(kStrSnr) + blank,
              LoadString(kStrOutOfBracket),
              LoadString(kStrCentre),
              LoadString(kStrSurvey),
              LoadString(kStrOptimising),
              LoadString(kStrTestMode),
              LoadString(kStrOsOutOfDate),
              LoadString(kStrElapsed) + blank,
              LoadString(kStrSnapshotMismatch)};
}

// The message map: one handler per control, named after it.
void CCorrelatorDlg::BindCommands() {
    OnCommand(kIdStart, [this] { OnStart(); });
    OnCommand(kIdStop, [this] { OnStop(); });
    OnCommand(kIdResume, [this] { OnResume(); });
    OnCommand(kIdReset, [this] { OnReset(); });
    OnCommand(kIdSurvey, [this] { OnSurvey(); });
    OnCommand(kIdSetup, [this] { OnSetup(); });
    OnCommand(kIdFile, [this] { OnFile(); });
    OnCommand(kIdMenu, [this] { OnMenu(); });
    OnCommand(kIdSnapshotOptions, [this] { OnSnapshotOptions(); });
    OnCommand(kIdReturn, [this] { OnReturn(); });
    OnCommand(kIdZoom, [this] { OnZoom(); });
    OnCommand(kIdPeakSuppress, [this] { OnPeakSuppress(); });
    OnCommand(kIdZoomIn, [this] { OnZoomIn(); });
    OnCommand(kIdZoomOut, [this] { OnZoomOut(); });
    OnCommand(kIdFullPipeView, [this] { OnFullPipeView(); });
    OnCommand(kIdZoomMax, [this] { OnZoomMax(); });
    OnCommand(kIdSetLeft, [this] { OnSetLeft(); });
    OnCommand(kIdSetRight, [this] { OnSetRight(); });
    OnCommand(kIdApplySuppression, [this] { OnApplySuppression(); });
    OnCommand(kIdRemoveSuppression, [this] { OnRemoveSuppression(); });
    OnCommand(kIdAutoCursor, [this] { OnAutoCursor(); });
    OnCommand(kIdListen, [this] { OnListen(); });
    OnCommand(kIdFilters, [this] { OnFilters(); });
    OnCommand(kIdInfo, [this] { OnInfo(); });
    OnCommand(kIdSave, [this] { OnSave(); });
    OnCommand(kIdOpen, [this] { OnOpen(); });
    OnCommand(kIdCompute, [this] { OnCompute(); });
    OnCommand(kIdVelocityCalc, [this] { OnVelocityCalc(); });
    OnCommand(kIdMaterialDatabase, [this] { OnMaterialDatabase(); });
    OnCommand(kIdAbout, [this] { OnAbout(); });
    OnCommand(kIdOptimiseFilters, [this] { OnOptimiseFilters(); });
    OnCommand(kIdSnapshotMode, [this] { OnSnapshotMode(); });
    OnCommand(kIdSnapshotContinue, [this] { OnSnapshotContinue(); });
    OnCommand(kIdSnapshotRestart, [this] { OnSnapshotRestart(); });
    OnCommand(kIdSnapshotStop, [this] { OnSnapshotStop(); });
    OnCommand(kIdOpenAsSnapshot, [this] { OnOpenAsSnapshot(); });
    OnCommand(kIdSnapshotReset, [this] { OnSnapshotReset(); });
    const std::array<int, 3> rows{kIdRow1, kIdRow2, kIdRow3}, enlarge{kIdEnlarge1, kIdEnlarge2, kIdEnlarge3};
    for (int row = 1; row <= 3; ++row) {
        OnCommand(rows[row - 1], [this, row] { OnRowButton(row); });
        OnCommand(enlarge[row - 1], [this, row] { OnEnlargeButton(row); });
    }
    OnCommand(kIdContrast, [this] { OnContrast(); });
    OnCommandAlways(kIdX, [this] { OnX(); });
}

// Initialisation after the framework's own.
void CCorrelatorDlg::OnInitDialog() {
    if (auto* x = Item<CBmpButton>(kIdX)) x->LoadBitmaps(kPictureCloseNormal, kPictureClosePressed);
    EnableItem(kIdSnapshotOptions, m_run->TraceCount() == 1);
    SetCheck(kIdAutoCursor, 1);
    m_run->View().cursorOnPeak = 1;
    m_run->Pipe().SetStations(StationFromCode(g_configuration.stationA), StationFromCode(g_configuration.stationB));
    ShowPictures();
    m_loop.ShowIndicators(*m_run);  // the real battery and reception from the first frame
    ShowThreeBandButtons(g_configuration.multiFilter != 0);
    ShowItem(kIdX, g_configuration.testMode != 0);
    SetItemText(kIdStatusLine, g_configuration.testMode ? m_text.testMode : QString());
    ShowBareLabels();
    SetTimer(kRunTimer, kTickMs);
    ReportUserActivity();
    ShowBadgePicture();
    if (platform::GetSystemTime().year < kFirstGoodYear && ClockScreen()) ClockScreen()(this);
    for (int row = 0; row < 3; ++row)
        if (QWidget* button = GetDlgItem(kIdRow1 - row)) m_rowButtonRects[static_cast<size_t>(row)] = button->geometry();
    EnableStartCommands(m_loop.StartCommandsEnabled());
}

std::function<void(QWidget*)>& CCorrelatorDlg::ClockScreen() {
    static std::function<void(QWidget*)> screen;
    return screen;
}

void CCorrelatorDlg::ShowBadgePicture() {
    if (auto* badge = Item<QLabel>(kIdBadge))
        badge->setPixmap(Picture(BadgePicture(g_factory.Serial(), g_configuration.branding,
                                              g_configuration.Language())));
    ShowItem(kIdBadge, true);
}

// The pictures of the current colour scheme.
void CCorrelatorDlg::ShowPictures() {
    ShowStationPictures();
    if (auto* stall = Item<QLabel>(kIdStallIcon)) stall->setPixmap(Picture(196));
    if (auto* running = Item<QLabel>(kIdRunningIcon)) running->setPixmap(Picture(RunningFramePicture(0)));
    for (int id : {kIdRadioRed, kIdRadioBlue})
        if (auto* radio = Item<QLabel>(id); radio && radio->pixmap().isNull()) radio->setPixmap(Picture(SignalBarsPicture(0)));
    if (auto* battery = Item<QLabel>(kIdBattery); battery && battery->pixmap().isNull())
        battery->setPixmap(Picture(BatteryBarsPicture(0)));
}

void CCorrelatorDlg::ShowStationPictures() {
    if (auto* a = Item<QLabel>(kIdStationAPicture)) a->setPixmap(Picture(StationPicture(g_configuration.stationA)));
    if (auto* b = Item<QLabel>(kIdStationBPicture)) b->setPixmap(Picture(StationPicture(g_configuration.stationB)));
}

void CCorrelatorDlg::RunSelfTests() { m_selfTestFailures = RunModuleSelfTests(); }

void CCorrelatorDlg::showEvent(QShowEvent* event) {
    CDialogBase::showEvent(event);
    if (!m_failuresShown && !m_selfTestFailures.empty()) {
        m_failuresShown = true;
        QTimer::singleShot(0, this, [this] { ShowSelfTestFailures(); });
    }
}

// Each failure in its own box; start-up goes on after them.
void CCorrelatorDlg::ShowSelfTestFailures() {
    for (const std::string& text : m_selfTestFailures)
        QMessageBox::critical(this, QStringLiteral("Self test"), QString::fromStdString(text));
}

// The graph area is the paint's own; only the bands around it are erased.
QRegion CCorrelatorDlg::EraseRegion() const {
    QRegion region;
    for (const QRect& band : BackgroundBands(m_run->TraceCount())) region += band;
    return region;
}

// ---- bars -------------------------------------------------------------------------

void CCorrelatorDlg::HideBottomBars() {
    for (int id : kBottomButtons) ShowItem(id, false);
}

void CCorrelatorDlg::ShowBar(std::initializer_list<int> ids) {
    HideBottomBars();
    for (int id : ids) ShowItem(id, true);
}

void CCorrelatorDlg::ShowMainBar() { ShowBar({kIdListen, kIdFilters, kIdAutoCursor, kIdZoom, kIdPeakSuppress}); }

// Idle: START and SURVEY; STOP, RESUME and RESET hidden.
void CCorrelatorDlg::ShowTopBarIdle() {
    for (int id : {kIdStop, kIdResume, kIdReset}) ShowItem(id, false);
    for (int id : {kIdStart, kIdSurvey}) ShowItem(id, true);
}

void CCorrelatorDlg::ShowThreeBandButtons(bool show) {
    for (int id : {kIdRow1, kIdRow2, kIdRow3}) ShowItem(id, show);
    for (int id : {kIdEnlarge1, kIdEnlarge2, kIdEnlarge3}) ShowItem(id, false);
}

// START, SURVEY and RESUME follow the loop's rule.
void CCorrelatorDlg::EnableStartCommands(bool enabled) {
    for (int id : {kIdStart, kIdSurvey, kIdResume}) EnableItem(id, enabled);
}

// Filter and pipe labels from the run.
void CCorrelatorDlg::RefreshLabels() {
    const CCorrelation& run = *m_run;
    const std::u16string band = run.RedFilter(0).BandText(run.SampleRate(), LoadFilterWords());
    const float velocity = run.Pipe().GetSectionCount() == 1 ? run.Pipe().GetSection(0).GetVelocity() : 0.0f;
    const std::u16string filter = graph::FilterLabelValue(band, run.TraceCount(), run.Pipe().GetSectionCount(),
                                                          velocity, m_text.multiple.toStdU16String());
    SetItemText(kIdFilterLabel, m_text.filter + LeftToRight(QString::fromStdU16String(filter)));
    const std::u16string pipe = run.Pipe().IsSurvey() ? m_text.survey.toStdU16String()
                                                      : run.Pipe().GetDescription(static_cast<LengthUnit>(g_configuration.unitSystem));
    SetItemText(kIdPipeLabel, m_text.pipe + QString::fromStdU16String(pipe));
}

// "Pipe:", "Filter:", "SNR:", "Elapsed:" with their blanks; no distances.
void CCorrelatorDlg::ShowBareLabels() {
    SetItemText(kIdPipeLabel, m_text.pipe);
    SetItemText(kIdFilterLabel, m_text.filter);
    SetItemText(kIdSnrLabel, m_text.snr);
    SetItemText(kIdElapsedLabel, m_text.elapsed);
    SetItemText(kIdDistanceA, QString());
    SetItemText(kIdDistanceB, QString());
    ShowItem(kIdSnrIcon, false);
}

void CCorrelatorDlg::InvalidateGraph() {
    m_modelStale = true;
    update(QRect(QPoint(24, 91), QPoint(607, 315)));
}

// The title row and the whole result panel.
void CCorrelatorDlg::InvalidatePanel() {
    m_modelStale = true;
    update(QRect(QPoint(17, 66), QPoint(618, 411)));
}

void CCorrelatorDlg::ApplySettings() {
    ShowItem(kIdX, g_configuration.testMode != 0);
    m_run->Pipe().SetStations(StationFromCode(g_configuration.stationA), StationFromCode(g_configuration.stationB));
    m_run->SetOptions(CorrelationOptionsFromConfiguration());
    ShowStationPictures();
    // Units may have changed: the pipe label, distances and cursor delay.
    if (m_loop.Running() || m_run->SamplesCorrelated() > 0) RefreshLabels();
    InvalidatePanel();
}
