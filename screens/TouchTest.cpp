#include "screens/TouchTest.h"

#include <QPainter>

#include "platform/Registry.h"
#include "platform/Touch.h"
#include "settings/Configuration.h"
#include "settings/EventLog.h"

namespace {

constexpr int kFineStep = 10, kCoarseStep = 50;  // grid, px
constexpr int kCrossHalf = 20;                   // 41 px across
constexpr int kCrossWidth = 3;
constexpr int kTraceWidth = 3;  // px: stands out from the 1 px grid
const QColor kFineGrid(0x80, 0x80, 0x80);
const QColor kPenDownColour(0x00, 0x00, 0xFF);  // 0xFF0000 as the unit writes colours (0x00BBGGRR)
const QColor kPenUpColour(0xFF, 0x00, 0x00);    // 0x0000FF
constexpr size_t kMaxCalibrationUnits = 256;  // 512 bytes

QString PenDownText(QPoint p) { return QStringLiteral("PenDown (%1,%2)").arg(p.x()).arg(p.y()); }
QString PenUpText(QPoint p) { return QStringLiteral("; PenUp(%1,%2)").arg(p.x()).arg(p.y()); }

}  // namespace

CTouchTest::CTouchTest(QWidget* parent) : CDialogBase(kTemplate, parent) {
    OnCommand(kIdExit, [this] { EndDialog(kResultOk); });
    OnCommand(kIdRecalibrate, [] { RecalibrateTouch(); });
}

void CTouchTest::OnInitDialog() {
    m_isDown = m_isUp = false;
    m_trace.clear();
    SetItemText(kIdState, QString());
}

void CTouchTest::RecalibrateTouch() {
    platform::TouchCalibrate();
    const auto value = platform::RegGetString(platform::Hive::LocalMachine, platform::kTouchKey, platform::kTouchValue);
    std::u16string copy = value ? *value : std::u16string();
    if (copy.size() > kMaxCalibrationUnits) copy.clear();  // longer than the record's slot: not a copy of it
    g_configuration.SetTouchCalibration(copy);
    g_configuration.Save();
}

void CTouchTest::PaintCross(QPainter& painter, QPoint at, const QColor& colour) const {
    painter.setPen(QPen(colour, kCrossWidth));
    painter.drawLine(at.x() - kCrossHalf, at.y(), at.x() + kCrossHalf, at.y());
    painter.drawLine(at.x(), at.y() - kCrossHalf, at.x(), at.y() + kCrossHalf);
}

void CTouchTest::OnPaint(QPainter& painter) {
    painter.save();
    for (int step : {kFineStep, kCoarseStep}) {
        painter.setPen(QPen(step == kFineStep ? kFineGrid : TextColour(), 1));
        for (int x = 0; x < kScreenWidth; x += step) painter.drawLine(x, 0, x, kScreenHeight - 1);
        for (int y = 0; y < kScreenHeight; y += step) painter.drawLine(0, y, kScreenWidth - 1, y);
    }
    if (m_isDown) PaintCross(painter, m_down, kPenDownColour);
    if (!m_trace.empty()) {
        painter.setPen(QPen(TextColour(), kTraceWidth));  // black, or white on the inverted scheme
        QPolygon path;
        path << m_down;
        for (const QPoint& p : m_trace) path << p;
        painter.drawPolyline(path);
    }
    if (m_isUp) PaintCross(painter, m_up, kPenUpColour);
    painter.restore();
}

void CTouchTest::OnPenDown(QPoint at) {
    m_down = at;
    m_isDown = true;
    m_isUp = false;
    m_trace.clear();
    update();
    SetItemText(kIdState, PenDownText(at));
}

void CTouchTest::OnPenMove(QPoint at) {
    if (!m_isDown || m_isUp) return;
    const QPoint from = m_trace.empty() ? m_down : m_trace.back();
    m_trace.push_back(at);
    update(QRect(from, at).normalized().adjusted(-2, -2, 2, 2));
}

void CTouchTest::OnPenUp(QPoint at) {
    m_up = at;
    m_isUp = true;
    update();
    const QString text = PenDownText(m_down) + PenUpText(at);
    SetItemText(kIdState, text);
    LogEvent(("TouchTest: " + text).toStdString());
}
