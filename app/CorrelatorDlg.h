#pragma once
// app/CorrelatorDlg.h — the main screen (template 102): the frame of the
// correlation display, its status line and the X that ends the program in
// test mode.

#include <QRect>
#include <array>
#include <vector>

#include "ui/DialogBase.h"


// Control identifiers of the main screen.
enum MainControl {
    kIdX = 1087,
    kIdStatusLine = 1238,
};

// The graph area the paint owns; the bands around it are erased to the
// background colour.
constexpr QRect kGraphArea(24, 91, 607 - 24, 315 - 91);

// The four background bands around the graph: above y = 91, left of x = 24
// (84 with more than one trace, room for the three-band buttons), right of
// x = 607, below y = 315.
std::array<QRect, 4> BackgroundBands(int traceCount);

class CCorrelatorDlg : public CDialogBase {
    Q_OBJECT
public:
    explicit CCorrelatorDlg(QWidget* parent = nullptr);

    int TraceCount() const { return m_traceCount; }
    const std::vector<std::string>& SelfTestFailures() const { return m_selfTestFailures; }

protected:
    void OnInitDialog() override;
    void OnPaint(QPainter& painter) override;
    QRegion EraseRegion() const override;
    void showEvent(QShowEvent* event) override;

private:
    void RunSelfTests();
    void ShowSelfTestFailures();

    int m_traceCount = 1;
    std::vector<std::string> m_selfTestFailures;
    bool m_failuresShown = false;
};
