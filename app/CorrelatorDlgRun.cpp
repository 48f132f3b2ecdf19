// app/CorrelatorDlgRun.cpp — the main screen's 100 ms timer, which drives the
// shared run loop, and what the loop shows on the screen (RunView).

#include <QLabel>

#include "app/CorrelatorDlg.h"
#include "hardware/SensorHardware.h"
#include "ui/PictureSet.h"
#include "ui/Resources.h"

namespace {
constexpr int kStrSampleLimit = 214;
}  // namespace

void CCorrelatorDlg::OnTimer(int /*id*/) { m_loop.Tick(*m_run); }

void CCorrelatorDlg::ShowStatusLine(StatusMessage message) {
    switch (message) {
    case StatusMessage::TestMode: SetItemText(kIdStatusLine, m_text.testMode); break;
    case StatusMessage::OsOutOfDate: SetItemText(kIdStatusLine, m_text.osOutOfDate); break;
    case StatusMessage::SampleLimit: SetItemText(kIdStatusLine, LoadString(kStrSampleLimit)); break;
    case StatusMessage::None: SetItemText(kIdStatusLine, QString()); break;
    }
}

void CCorrelatorDlg::ShowConverterFault(std::string_view text) {
    SetItemText(kIdStatusLine, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void CCorrelatorDlg::ShowStallIcon(bool shown) { ShowItem(kIdStallIcon, shown); }

void CCorrelatorDlg::HidePleaseWait() { ShowItem(kIdPleaseWait, false); }

void CCorrelatorDlg::ShowBadge(bool shown) { ShowItem(kIdBadge, shown); }

void CCorrelatorDlg::EndProgram(int32_t result) { EndDialog(result); }

void CCorrelatorDlg::ShowRadioIcons(const RadioIcons& icons) {
    const auto pictureFor = [&](int32_t bars) {
        if (icons.replay) return kPictureReplay;
        if (bars == 0 && icons.blinkPhase) return kPictureNoReception;
        return SignalBarsPicture(bars);
    };
    if (auto* red = Item<QLabel>(kIdRadioRed)) red->setPixmap(Picture(pictureFor(icons.barsA)));
    if (auto* blue = Item<QLabel>(kIdRadioBlue)) blue->setPixmap(Picture(pictureFor(icons.barsB)));
}

void CCorrelatorDlg::ShowBattery(const PowerStatus& status) {
    int picture = BatteryBarsPicture(0);
    switch (status.picture) {
    case PowerStatus::Picture::Charging: picture = BatteryBarsPicture(status.frame + 1); break;
    case PowerStatus::Picture::Full: picture = BatteryBarsPicture(5); break;
    case PowerStatus::Picture::Level: picture = BatteryBarsPicture(status.level); break;
    case PowerStatus::Picture::Empty: picture = BatteryBarsPicture(0); break;
    case PowerStatus::Picture::Blank: picture = kPictureBatteryBlank; break;
    }
    if (auto* battery = Item<QLabel>(kIdBattery)) battery->setPixmap(Picture(picture));
}

void CCorrelatorDlg::ShowElapsed(std::u16string_view value) {
    SetItemText(kIdElapsedLabel,
                m_text.elapsed + LeftToRight(QString::fromUtf16(value.data(), static_cast<qsizetype>(value.size()))));
}

void CCorrelatorDlg::InvalidateArea(const ScreenArea& a) {
    m_modelStale = true;
    update(QRect(QPoint(a.left, a.top), QPoint(a.right, a.bottom)));
}

void CCorrelatorDlg::CursorMovedToPeak(float delaySeconds) {
    m_resultsChanged = true;
    m_cursorDelay = delaySeconds;
}

void CCorrelatorDlg::AutoStop() {
    m_autoStopPending = true;
    StopSequence();
}

void CCorrelatorDlg::ShowOptimising(int32_t percent) {
    SetItemText(kIdFilterLabel, m_text.optimising + LeftToRight(QString::number(percent)));
}

void CCorrelatorDlg::OptimisationApplied() { RefreshLabels(); }

void CCorrelatorDlg::EnableOptimiseCommand(bool enabled) { EnableItem(kIdOptimiseFilters, enabled); }
