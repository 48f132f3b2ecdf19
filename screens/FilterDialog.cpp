#include "screens/FilterDialog.h"

#include <QPainter>
#include <algorithm>

#include "dsp/Correlation.h"
#include "pipe/Pipe.h"
#include "screens/FilterSpectrumPanel.h"
#include "settings/Configuration.h"
#include "ui/Resources.h"

namespace {

// String-table entries the screen shows.
constexpr int kStrLow = 130, kStrHigh = 131, kStrNotch = 132, kStrNone = 133, kStrAuto = 136, kStrNotchFirst = 137,
              kStrNotchSecond = 138, kStrRed = 103, kStrBlue = 104, kStrDominant = 800, kStrProduct = 801,
              kStrFilterSet = 802;

// The commands that edit the band while the SET buttons are shown.
constexpr int kSetCommands[] = {CFilterDialog::kIdSetLow, CFilterDialog::kIdSetHigh, CFilterDialog::kIdSetNotch,
                                CFilterDialog::kIdClearAll, CFilterDialog::kIdSelectSet};
constexpr int kSetChoices[] = {CFilterDialog::kIdFilterSet1, CFilterDialog::kIdFilterSet2, CFilterDialog::kIdFilterSet3};

void Word(std::u16string& word, int id) {
    const QString text = LoadString(id);
    if (!text.isEmpty()) word = text.toStdU16String();
}

QString Text(int id, const char* fallback) {
    const QString text = LoadString(id);
    return text.isEmpty() ? QString::fromLatin1(fallback) : text;
}

QString ToQString(const std::u16string& s) { return QString::fromStdU16String(s); }

}  // namespace

CFilterDialog::CFilterDialog(QWidget* parent) : CDialogBase(kTemplate, parent) {
    OnCommand(kIdMaterialDefaults, [this] { OnMaterialDefaults(); });
    OnCommand(kIdQuickMetallic, [this] { m_editor.QuickMetallic(); ShowValues(); });
    OnCommand(kIdQuickPlastic, [this] { m_editor.QuickPlastic(); ShowValues(); });
    OnCommand(kIdSetLow, [this] { m_editor.BeginSetLow(); ShowValues(); });
    OnCommand(kIdSetHigh, [this] { m_editor.BeginSetHigh(); ShowValues(); });
    OnCommand(kIdSetNotch, [this] { m_editor.BeginSetNotch(); ShowValues(); });
    OnCommand(kIdClearAll, [this] { m_editor.ClearAll(); ShowValues(); });
    OnCommand(kIdAutomatic, [this] { m_editor.ToggleAutomatic(); ShowValues(); });
    OnCommand(kIdSelectSet, [this] { OnSelectSet(); });
    for (int n = 1; n <= 3; ++n) OnCommand(kSetChoices[n - 1], [this, n] { OnFilterSet(n); });
    OnCommand(kIdAccept, [this] { OnAccept(); });
    OnCommand(kIdCancel, [this] { OnCancel(); });
}

CFilterDialog::CFilterDialog(CCorrelation& run, QWidget* parent) : CFilterDialog(parent) { m_run = &run; }

// Every opening starts from the correlation's filters as they are now.
void CFilterDialog::OnInitDialog() {
    m_words = FilterScreenWords{};
    Word(m_words.low, kStrLow);
    Word(m_words.high, kStrHigh);
    Word(m_words.notch, kStrNotch);
    Word(m_words.none, kStrNone);
    Word(m_words.automatic, kStrAuto);
    Word(m_words.notchFirst, kStrNotchFirst);
    Word(m_words.notchSecond, kStrNotchSecond);
    m_words.embedValuesLeftToRight = layoutDirection() == Qt::RightToLeft;

    const bool linear = g_configuration.linearFrequencyAxis == 1;
    if (m_run) m_editor.Load(*m_run, linear);
    else m_editor.Load({}, 1, kUnitSampleRate, linear);
    if (m_requestedSet >= 0) m_editor.SelectSet(m_requestedSet);
    m_requestedSet = -1;
    m_editor.SetMaterialDefaults(m_materialDefaultsIn);
    m_stroke = false;

    const bool several = m_editor.TraceCount() > 1;
    ShowItem(kIdAutomatic, !several);
    ShowSetChoice(false);
    ShowItem(kIdSelectSet, several);
    // The first spectrum now rather than a second from now.
    RefreshSpectrum();
    SetTimer(kSpectrumTimer, kSpectrumPeriodMs);
}

void CFilterDialog::OnTimer(int id) {
    if (id == kSpectrumTimer) RefreshSpectrum();
}

void CFilterDialog::RefreshSpectrum() {
    if (m_run) m_spectrum.Compute(m_run->RedRaw(), m_run->BlueRaw(), m_editor.Axis());
    else m_spectrum.Clear();
    m_editor.SetDominantHz(m_spectrum.DominantHz());
    ShowValues();
}

void CFilterDialog::OnMaterialDefaults() {
    CPipe none(m_editor.Axis().rate);
    m_editor.ApplyMaterialDefaults(m_run ? m_run->Pipe() : none);
    ShowValues();
}

void CFilterDialog::OnSelectSet() { ShowSetChoice(true); }

void CFilterDialog::OnFilterSet(int n) {
    m_editor.SelectSet(3 - n);
    ShowSetChoice(false);
    ShowValues();
}

void CFilterDialog::ShowSetChoice(bool choosing) {
    for (int id : kSetCommands) ShowItem(id, !choosing && (id != kIdSelectSet || m_editor.TraceCount() > 1));
    for (int id : kSetChoices) ShowItem(id, choosing);
}

void CFilterDialog::OnAccept() {
    KillTimer(kSpectrumTimer);
    if (m_run) m_editor.Apply(*m_run);
    EndDialog(kResultOk);
}

void CFilterDialog::OnCancel() {
    KillTimer(kSpectrumTimer);
    EndDialog(kResultCancel);
}

void CFilterDialog::ShowValues() {
    const FilterLabels labels = m_editor.Labels(m_words);
    SetItemText(kIdLowLabel, ToQString(labels.low));
    SetItemText(kIdHighLabel, ToQString(labels.high));
    SetItemText(kIdNotchLabel, ToQString(labels.notch));
    const int pressed = m_editor.PressedSetButton();
    SetCheck(kIdSetLow, pressed == 1);
    SetCheck(kIdSetHigh, pressed == 2);
    SetCheck(kIdSetNotch, pressed == 3);
    SetCheck(kIdAutomatic, m_editor.Automatic());
    SetCheck(kIdMaterialDefaults, m_editor.MaterialDefaults());
    update();
}

int CFilterDialog::GraphColumn(QPoint point) { return point.x() - kSpectrumLeft; }

void CFilterDialog::OnPenDown(QPoint point) {
    m_stroke = SpectrumGraphRect().contains(point);
    if (!m_stroke) return;
    if (m_editor.PenDown(GraphColumn(point))) ShowValues();
}

// A stroke that began in the graph keeps its marker at the graph's ends when
// the stylus slides past them.
void CFilterDialog::OnPenMove(QPoint point) {
    if (!m_stroke) return;
    const int column = std::clamp(GraphColumn(point), 0, spectrum::kAxisColumns);
    if (m_editor.PenMove(column)) ShowValues();
}

void CFilterDialog::OnPenUp(QPoint point) {
    if (!m_stroke) return;
    m_stroke = false;
    const int column = std::clamp(GraphColumn(point), 0, spectrum::kAxisColumns);
    if (m_editor.PenUp(column)) ShowValues();
}

SpectrumPanelInput CFilterDialog::PanelInput() const {
    SpectrumPanelInput in;
    in.axis = m_editor.Axis();
    in.curves = m_spectrum.Curves(in.axis);
    in.markers = m_editor.Markers();
    in.dominantHz = m_spectrum.DominantHz();
    in.inverted = g_configuration.colourScheme != 0;
    in.traceCount = m_editor.TraceCount();
    in.currentSet = m_editor.CurrentSet();
    in.redName = Text(kStrRed, "RED");
    in.blueName = Text(kStrBlue, "BLUE");
    in.productName = Text(kStrProduct, "RED x BLUE");
    in.dominantWord = Text(kStrDominant, "DOMINANT:");
    in.setWord = Text(kStrFilterSet, "FILTER SET");
    in.rightToLeft = layoutDirection() == Qt::RightToLeft;
    return in;
}

void CFilterDialog::OnPaint(QPainter& painter) { PaintSpectrumPanel(painter, PanelInput()); }
