#include "app/CorrelatorDlg.h"

#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include "app/ModuleSelfTests.h"
#include "settings/Configuration.h"

namespace {

constexpr int kTemplateMain = 102;
constexpr QRect kXRect(604, 4, 32, 32);
constexpr QRect kStatusRect(24, 440, 583, 24);
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
    CreateControls();
    m_traceCount = g_configuration.multiFilter ? 3 : 1;
    RunSelfTests();
    m_frequencySteps = {0, 100, 200, 300, 400, 600, 800, 1000, 1500, 2000, 0};
}

void CCorrelatorDlg::CreateControls() {
    m_x = new QPushButton(QStringLiteral("X"), this);
    m_x->setGeometry(kXRect);
    RegisterControl(kIdX, m_x);
    connect(m_x, &QPushButton::clicked, this, &CCorrelatorDlg::OnX);
    m_x->setVisible(g_configuration.testMode != 0);

    m_statusLine = new QLabel(this);
    m_statusLine->setGeometry(kStatusRect);
    RegisterControl(kIdStatusLine, m_statusLine);
    m_statusLine->setText(g_configuration.testMode ? QStringLiteral("Test Mode") : QString());
    QPalette p = m_statusLine->palette();
    p.setColor(QPalette::WindowText, TextColour());
    m_statusLine->setPalette(p);
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

void CCorrelatorDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (const QRect& band : BackgroundBands(m_traceCount)) painter.fillRect(band, BackgroundColour());
    // The correlation graph is drawn here once the run loop feeds it; until
    // then the area shows its frame on the background.
    painter.fillRect(kGraphArea, BackgroundColour());
    painter.setPen(kGraphFrame);
    painter.drawRect(kGraphArea.adjusted(0, 0, -1, -1));
}

void CCorrelatorDlg::OnX() { EndDialog(kResultOk); }
