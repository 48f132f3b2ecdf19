#include "screens/ComputeGraph.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {

constexpr int kDelaySteps = 4;
constexpr double kMarkRadius = 5.0;
constexpr double kRingRadius = 10.0;
constexpr int kLabelGap = 4;
constexpr int kLabelHeight = 14;

void PaintAxes(QPainter& p, const SeparationScale& across, const DelayScale& up, TimeUnit time,
               const ComputeGraphColours& c) {
    const QRect& r = kComputePlot;
    p.setPen(QPen(c.grid, 1, Qt::DotLine));
    for (int k = 1; k < across.steps; ++k) {
        const double x = r.left() + r.width() * static_cast<double>(k) / across.steps;
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
    }
    for (int k = 1; k < kDelaySteps; ++k) {
        const double y = r.bottom() - r.height() * static_cast<double>(k) / kDelaySteps;
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }
    p.setPen(QPen(c.text, 1));
    p.drawRect(r);
    // No delay at all: a solid line where the axis crosses zero.
    if (up.bottom < 0.0f && up.bottom + kDelaySteps * up.step > 0.0f) {
        const double y = ComputePlotPoint(across, up, 0.0f, 0.0f).y();
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }
    for (int k = 0; k <= across.steps; ++k) {
        const int x = r.left() + r.width() * k / across.steps;
        const QRect box(x - 30, r.bottom() + kLabelGap, 60, kLabelHeight);
        p.drawText(box, Qt::AlignHCenter | Qt::AlignTop, QString::fromStdU16String(SeparationTickLabel(across, k)));
    }
    for (int k = 0; k <= kDelaySteps; ++k) {
        const int y = r.bottom() - r.height() * k / kDelaySteps;
        const float value = up.bottom + static_cast<float>(k) * up.step;
        const QRect box(0, y - kLabelHeight / 2, r.left() - kLabelGap, kLabelHeight);
        p.drawText(box, Qt::AlignRight | Qt::AlignVCenter, QString::fromStdU16String(DelayTickLabel(value, time)));
    }
}

void PaintLine(QPainter& p, const LinearRegression& points, const SeparationScale& across, const DelayScale& up,
               const ComputeGraphColours& c) {
    if (!points.HasLine()) return;  // fewer than two points, or all at one separation
    const float right = static_cast<float>(across.steps) * across.step;
    const QPointF from = ComputePlotPoint(across, up, 0.0f, points.GetY(0.0f));
    const QPointF to = ComputePlotPoint(across, up, right, points.GetY(right));
    if (!std::isfinite(from.y()) || !std::isfinite(to.y())) return;
    p.save();
    p.setClipRect(kComputePlot);
    p.setPen(QPen(c.line, 2));
    p.drawLine(from, to);
    p.restore();
}

void PaintPoints(QPainter& p, const ComputeGraphInput& in, const SeparationScale& across, const DelayScale& up,
                 const ComputeGraphColours& c) {
    const LinearRegression& points = *in.points;
    for (size_t i = 0; i < points.Size(); ++i) {
        const RegressionPoint& point = points.Point(i);
        const QPointF at = ComputePlotPoint(across, up, point.x, point.y);
        if (!std::isfinite(at.x()) || !std::isfinite(at.y())) continue;
        if (point.included) {
            p.setPen(QPen(c.text, 1));
            p.setBrush(c.text);
            p.drawEllipse(at, kMarkRadius, kMarkRadius);
        } else {
            p.setPen(QPen(c.excluded, 2));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(at, kMarkRadius, kMarkRadius);
            const QPointF d(kMarkRadius + 2, kMarkRadius + 2);
            p.drawLine(at - d, at + d);
            p.drawLine(at + QPointF(-d.x(), d.y()), at + QPointF(d.x(), -d.y()));
        }
        if (i == in.selected) {
            p.setPen(QPen(c.selected, 3));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(at, kRingRadius, kRingRadius);
        }
    }
}

}  // namespace

ComputeGraphColours ComputeColours(bool inverted) {
    if (inverted)
        return {Qt::white, QColor(110, 110, 110), QColor(90, 170, 255), QColor(255, 80, 80), QColor(190, 190, 190)};
    return {Qt::black, QColor(170, 170, 170), QColor(0, 80, 200), QColor(220, 0, 0), QColor(110, 110, 110)};
}

QPointF ComputePlotPoint(const SeparationScale& across, const DelayScale& up, float x, float y) {
    const QRect& r = kComputePlot;
    const double width = static_cast<double>(across.steps) * across.step;
    const double height = kDelaySteps * static_cast<double>(up.step);
    return {r.left() + r.width() * (x / width), r.bottom() - r.height() * ((y - up.bottom) / height)};
}

void PaintComputeGraph(QPainter& painter, const ComputeGraphInput& in) {
    if (!in.points) return;
    const ComputeGraphColours c = ComputeColours(in.inverted);
    const SeparationScale across = SeparationAxis(*in.points);
    const DelayScale up = DelayAxis(*in.points, in.time);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    PaintAxes(painter, across, up, in.time, c);
    PaintLine(painter, *in.points, across, up, c);
    PaintPoints(painter, in, across, up, c);
    painter.restore();
}
