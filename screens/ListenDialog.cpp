#include "screens/ListenDialog.h"

#include <QLabel>
#include <QPainter>
#include <QSlider>
#include <algorithm>

#include "hardware/RadioLink.h"
#include "hardware/SensorHardware.h"
#include "hardware/UnitCare.h"
#include "hardware/UserActivity.h"
#include "platform/Clock.h"
#include "platform/Numbers.h"
#include "settings/Configuration.h"
#include "ui/PictureSet.h"

namespace {

// Row centres of the Base, Red and Blue waveforms, px, beside their buttons;
// each row runs from centre - 52 to centre + 51.
constexpr int kRowBase = 85, kRowRed = 205, kRowBlue = 325;
constexpr int kRowAbove = 52, kRowBelow = 51;
constexpr int kRecordingFrameMs = 1000;

}  // namespace

CListenDialog::CListenDialog(SensorHardware& hardware, RadioLink& radio, QWidget* parent)
    : CDialogBase(kTemplate, parent),
      m_hw(hardware),
      m_radio(radio),
      m_sources{&hardware.LevelStore(0), &hardware.LevelStore(1)} {
    for (int i = 0; i < 4; ++i) {
        OnCommand(kLeftIds[i], [this, i] { OnLeft(i); });
        OnCommand(kRightIds[i], [this, i] { OnRight(i); });
    }
    // The columns are the headphones' left and right ears in every language.
    KeepPlace({kIdLeftTitle, kIdLevelLeft, kIdRecording, kIdLevelRight, kIdRightTitle, kIdRedBarsLeft, kIdBlueBarsLeft,
               kIdRedBarsRight, kIdBlueBarsRight, kLeftIds[0], kLeftIds[1], kLeftIds[2], kLeftIds[3], kRightIds[0],
               kRightIds[1], kRightIds[2], kRightIds[3]});
    OnCommand(kIdVolumeDown, [this] { OnVolumeStep(-unitcare::kVolumeStep); });
    OnCommand(kIdVolumeUp, [this] { OnVolumeStep(unitcare::kVolumeStep); });
    OnCommand(kIdFilters, [this] { OnFilters(); });
    OnCommand(kIdExit, [this] { EndDialog(kResultOk); });
    if (auto* slider = Item<QSlider>(kIdVolume)) {
        slider->setRange(0, unitcare::kVolumeMax);
        slider->setPageStep(unitcare::kVolumeStep);
        // A position the operator drags to is the volume too.
        connect(slider, &QSlider::sliderReleased, this, [this, slider] {
            if (ReportUserActivity()) m_hw.SetHeadphoneVolume(slider->value());
        });
    }
}

void CListenDialog::SetSources(const CWave* left, const CWave* right) {
    m_sources[0] = left;
    m_sources[1] = right;
}

void CListenDialog::SetStationPair(StationCode a, StationCode b) {
    m_stationA = a;
    m_stationB = b;
}

void CListenDialog::SetRecordingStart(std::function<uint32_t()> startTick) { m_recordingStart = std::move(startTick); }

int CListenDialog::RowOf(StationCode station) {
    switch (station) {
    case StationCode::Base: return kRowBase;
    case StationCode::Red: return kRowRed;
    default: return kRowBlue;  // Blue, and Yellow on Blue's receiver path
    }
}

void CListenDialog::OnInitDialog() {
    SetTimer(kIdTimer, unitcare::ListenCountdown::kTickMs);
    m_hw.SetHeadphoneShutdown(false);
    // The potentiometer's position is unknown until the first opening steps
    // it to 0; it then starts at a moderate volume.
    if (m_hw.GetHeadphoneVolume() < 0) {
        m_hw.ResetHeadphoneVolume();
        m_hw.SetHeadphoneVolume(unitcare::kFirstOpenVolume);
    }
    if (auto* slider = Item<QSlider>(kIdVolume)) slider->setValue(m_hw.GetHeadphoneVolume());
    m_filtersActive = false;
    SetCheck(kIdFilters, 0);
    ShowSelectors();
    ShowBars(unitcare::ListenRefresh().value);
    ShowRecording();
}

void CListenDialog::ShowSelectors() {
    const int left = unitcare::ListenButtonIndex(m_hw.GetListenSourceLeft());
    const int right = unitcare::ListenButtonIndex(m_hw.GetListenSourceRight());
    for (int i = 0; i < 4; ++i) {
        SetCheck(kLeftIds[i], i == left);
        SetCheck(kRightIds[i], i == right);
    }
}

void CListenDialog::OnLeft(int index) {
    m_hw.SetListenSourceLeft(unitcare::kListenCodes[index]);
    ShowSelectors();
}

void CListenDialog::OnRight(int index) {
    m_hw.SetListenSourceRight(unitcare::kListenCodes[index]);
    ShowSelectors();
}

void CListenDialog::OnVolumeStep(int delta) {
    auto* slider = Item<QSlider>(kIdVolume);
    const int from = slider ? slider->value() : std::max(0, m_hw.GetHeadphoneVolume());
    const int to = unitcare::SteppedVolume(from, delta);
    if (slider) slider->setValue(to);
    m_hw.SetHeadphoneVolume(to);
}

void CListenDialog::OnFilters() {
    m_filtersActive = !m_filtersActive;
    SetCheck(kIdFilters, m_filtersActive);
}

void CListenDialog::ShowBars(int countdown) {
    const auto show = [this, countdown](int station, int id1, int id2) {
        const int bars = m_radio.GetSignalBars(station);
        const int picture = unitcare::ShowsBarsPicture(countdown, bars) ? SignalBarsPicture(bars) : kPictureNoReception;
        for (int id : {id1, id2})
            if (auto* label = Item<QLabel>(id)) label->setPixmap(Picture(picture));
    };
    show(1, kIdRedBarsLeft, kIdRedBarsRight);
    show(2, kIdBlueBarsLeft, kIdBlueBarsRight);
}

void CListenDialog::ShowRecording() {
    const uint32_t start = m_recordingStart ? m_recordingStart() : 0;
    ShowItem(kIdRecording, start != 0);
    if (start == 0) return;
    const uint32_t seconds = (platform::GetTickCount() - start) / kRecordingFrameMs;
    if (auto* label = Item<QLabel>(kIdRecording))
        label->setPixmap(Picture(RunningFramePicture(static_cast<int>(seconds % kRunningFrameCount))));
}

void CListenDialog::OnTimer(int id) {
    if (id == kIdTimer) Tick();
}

void CListenDialog::Tick() {
    ShowRecording();
    unitcare::ListenCountdown& countdown = unitcare::ListenRefresh();
    ShowBars(countdown.value);
    if (countdown.Tick()) Refresh();
}

void CListenDialog::Refresh() {
    static const auto level = [](const CWave* store) {
        const float db = store ? store->SignalLevel() : 1.0f;
        return db == 1.0f ? QStringLiteral("---")
                          : QString::fromStdString(platform::FormatCString("%.1fdB", static_cast<double>(db)));
    };
    for (int channel = 0; channel < 2; ++channel) {
        m_envelope[channel].clear();
        if (!m_sources[channel]) continue;
        CWave copy = *m_sources[channel];  // the envelope is worked out in the store
        m_envelope[channel] = copy.ComputeEnvelope(kEnvelopeScale, kColumns);
    }
    // The levels are an engineering read-out, shown while events are logged.
    if (g_configuration.testMode) {
        SetItemText(kIdLevelLeft, level(m_sources[0]));
        SetItemText(kIdLevelRight, level(m_sources[1]));
    }
    update(QRect(QPoint(kAreaLeft, kAreaTop), QPoint(kAreaRight, kAreaBottom)));
}

void CListenDialog::PaintRow(QPainter& painter, int centre, const std::vector<uint32_t>* envelope) const {
    if (!envelope) return;
    painter.setPen(TextColour());
    const int count = std::min<int>(kColumns, static_cast<int>(envelope->size()));
    for (int i = 0; i < count; ++i) {
        const uint32_t entry = (*envelope)[static_cast<size_t>(i)];
        const int top = std::clamp(centre + CWave::EnvelopeMin(entry), centre - kRowAbove, centre + kRowBelow);
        const int bottom =
            std::clamp(centre + CWave::EnvelopeMax(entry) - 1, centre - kRowAbove, centre + kRowBelow);
        const int x = kAreaLeft + i;
        painter.drawLine(x, std::min(top, bottom), x, std::max(top, bottom));
    }
}

void CListenDialog::OnPaint(QPainter& painter) {
    painter.save();
    PaintRow(painter, RowOf(m_stationA), &m_envelope[0]);
    PaintRow(painter, RowOf(m_stationB), &m_envelope[1]);
    painter.restore();
}
