#pragma once
// screens/FilterSpectrumPanel.h — the filter screen's graph: the live
// spectrum of both channels and their product over the frequency axis, the
// pass band, the cut-off and notch markers and the axis in hertz.
//
// The graph covers screen columns 80 ... 560 (axis columns 0 ... 480) and rows
// 122 ... 377. It is split into three strips of 85 rows, Red on top, Blue in
// the middle and the product at the bottom, each curve reaching at most 70
// rows above its strip's baseline. Markers run through all three strips, with
// a labelled tab at the top a finger can find.

#include <QColor>
#include <QRect>
#include <QString>
#include <vector>

#include "dsp/FilterSetEditor.h"
#include "dsp/Spectrum.h"

class QPainter;

// Graph rectangle in screen pixels: 481 columns, 256 rows.
constexpr int kSpectrumLeft = 80;
constexpr int kSpectrumTop = 122;
constexpr int kSpectrumRight = 560;
constexpr int kSpectrumBottom = 377;
inline QRect SpectrumGraphRect() {
    return QRect(kSpectrumLeft, kSpectrumTop, kSpectrumRight - kSpectrumLeft + 1, kSpectrumBottom - kSpectrumTop + 1);
}
// Rows of one curve strip, and the rows between a strip's baseline and its bottom.
constexpr int kSpectrumStripRows = 85;
constexpr int kSpectrumBaselineGap = 3;

// Colours of one scheme; inverted is light on black.
struct SpectrumColours {
    QColor red, blue, product;   // curves
    QColor passBand;             // between the cut-offs
    QColor cutoff, notch;        // markers
    QColor grid, frame, text;
};
SpectrumColours SpectrumPanelColours(bool inverted);

// Everything one paint needs; the screen fills it from its editor and spectrum.
struct SpectrumPanelInput {
    spectrum::FrequencyAxis axis;
    std::vector<spectrum::CurvePoint> curves;
    MarkerColumns markers;
    float dominantHz = 0;        // 0: none
    bool inverted = false;
    int traceCount = 1;
    int currentSet = 0;          // shown as "FILTER SET 3 - k" with three traces
    QString redName = QStringLiteral("RED");
    QString blueName = QStringLiteral("BLUE");
    QString productName = QStringLiteral("RED x BLUE");
    QString dominantWord = QStringLiteral("DOMINANT:");
    QString setWord = QStringLiteral("FILTER SET");
    bool rightToLeft = false;    // texts in a right-to-left language; the axis stays
};

// Baseline row of strip s (0 Red, 1 Blue, 2 product).
int SpectrumBaseline(int strip);
// The text of an axis label: "20", "500", "1k", "2.5k".
QString AxisLabelText(float hz);

// Paints the panel: back (pass band, grid), mid (curves), fore (markers,
// frame, axis labels, texts). Saves and restores the painter.
void PaintSpectrumPanel(QPainter& painter, const SpectrumPanelInput& in);
