#include "app/CorrelatorDlg.h"

#include <QMessageBox>
#include <QPainter>
#include <QTimer>

#include "app/ModuleSelfTests.h"
#include "settings/Configuration.h"
#include "ui/BmpButton.h"
#include "ui/Resources.h"

namespace {

constexpr int kTemplateMain = 102;
constexpr int kPictureXNormal = 200, kPictureXPressed = 201;
constexpr int kStringTestMode = 198;
constexpr int kLeftEdgeSingle = 24;
constexpr int kLeftEdgeMulti = 84;
const QColor kGraphFrame(128, 128, 128);

}  // namespace

std::array<QRect, 4> BackgroundBands(int traceCount) {
    const int left = traceCount > 1 ? kLeftEdgeMulti : kLeftEdgeSingle;
    const int top = kGraphArea.top(), bottom = kGraphArea.top() + kGraphArea.height();
    const int right = kGraphArea.left() + kGraphArea.width();
    return {QRect(0, 0, kScreenWidth, top),
            QRect(0, top, left, bottom - top),
            QRect(right, top, kScreenWidth - right, bottom - top),
            QRect(0, bottom, kScreenWidth, kScreenHeight - bottom)};
}

CCorrelatorDlg::CCorrelatorDlg(QWidget* parent) : CDialogBase(kTemplateMain, parent) {
    m_traceCount = g_configuration.multiFilter ? 3 : 1;
    RunSelfTests();
    OnCommandAlways(kIdX, [this] { EndDialog(kResultOk); });
}

void CCorrelatorDlg::OnInitDialog() {
    if (auto* x = Item<CBmpButton>(kIdX)) x->LoadBitmaps(kPictureXNormal, kPictureXPressed);
    ShowItem(kIdX, g_configuration.testMode != 0);
    SetItemText(kIdStatusLine, g_configuration.testMode ? LoadString(kStringTestMode) : QString());
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
    for (const QRect& band : BackgroundBands(m_traceCount)) region += band;
    return region;
}

void CCorrelatorDlg::OnPaint(QPainter& painter) {
    // The correlation graph is drawn here once the run loop feeds it; until
    // then the area shows its frame on the background.
    painter.fillRect(kGraphArea, BackgroundColour());
    painter.setPen(kGraphFrame);
    painter.drawRect(kGraphArea.adjusted(0, 0, -1, -1));
}
