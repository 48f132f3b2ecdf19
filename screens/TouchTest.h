#pragma once
// screens/TouchTest.h — the touch panel's test and recalibration: a grid
// every 10 px (every 50 px darker), a red cross where the pen went down, its
// path, a blue cross where it came up, and the two points as text (also
// written to the event log). Recalibrate runs the platform's calibration and
// keeps a copy of its result in the configuration.

#include <QPoint>
#include <vector>

#include "ui/DialogBase.h"

class CTouchTest : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 317,
        kIdExit = 1087,
        kIdRecalibrate = 1088,
        kIdState = 1335,
    };

    explicit CTouchTest(QWidget* parent = nullptr);

    // Runs the platform's touch calibration, then copies its registry value
    // (at most 512 bytes) into the configuration, or empties the copy when
    // there is none, and saves the configuration.
    static void RecalibrateTouch();

    // Inspection.
    const std::vector<QPoint>& Trace() const { return m_trace; }

protected:
    void OnInitDialog() override;
    void OnPaint(QPainter& painter) override;
    void OnPenDown(QPoint at) override;
    void OnPenMove(QPoint at) override;
    void OnPenUp(QPoint at) override;

private:
    void PaintCross(QPainter& painter, QPoint at, const QColor& colour) const;

    QPoint m_down, m_up;
    bool m_isDown = false, m_isUp = false;
    std::vector<QPoint> m_trace;
};
