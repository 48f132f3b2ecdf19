#pragma once
// app/GraphView.h — the paint of the correlation result panel from a paint
// model, so the picture is made (and tested) without a run or a window.
//
// The main screen fills a GraphModel from its run (GraphView.cpp) and paints
// it in three layers: back (panel frames, pane backgrounds, title), mid (the
// filled correlation columns, grey through where suppressed and on a grey
// background outside the sensor range, the pipe bar) and fore (the cursor and
// sensor-end diamond columns, the legends, the delay text).

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <climits>
#include <vector>

#include "app/GraphLayout.h"

class QPainter;

// Colours of one scheme (0 dark on white, else light on black).
struct GraphColours {
    bool inverted = false;
    QColor background, text, fill, grey;
};
GraphColours GraphColoursFor(int32_t colourScheme);

constexpr QRgb kPipeBarGrey = 0x969696;

// One pane: its rectangle and one column height per pixel column, from 0 up
// to the pane's height; -1 marks a suppressed column.
struct PaneModel {
    graph::PixelRect rect;
    std::vector<int32_t> heights;  // rect.Width() values
};

// A pipe section on the bar: the pixel column it ends at and its colour.
struct PipeBarSection {
    int32_t endX = 0;
    QColor colour;
};

// A trace's legend right of its pane (three traces): the picture of its band's
// kind, the band text from 26 px of pane height, a second picture from 39 px
// and the notch text from 52 px.
struct LegendModel {
    QRect rect;        // the whole legend, for touches
    QPixmap picture;
    QString band;
    QPixmap second;
    QString notch;
};

struct GraphModel {
    GraphColours colours;
    QFont labelFont;                   // height 15, normal weight
    QFont titleFont;                   // 12 point
    QString title;                     // centred in (17,66)-(618,90)
    graph::PixelRect area = graph::kGraphArea;
    std::vector<PaneModel> panes;      // pane 0 at the bottom
    // Pixel columns of the sensor ends (-travel time Red, +travel time Blue);
    // columns outside them have a grey background. INT_MIN / INT_MAX: no limit.
    int32_t redEndX = INT_MIN, blueEndX = INT_MAX;
    bool showSensorEnds = false;       // outside a survey, with a described pipe
    int32_t cursorX = INT_MIN;         // INT_MIN: no cursor column
    std::vector<PipeBarSection> sections;  // empty: the one grey bar
    QString delayText;                 // under the cursor; empty: none
    std::vector<LegendModel> legends;  // one per pane with three traces, else none
};

// The eight panel frames of the result panel.
std::vector<graph::PixelRect> PanelFrames();

// Paints the model in the 640 x 480 space: the panel frames and the title,
// then the panes.
void PaintGraphModel(QPainter& painter, const GraphModel& model);
// The graph area alone: the panes, the pipe bar, the markers, the legends and
// the delay text.
void PaintGraphPanes(QPainter& painter, const GraphModel& model);

// The colour the mid layer leaves at (x, y) of a pane, before the markers.
QColor PaneColourAt(const GraphModel& model, const PaneModel& pane, int32_t x, int32_t y);
