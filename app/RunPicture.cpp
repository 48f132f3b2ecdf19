// app/RunPicture.cpp — the saved run's picture.

#include "app/RunPicture.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

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

}  // namespace

QImage MakeRunPicture(const RunPictureInput& in) {
    QImage image(kGraphPictureWidth, kGraphPictureHeight, QImage::Format_RGB32);
    image.fill(QColor(kRunPictureBackground));
    QPainter p(&image);
    p.setPen(Qt::black);

    // The graph first: the screen's graph area scaled into the picture's,
    // clipped to it. The text comes after it on an opaque background, so the
    // fifth line of the left block (the SNR, at y 90-105) stays readable where
    // the graph begins at y 92.
    const graph::PixelRect& a = in.graph.area;
    const QRectF source(a.left, a.top, a.Width(), a.Height());
    p.save();
    p.setClipRect(kRunPictureGraph);
    p.translate(kRunPictureGraph.left(), kRunPictureGraph.top());
    p.scale((kRunPictureGraph.width()) / source.width(), (kRunPictureGraph.height()) / source.height());
    p.translate(-source.left(), -source.top());
    p.setLayoutDirection(Qt::LeftToRight);
    PaintGraphModel(p, in.graph);
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
