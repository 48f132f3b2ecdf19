#pragma once
// app/RunPicture.h — the 800 x 600 picture SAVE keeps beside a run
// ("_corr.png", "_corr.jpg"): the run's title, a block of its file name,
// pipe, filters, elapsed time and SNR, the correlation graph as the main
// screen paints it (legends included, scaled alike both ways, its panes taller
// to fill the picture), the information texts, the station pictures and the
// leak's distances. Always in normal colours; made from plain values so that
// it is drawn (and tested) without a run or a window.

#include <QImage>
#include <QPixmap>
#include <QString>
#include <array>

#include "app/GraphView.h"

constexpr QRgb kRunPictureBackground = 0xECE9D8;  // the reference 0xD8E9EC, red in its low byte
constexpr QRect kRunPictureGraph(QPoint(2, 92), QPoint(798, 550));

struct RunPictureInput {
    QString title;                 // centred in (0,0)-(800,30), height 30
    QString fontFamily = QStringLiteral("Arial");
    bool rightToLeft = false;      // "FAS": lines right-aligned, U+202D between label and value
    // Left block, one line each from y = 30: label (with its blank) and value.
    std::array<QString, 5> labels; // FILENAME:, PIPE:, FILTERS:, ELAPSED:, SNR:
    std::array<QString, 5> values;
    // Right block: comment lines 1-3 and the reference, with their labels.
    QString commentsLabel, referenceLabel;
    std::array<QString, 3> comments;
    QString reference;
    GraphModel graph;              // the main screen's model, normal colours
    QPixmap stationA, stationB;
    int paneCount = 1;             // panes shown: moves station B's picture and distance left
    QString distanceA, distanceB;  // empty: none (a survey, or no result yet)
};

// The picture, 800 x 600, 24-bit RGB.
QImage MakeRunPicture(const RunPictureInput& in);
