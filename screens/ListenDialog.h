#pragma once
// screens/ListenDialog.h — the listen screen: one source per headphone ear
// (Base, Red, Blue or none), the headphone volume, and each correlation
// channel's recent waveform, level and the Red and Blue reception bars.
//
// The audio path is analogue: the screen only sets the two listen selectors
// and the volume potentiometer. The waveforms and levels come from the sample
// stores the acquisition fills, so whoever opens the screen keeps sampling
// while it is open (the main screen's run loop in listen mode).

#include <QPoint>
#include <cstdint>
#include <functional>
#include <vector>

#include "dsp/Wave.h"
#include "pipe/Station.h"
#include "ui/DialogBase.h"

class RadioLink;
class SensorHardware;

class CListenDialog : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 310,
        kIdTimer = 1,
        kIdVolume = 1077,
        kIdVolumeDown = 1089,
        kIdVolumeUp = 1090,
        kIdExit = 1087,
        kIdFilters = 1088,
        kIdLevelLeft = 1299,
        kIdLevelRight = 1300,
        kIdRecording = 1334,
        kIdLeftTitle = 1401,
        kIdRightTitle = 1402,
        kIdRedBarsLeft = 1328,
        kIdBlueBarsLeft = 1329,
        kIdRedBarsRight = 1330,
        kIdBlueBarsRight = 1331,
    };
    // The selector buttons in the order of unitcare::kListenCodes (BASE, RED,
    // BLUE, "---").
    static constexpr int kLeftIds[4] = {1086, 1085, 1084, 1083};
    static constexpr int kRightIds[4] = {1079, 1080, 1081, 1082};
    // Envelope columns and their scale (sample x 50 / 2048); the waveform
    // area, px.
    static constexpr int kColumns = 440;
    static constexpr int kEnvelopeScale = 50;
    static constexpr int kAreaLeft = 100, kAreaTop = 35, kAreaRight = 540, kAreaBottom = 375;

    // hardware: selectors, volume and (unless SetSources says otherwise) the
    // level stores; radio: the reception bars. Both outlive the screen.
    CListenDialog(SensorHardware& hardware, RadioLink& radio, QWidget* parent = nullptr);

    // The stores drawn for the left (channel A) and right (channel B)
    // channels; by default the hardware's level stores. Not owned.
    void SetSources(const CWave* left, const CWave* right);
    // The run's station pair: channel A is drawn in station a's row, B in b's.
    void SetStationPair(StationCode a, StationCode b);
    // The start tick (ms) of a recording in progress, 0 when none; read every
    // tick for the recording indicator.
    void SetRecordingStart(std::function<uint32_t()> startTick);

    // One 100 ms step: recording indicator, reception bars, and once a second
    // the envelopes and levels.
    void Tick();
    // Envelopes and levels from the stores now, and a repaint (the timer does
    // it once a second).
    void Refresh();

    // Inspection for tests and scripts.
    bool FiltersActive() const { return m_filtersActive; }
    const std::vector<uint32_t>& EnvelopeOf(int channel) const { return m_envelope[channel ? 1 : 0]; }
    // The row centre (px) a station's channel is drawn in: Base 85, Red 205,
    // Blue (and Yellow) 325; the row of no station stays clear.
    static int RowOf(StationCode station);

protected:
    void OnInitDialog() override;
    void OnTimer(int id) override;
    void OnPaint(QPainter& painter) override;

private:
    void OnLeft(int index);
    void OnRight(int index);
    void OnVolumeStep(int delta);
    void OnFilters();
    void ShowSelectors();
    void ShowBars(int countdown);
    void ShowRecording();
    void PaintRow(QPainter& painter, int centre, const std::vector<uint32_t>* envelope) const;

    SensorHardware& m_hw;
    RadioLink& m_radio;
    const CWave* m_sources[2];
    StationCode m_stationA = StationCode::Red, m_stationB = StationCode::Blue;
    std::function<uint32_t()> m_recordingStart;
    std::vector<uint32_t> m_envelope[2];
    bool m_filtersActive = false;
};
