#include "screens/FilterSpectrumPanel.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int kTextPixels = 14;          // axis labels, strip names
constexpr int kHeadingPixels = 15;       // dominant frequency, filter set
constexpr int kTabWidth = 26;            // marker tab, px: wide enough to see under a finger
constexpr int kTabHeight = 20;
constexpr int kCutoffPenWidth = 3;
constexpr int kNotchPenWidth = 2;
constexpr int kCurvePenWidth = 2;
constexpr int kCurveFillAlpha = 70;      // the area under a curve, 0 ... 255
constexpr int kMajorTick = 7, kMinorTick = 3;
constexpr int kAxisTextTop = kSpectrumBottom + 9;
constexpr int kHeadingTop = 100;         // the row of texts above the graph
constexpr int kMarginLeft = 4;           // strip names between here and the graph

int ScreenX(int column) { return kSpectrumLeft + column; }

QFont PanelFont(const QPainter& painter, int pixels, bool bold = false) {
    QFont f = painter.font();
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// Per column, the highest point of each curve where several bins share it.
struct ColumnHeights {
    std::array<int, spectrum::kAxisColumns> value;
};

std::array<ColumnHeights, 3> Reduce(const std::vector<spectrum::CurvePoint>& curves, std::array<bool, spectrum::kAxisColumns>& used) {
    std::array<ColumnHeights, 3> out;
    for (ColumnHeights& c : out) c.value.fill(0);
    used.fill(false);
    for (const spectrum::CurvePoint& p : curves) {
        if (p.column < 0 || p.column >= spectrum::kAxisColumns) continue;
        const auto i = static_cast<size_t>(p.column);
        used[i] = true;
        out[0].value[i] = std::max<int>(out[0].value[i], p.red);
        out[1].value[i] = std::max<int>(out[1].value[i], p.blue);
        out[2].value[i] = std::max<int>(out[2].value[i], p.product);
    }
    return out;
}

void PaintBack(QPainter& painter, const SpectrumPanelInput& in, const SpectrumColours& colours) {
    const QRect graph = SpectrumGraphRect();
    const MarkerColumns& m = in.markers;
    if (m.low >= 0 || m.high >= 0) {
        const int from = m.low >= 0 ? m.low : 0, to = m.high >= 0 ? m.high : spectrum::kAxisColumns;
        if (to > from) painter.fillRect(QRect(ScreenX(from), graph.top(), to - from + 1, graph.height()), colours.passBand);
    }
    if (m.notchLow >= 0 && m.notchHigh >= m.notchLow) {
        QBrush hatch(colours.notch, Qt::BDiagPattern);
        painter.fillRect(QRect(ScreenX(m.notchLow), graph.top(), m.notchHigh - m.notchLow + 1, graph.height()), hatch);
    }
    painter.setPen(QPen(colours.grid, 1));
    for (const spectrum::AxisTick& t : spectrum::AxisTicks(in.axis))
        if (t.labelled) painter.drawLine(ScreenX(t.column), graph.top(), ScreenX(t.column), graph.bottom());
    for (int strip = 0; strip < 3; ++strip)
        painter.drawLine(graph.left(), SpectrumBaseline(strip), graph.right(), SpectrumBaseline(strip));
}

void PaintCurves(QPainter& painter, const SpectrumPanelInput& in, const SpectrumColours& colours) {
    std::array<bool, spectrum::kAxisColumns> used;
    const std::array<ColumnHeights, 3> heights = Reduce(in.curves, used);
    const std::array<QColor, 3> colour = {colours.red, colours.blue, colours.product};
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (int strip = 0; strip < 3; ++strip) {
        const int base = SpectrumBaseline(strip);
        QPolygon line;
        for (int c = 0; c < spectrum::kAxisColumns; ++c)
            if (used[static_cast<size_t>(c)]) line << QPoint(ScreenX(c), base - heights[static_cast<size_t>(strip)].value[static_cast<size_t>(c)]);
        if (line.size() < 2) continue;
        QPolygon area = line;
        area << QPoint(line.last().x(), base) << QPoint(line.first().x(), base);
        QColor fill = colour[static_cast<size_t>(strip)];
        fill.setAlpha(kCurveFillAlpha);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawPolygon(area);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(colour[static_cast<size_t>(strip)], kCurvePenWidth));
        painter.drawPolyline(line);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
}

// A marker line through the graph and a tab at its top whose triangle points
// into the band it bounds: right for the low cut-off, left for the high one,
// down for a notch limit.
void PaintMarker(QPainter& painter, int column, const QColor& colour, int penWidth, Qt::PenStyle style, int pointing,
                 const QColor& background) {
    if (column < 0) return;
    const QRect graph = SpectrumGraphRect();
    const int x = ScreenX(column);
    painter.setPen(QPen(colour, penWidth, style, Qt::FlatCap));
    painter.drawLine(x, graph.top(), x, graph.bottom());
    const QRect tab(x - kTabWidth / 2, graph.top() + 1, kTabWidth, kTabHeight);
    painter.fillRect(tab, colour);
    const QPoint c = tab.center();
    QPolygon arrow;
    if (pointing > 0) arrow << QPoint(c.x() - 5, c.y() - 6) << QPoint(c.x() + 6, c.y()) << QPoint(c.x() - 5, c.y() + 6);
    else if (pointing < 0) arrow << QPoint(c.x() + 5, c.y() - 6) << QPoint(c.x() - 6, c.y()) << QPoint(c.x() + 5, c.y() + 6);
    else arrow << QPoint(c.x() - 6, c.y() - 4) << QPoint(c.x() + 6, c.y() - 4) << QPoint(c.x(), c.y() + 6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.drawPolygon(arrow);
    painter.setBrush(Qt::NoBrush);
}

void PaintFore(QPainter& painter, const SpectrumPanelInput& in, const SpectrumColours& colours) {
    const QRect graph = SpectrumGraphRect();
    const QColor background = in.inverted ? Qt::black : Qt::white;
    const MarkerColumns& m = in.markers;
    PaintMarker(painter, m.notchLow, colours.notch, kNotchPenWidth, Qt::DashLine, 0, background);
    PaintMarker(painter, m.notchHigh, colours.notch, kNotchPenWidth, Qt::DashLine, 0, background);
    PaintMarker(painter, m.low, colours.cutoff, kCutoffPenWidth, Qt::SolidLine, +1, background);
    PaintMarker(painter, m.high, colours.cutoff, kCutoffPenWidth, Qt::SolidLine, -1, background);

    painter.setPen(QPen(colours.frame, 1));
    painter.drawRect(graph.adjusted(0, 0, -1, -1));

    // Axis: ticks below the graph, labels in hertz, the unit at the right end.
    painter.setFont(PanelFont(painter, kTextPixels));
    const QFontMetrics metrics(painter.font());
    int lastRight = -1000;
    for (const spectrum::AxisTick& t : spectrum::AxisTicks(in.axis)) {
        const int x = ScreenX(t.column);
        painter.drawLine(x, graph.bottom() + 1, x, graph.bottom() + (t.labelled ? kMajorTick : kMinorTick));
        if (!t.labelled) continue;
        const QString text = AxisLabelText(t.hz);
        const int w = metrics.horizontalAdvance(text);
        const QRect box(x - w / 2, kAxisTextTop, w, metrics.height());
        if (box.left() <= lastRight + 4) continue;  // never let two labels touch
        painter.drawText(box, Qt::AlignCenter, text);
        lastRight = box.right();
    }
    painter.drawText(QRect(graph.right() + 16, kAxisTextTop, 60, metrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Hz"));

    // Strip names in their curve's colour, left of the graph.
    const std::array<std::pair<QString, QColor>, 3> names = {
        std::pair{in.redName, colours.red}, {in.blueName, colours.blue}, {in.productName, colours.product}};
    painter.setFont(PanelFont(painter, kTextPixels, true));
    for (int s = 0; s < 3; ++s) {
        painter.setPen(names[static_cast<size_t>(s)].second);
        const QRect box(kMarginLeft, kSpectrumTop + s * kSpectrumStripRows, kSpectrumLeft - kMarginLeft - 4, kSpectrumStripRows);
        painter.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, names[static_cast<size_t>(s)].first);
    }

    // Dominant frequency: a pointer under the axis and its value above the graph.
    painter.setFont(PanelFont(painter, kHeadingPixels, true));
    const QRect heading(kSpectrumLeft, kHeadingTop, graph.width(), kTabHeight);
    painter.setPen(colours.text);
    // Values keep their digits before the unit in a right-to-left sentence.
    const auto value = [&in](const QString& v) { return in.rightToLeft ? QChar(0x202A) + v + QChar(0x202C) : v; };
    const QString dominant = in.dominantHz > 0
                                 ? QStringLiteral("%1 %2").arg(in.dominantWord, value(QStringLiteral("%1Hz").arg(std::lround(in.dominantHz))))
                                 : QStringLiteral("%1 ---").arg(in.dominantWord);
    const Qt::Alignment start = in.rightToLeft ? Qt::AlignRight : Qt::AlignLeft;
    const Qt::Alignment end = in.rightToLeft ? Qt::AlignLeft : Qt::AlignRight;
    painter.setLayoutDirection(in.rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    painter.drawText(heading, end | Qt::AlignVCenter | Qt::AlignAbsolute, dominant);
    if (in.traceCount > 1)
        painter.drawText(heading, start | Qt::AlignVCenter | Qt::AlignAbsolute,
                         QStringLiteral("%1 %2").arg(in.setWord).arg(3 - in.currentSet));
    const int dominantColumn = in.dominantHz > 0 ? in.axis.ColumnOf(in.dominantHz) : -1;
    if (dominantColumn >= 0 && dominantColumn <= spectrum::kAxisColumns) {
        const int x = ScreenX(dominantColumn), y = graph.bottom() - 1;
        painter.setPen(Qt::NoPen);
        painter.setBrush(colours.product);
        painter.drawPolygon(QPolygon({QPoint(x, y - 9), QPoint(x - 6, y), QPoint(x + 6, y)}));
        painter.setBrush(Qt::NoBrush);
    }
}

}  // namespace

SpectrumColours SpectrumPanelColours(bool inverted) {
    if (inverted)
        return {QColor(0xFF, 0x60, 0x60), QColor(0x60, 0xB0, 0xFF), QColor(0x50, 0xE0, 0x50), QColor(0x30, 0x30, 0x18),
                QColor(0xFF, 0xB0, 0x30), QColor(0xE0, 0x90, 0xFF), QColor(0x38, 0x38, 0x38), Qt::white, Qt::white};
    return {QColor(0xC0, 0x00, 0x00), QColor(0x00, 0x40, 0xD0), QColor(0x00, 0x80, 0x00), QColor(0xFF, 0xF6, 0xC8),
            QColor(0xE0, 0x70, 0x00), QColor(0x80, 0x00, 0xC0), QColor(0xD8, 0xD8, 0xD8), Qt::black, Qt::black};
}

int SpectrumBaseline(int strip) {
    return kSpectrumTop + (strip + 1) * kSpectrumStripRows - 1 - kSpectrumBaselineGap;
}

QString AxisLabelText(float hz) {
    if (hz < 1000.0f) return QString::number(std::lround(hz));
    const double k = static_cast<double>(hz) / 1000.0;
    if (std::fabs(k - std::round(k)) < 1e-3) return QStringLiteral("%1k").arg(std::lround(k));
    return QStringLiteral("%1k").arg(k, 0, 'f', 1);
}

void PaintSpectrumPanel(QPainter& painter, const SpectrumPanelInput& in) {
    const SpectrumColours colours = SpectrumPanelColours(in.inverted);
    painter.save();
    painter.setClipRect(SpectrumGraphRect());
    PaintBack(painter, in, colours);
    PaintCurves(painter, in, colours);
    painter.restore();
    painter.save();
    PaintFore(painter, in, colours);
    painter.restore();
}
