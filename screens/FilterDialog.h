#pragma once
// screens/FilterDialog.h — the band filters of a correlation: a low cut-off,
// a high cut-off and a notch for each of up to three filter sets (one per
// trace), over a live spectrum of both channels refreshed once a second,
// with markers dragged by the stylus and quick presets. ACCEPT redesigns
// every filter of the correlation; CANCEL leaves them untouched.
//
// The rules live in FilterSetEditor (dsp/FilterSetEditor.h) and the spectrum
// in LiveSpectrum (dsp/Spectrum.h); this class binds them to the template's
// controls and paints the graph (screens/FilterSpectrumPanel.h).
//
// Use from the main screen (FILTERS, or a touch on trace k's legend):
//   m_filterScreen.SetCorrelation(*m_run);
//   m_filterScreen.SetCurrentSet(k);              // legend touch only
//   m_filterScreen.SetMaterialDefaults(g_defaultBands != 0);
//   if (RunChild(m_filterScreen) == kResultOk) {
//       g_defaultBands = m_filterScreen.MaterialDefaults();
//       // the run's nine filters are designed: restart averaging when
//       // postFilter is 0 or useFftEngine is set, refresh graph and labels
//   }
// The main screen's run loop keeps filling the raw stores while the screen
// is open; the spectrum reads the newest samples without consuming them.

#include <QString>

#include "dsp/FilterSetEditor.h"
#include "dsp/Spectrum.h"
#include "ui/DialogBase.h"

class CCorrelation;
struct SpectrumPanelInput;

class CFilterDialog : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 107,
        kIdMaterialDefaults = 1118,
        kIdQuickMetallic = 1119,
        kIdQuickPlastic = 1120,
        kIdCancel = 1056,
        kIdAccept = 1102,
        kIdSetLow = 1121,
        kIdSetHigh = 1122,
        kIdSetNotch = 1123,
        kIdClearAll = 1124,
        kIdAutomatic = 1125,
        kIdLowLabel = 1162,
        kIdHighLabel = 1163,
        kIdNotchLabel = 1164,
        kIdSelectSet = 1126,
        kIdFilterSet1 = 1127,  // FILTER SET n selects set 3 - n
        kIdFilterSet2 = 1128,
        kIdFilterSet3 = 1129,
    };
    static constexpr int kSpectrumTimer = 1;
    static constexpr int kSpectrumPeriodMs = 1000;

    explicit CFilterDialog(QWidget* parent = nullptr);
    CFilterDialog(CCorrelation& run, QWidget* parent = nullptr);

    // The correlation edited at the next opening; it must outlive the screen
    // while open. Without one the screen edits 10000 Hz sets it cannot apply.
    void SetCorrelation(CCorrelation& run) { m_run = &run; }
    // The set shown at the next opening, 0 ... 2 (a legend touch on trace k);
    // with one trace always 0. Otherwise the set last shown stays.
    void SetCurrentSet(int set) { m_requestedSet = set; }
    // The program's material-defaults flag, given at opening and read back
    // after OK: on when MATERIAL DEFAULTS made the band, off once the
    // operator set one.
    void SetMaterialDefaults(bool on) { m_materialDefaultsIn = on; }
    bool MaterialDefaults() const { return m_editor.MaterialDefaults(); }

    // After OK: set k's limits in hertz as designed (the survey screen keeps
    // set 0's as its custom band).
    const FilterSetHz& Band(int set) const { return m_editor.Set(set); }
    const FilterSetEditor& Editor() const { return m_editor; }
    const spectrum::LiveSpectrum& Spectrum() const { return m_spectrum; }

    // Reads the newest samples again and redraws (what the timer does).
    void RefreshSpectrum();

protected:
    void OnInitDialog() override;
    void OnTimer(int id) override;
    void OnPaint(QPainter& painter) override;
    void OnPenDown(QPoint point) override;
    void OnPenMove(QPoint point) override;
    void OnPenUp(QPoint point) override;

private:
    void OnMaterialDefaults();
    void OnSelectSet();
    void OnFilterSet(int n);
    void OnAccept();
    void OnCancel();
    void ShowSetChoice(bool choosing);
    // Labels, pressed buttons and the graph after every change.
    void ShowValues();
    SpectrumPanelInput PanelInput() const;
    static int GraphColumn(QPoint point);

    CCorrelation* m_run = nullptr;
    FilterSetEditor m_editor;
    spectrum::LiveSpectrum m_spectrum;
    FilterScreenWords m_words;
    int m_requestedSet = -1;
    bool m_materialDefaultsIn = false;
    bool m_stroke = false;  // the pen went down inside the graph
};
