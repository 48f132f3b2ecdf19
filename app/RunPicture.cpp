// app/RunPicture.cpp — the saved run's picture.

#include "app/RunPicture.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "ui/ImageWriter.h"

namespace {

constexpr int kTitleHeight = 30;  // px, font and band
constexpr int kLineHeight = 15;   // px, every other line
constexpr int kBlockTop = 30;
constexpr int kLeftEdge = 2, kRightEdge = 797;
constexpr int kStationTop = 560;
constexpr int kDistanceTop = 585, kDistanceLeft = 42;
constexpr int kPaneShift = 20;    // station B moves left this much per pane
constexpr QChar kLeftToRightOverride(0x202D);

QFont FontOf(const QString& family, int height) {
    QFont font(family);
    font.setPixelSize(height);
    font.setWeight(QFont::Normal);
    return font;
}

// Maps a pane's rows from the screen's pane band (top ... from) onto the
// picture's (top ... to): y counts from the band's top, edges stay edges.
int32_t Stretched(int32_t y, int32_t top, int32_t from, int32_t to) {
    return top + static_cast<int32_t>(std::lround(double(y - top) * double(to - top) / double(std::max(from - top, 1))));
}

// The screen's graph, its legends included, scaled alike both ways to the
// picture's width; the panes grow downwards to fill the picture's height, so
// the text and the marks keep their shape and the traces gain rows.
GraphModel PictureGraph(const GraphModel& screen, double& scale) {
    GraphModel m = screen;
    const graph::PixelRect& a = screen.area;
    const int32_t width = std::max(graph::kGraphArea.right, a.right) - a.left + 1;
    scale = double(kRunPictureGraph.width()) / width;
    const auto height = static_cast<int32_t>(kRunPictureGraph.height() / scale);
    m.area.bottom = std::max(a.bottom, a.top + height - 1);
    const int32_t from = a.bottom + 1 - graph::kPipeBarBand, to = m.area.bottom + 1 - graph::kPipeBarBand;
    for (PaneModel& pane : m.panes) {
        const int32_t old = pane.rect.Height();
        pane.rect.top = Stretched(pane.rect.top, a.top, from, to);
        pane.rect.bottom = Stretched(pane.rect.bottom + 1, a.top, from, to) - 1;
        for (int32_t& h : pane.heights)
            if (h > 0) h = static_cast<int32_t>(std::lround(double(h) * pane.rect.Height() / std::max(old, 1)));
    }
    for (LegendModel& legend : m.legends) {
        const int32_t top = Stretched(legend.rect.top(), a.top, from, to);
        legend.rect.setBottom(Stretched(legend.rect.bottom() + 1, a.top, from, to) - 1);
        legend.rect.setTop(top);
    }
    return m;
}

}  // namespace

QImage MakeRunPicture(const RunPictureInput& in) {
    QImage image(kGraphPictureWidth, kGraphPictureHeight, QImage::Format_RGB32);
    image.fill(QColor(kRunPictureBackground));
    QPainter p(&image);
    p.setPen(Qt::black);

    // The graph first, clipped to its place. The text comes after it on an
    // opaque background, so the fifth line of the left block (the SNR, at y
    // 90-105) stays readable where the graph begins at y 92.
    double scale = 1.0;
    const GraphModel graph = PictureGraph(in.graph, scale);
    p.save();
    p.setClipRect(kRunPictureGraph);
    p.translate(kRunPictureGraph.left(), kRunPictureGraph.top());
    p.scale(scale, scale);
    p.translate(-graph.area.left, -graph.area.top);
    p.setLayoutDirection(Qt::LeftToRight);
    // The legends lie on the screen's background, as the panes do.
    const int32_t legendsRight = std::max(graph::kGraphArea.right, graph.area.right);
    p.fillRect(QRect(QPoint(graph.area.left, graph.area.top), QPoint(legendsRight, graph.area.bottom)), graph.colours.background);
    PaintGraphPanes(p, graph);
    p.restore();

    p.setBackground(QColor(kRunPictureBackground));
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setFont(FontOf(in.fontFamily, kTitleHeight));
    p.drawText(QRect(0, 0, kGraphPictureWidth, kTitleHeight), Qt::AlignCenter | Qt::TextSingleLine, in.title);

    p.setFont(FontOf(in.fontFamily, kLineHeight));
    p.setLayoutDirection(in.rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    const QString separator = in.rightToLeft ? QString(kLeftToRightOverride) : QString();
    const int side = (in.rightToLeft ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignAbsolute | Qt::AlignTop | Qt::TextSingleLine;
    for (size_t i = 0; i < in.labels.size(); ++i) {
        const int y = kBlockTop + static_cast<int>(i) * kLineHeight;
        p.drawText(QRect(QPoint(kLeftEdge, y), QPoint(kRightEdge, y + kLineHeight)), side,
                   in.labels[i] + separator + in.values[i]);
    }

    // The information block, as wide as its widest line, against the far edge.
    std::array<QString, 4> lines;
    if (!in.comments[0].isEmpty()) lines[0] = in.commentsLabel + separator + in.comments[0];
    lines[1] = in.comments[1].isEmpty() ? QString() : separator + in.comments[1];
    lines[2] = in.comments[2].isEmpty() ? QString() : separator + in.comments[2];
    if (!in.reference.isEmpty()) lines[3] = in.referenceLabel + separator + in.reference;
    const QFontMetrics metrics(p.font());
    int width = 0;
    for (const QString& line : lines) width = std::max(width, metrics.horizontalAdvance(line));
    const int left = in.rightToLeft ? kLeftEdge : kRightEdge - width;
    for (size_t i = 0; i < lines.size(); ++i) {
        const int y = kBlockTop + static_cast<int>(i) * kLineHeight;
        p.drawText(QRect(left, y, width + 1, kLineHeight), side, lines[i]);
    }

    const int shift = kPaneShift * std::max(in.paneCount, 1);
    if (!in.stationA.isNull()) p.drawPixmap(kLeftEdge, kStationTop, in.stationA);
    if (!in.stationB.isNull()) p.drawPixmap(818 - shift - in.stationB.width(), kStationTop, in.stationB);
    p.setLayoutDirection(Qt::LeftToRight);
    p.drawText(QRect(QPoint(kDistanceLeft, kDistanceTop), QPoint(800, 600)), Qt::AlignLeft | Qt::AlignTop, in.distanceA);
    p.drawText(QRect(QPoint(kDistanceLeft, kDistanceTop), QPoint(788 - shift, 600)), Qt::AlignRight | Qt::AlignTop,
               in.distanceB);
    p.end();
    return image.convertToFormat(QImage::Format_RGB888);
}
