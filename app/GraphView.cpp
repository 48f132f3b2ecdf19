// app/GraphView.cpp — the correlation graph: the paint model from the run,
// its paint in back, mid and fore layers, the results texts, touches on the
// graph, zoom and peak suppression.

#include "app/GraphView.h"

#include <QLabel>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "app/CorrelatorDlg.h"
#include "pipe/Materials.h"
#include "settings/Configuration.h"
#include "ui/PictureSet.h"
#include "ui/Resources.h"

namespace {

constexpr int32_t kSampleUnit = static_cast<int32_t>(DelayUnit::Samples);
constexpr int32_t kSecondsUnit = static_cast<int32_t>(DelayUnit::Seconds);
constexpr int32_t kBarOffset = 10;      // pipe bar: 10 px below the panes, 9 thick
constexpr int32_t kBarThickness = 9;
constexpr int32_t kJointTop = 5, kJointBottom = 16;  // joint ticks below the panes
constexpr int32_t kDelayTextOffset = 20;
constexpr int32_t kDiamondPeriod = 10;
constexpr int32_t kDiamondHalfWidths[] = {0, 1, 2, 1, 0};  // 1, 3, 5, 3, 1 px
constexpr int kLabelFontHeight = 15;
constexpr int kTitlePoints = 12;
const QRect kTitleRect(QPoint(17, 66), QPoint(618, 90));

QColor FromRgb(QRgb rgb) { return QColor::fromRgb(rgb); }

// Halved, or in the inverted display brightened halfway to white.
QColor CursorColour(const QColor& c, bool inverted) {
    if (inverted) return QColor((c.red() + 255) / 2, (c.green() + 255) / 2, (c.blue() + 255) / 2);
    return QColor(c.red() / 2, c.green() / 2, c.blue() / 2);
}

// Halved plus 0x80 in the red or the blue channel.
QColor EndColour(const QColor& c, bool red) {
    const int r = c.red() / 2 + (red ? 0x80 : 0), b = c.blue() / 2 + (red ? 0 : 0x80);
    return QColor(std::min(r, 255), c.green() / 2, std::min(b, 255));
}

void DrawEtched(QPainter& p, const graph::PixelRect& r, bool inverted) {
    const QColor dark = inverted ? QColor(0x60, 0x60, 0x60) : QColor(0x80, 0x80, 0x80);
    const QColor light = inverted ? QColor(0x20, 0x20, 0x20) : QColor(0xFF, 0xFF, 0xFF);
    p.setBrush(Qt::NoBrush);
    p.setPen(dark);
    p.drawRect(QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)));
    p.setPen(light);
    p.drawRect(QRect(QPoint(r.left + 1, r.top + 1), QPoint(r.right, r.bottom)));
}

int32_t HeightAt(const PaneModel& pane, int32_t x) { return pane.heights[static_cast<size_t>(x - pane.rect.left)]; }

// A suppressed column is grey through; outside the sensor range only its
// background is, so a peak there still shows.
bool Suppressed(const PaneModel& pane, int32_t x) { return HeightAt(pane, x) < 0; }
bool OffPipe(const GraphModel& m, int32_t x) { return m.showSensorEnds && (x < m.redEndX || x > m.blueEndX); }

// A diamond column: 5-row diamonds every 10 px, each pixel recoloured.
template <class Recolour>
void DrawDiamonds(QPainter& p, const GraphModel& m, const PaneModel& pane, int32_t x, Recolour recolour) {
    for (int32_t top = pane.rect.top; top <= pane.rect.bottom; top += kDiamondPeriod)
        for (int32_t row = 0; row < 5 && top + row <= pane.rect.bottom; ++row)
            for (int32_t dx = -kDiamondHalfWidths[row]; dx <= kDiamondHalfWidths[row]; ++dx) {
                const int32_t px = x + dx, py = top + row;
                if (px < pane.rect.left || px > pane.rect.right) continue;
                p.setPen(recolour(PaneColourAt(m, pane, px, py)));
                p.drawPoint(px, py);
            }
}

}  // namespace

GraphColours GraphColoursFor(int32_t colourScheme) {
    if (colourScheme != 0) return {true, Qt::black, Qt::white, Qt::white, FromRgb(0x1F1F1F)};
    return {false, Qt::white, Qt::black, FromRgb(0x008000), FromRgb(0xDFDFDF)};
}

std::vector<graph::PixelRect> PanelFrames() {
    return {{17, 78, 618, 411},  {17, 359, 87, 411},  {87, 359, 134, 411},  {134, 359, 400, 384},
            {134, 384, 400, 411}, {400, 359, 548, 384}, {400, 384, 548, 411}, {548, 359, 618, 411}};
}

QColor PaneColourAt(const GraphModel& m, const PaneModel& pane, int32_t x, int32_t y) {
    if (!pane.rect.Contains(x, y)) return m.colours.background;
    if (Suppressed(pane, x)) return m.colours.grey;
    if (y > pane.rect.bottom - HeightAt(pane, x)) return m.colours.fill;
    return OffPipe(m, x) ? m.colours.grey : m.colours.background;
}

namespace {

int LogicalHeight(const QPixmap& pixmap) { return static_cast<int>(pixmap.height() / pixmap.devicePixelRatio()); }

// A legend top-down inside its rectangle: the text lines keep their height,
// the pictures share what is left (never drawn larger than they are), the
// items 1 px apart while there is room; nothing runs into the next legend.
void PaintLegend(QPainter& p, const LegendModel& legend) {
    constexpr int kLine = kLabelFontHeight + 1;
    const QRect& r = legend.rect;
    const int lines = int(!legend.band.isEmpty()) + int(!legend.notch.isEmpty());
    const int pictures = int(!legend.picture.isNull()) + int(!legend.second.isNull());
    const int natural = LogicalHeight(legend.picture) * int(!legend.picture.isNull()) +
                        LogicalHeight(legend.second) * int(!legend.second.isNull());
    const int gaps = std::max(lines + pictures - 1, 0);
    const int gap = lines * kLine + natural + gaps <= r.height() ? 1 : 0;
    const int room = pictures > 0 ? (r.height() - lines * kLine - gap * gaps) / pictures : 0;
    int y = r.top();
    const auto picture = [&](const QPixmap& pixmap) {
        if (pixmap.isNull()) return;
        const int full = LogicalHeight(pixmap), h = std::min(full, room);
        if (h <= 0) return;
        const int w = static_cast<int>(pixmap.width() / pixmap.devicePixelRatio()) * h / full;
        p.drawPixmap(QRect(r.left(), y, w, h), pixmap);
        y += h + gap;
    };
    const auto line = [&](const QString& text) {
        if (text.isEmpty() || y + kLine - 1 > r.bottom()) return;
        p.drawText(QRect(r.left(), y, r.width(), kLine), Qt::AlignLeft, text);
        y += kLine + gap;
    };
    picture(legend.picture);
    line(legend.band);
    picture(legend.second);
    line(legend.notch);
}

}  // namespace

void PaintGraphModel(QPainter& p, const GraphModel& m) {
    p.save();
    for (const graph::PixelRect& frame : PanelFrames()) DrawEtched(p, frame, m.colours.inverted);
    if (!m.title.isEmpty()) {
        p.setFont(m.titleFont);
        p.setPen(m.colours.text);
        p.drawText(kTitleRect, Qt::AlignCenter | Qt::TextSingleLine, m.title);
    }
    p.restore();
    PaintGraphPanes(p, m);
}

void PaintGraphPanes(QPainter& p, const GraphModel& m) {
    p.save();
    // Back: the area's background.
    p.fillRect(QRect(QPoint(m.area.left, m.area.top), QPoint(m.area.right, m.area.bottom)), m.colours.background);

    // Mid: the filled columns; suppressed ones grey through, those off the
    // pipe on a grey background.
    for (const PaneModel& pane : m.panes) {
        for (int32_t x = pane.rect.left; x <= pane.rect.right; ++x) {
            if (Suppressed(pane, x) || OffPipe(m, x)) p.fillRect(x, pane.rect.top, 1, pane.rect.Height(), m.colours.grey);
            if (Suppressed(pane, x)) continue;
            const int32_t h = std::clamp(HeightAt(pane, x), 0, pane.rect.Height());
            if (h > 0) p.fillRect(x, pane.rect.bottom - h + 1, 1, h, m.colours.fill);
        }
    }
    const int32_t panesBottom = m.panes.empty() ? m.area.bottom - graph::kPipeBarBand : m.panes.front().rect.bottom;
    const int32_t barTop = panesBottom + kBarOffset;
    if (m.sections.empty()) {
        p.fillRect(m.area.left, barTop, m.area.Width(), kBarThickness, FromRgb(kPipeBarGrey));
    } else {
        int32_t from = std::max(m.redEndX, m.area.left);
        for (const PipeBarSection& s : m.sections) {
            const int32_t to = std::min(s.endX, m.area.right);
            if (to >= from) p.fillRect(from, barTop, to - from + 1, kBarThickness, s.colour);
            from = to + 1;
        }
        for (size_t i = 0; i + 1 < m.sections.size(); ++i)
            p.fillRect(m.sections[i].endX, panesBottom + kJointTop, 2, kJointBottom - kJointTop + 1, Qt::black);
    }

    // Fore: cursor and sensor-end diamonds, the delay text.
    for (const PaneModel& pane : m.panes) {
        if (m.cursorX != INT_MIN)
            DrawDiamonds(p, m, pane, m.cursorX, [&](const QColor& c) { return CursorColour(c, m.colours.inverted); });
        if (m.showSensorEnds) {
            if (pane.rect.Contains(m.redEndX, pane.rect.top))
                DrawDiamonds(p, m, pane, m.redEndX, [](const QColor& c) { return EndColour(c, true); });
            if (pane.rect.Contains(m.blueEndX, pane.rect.top))
                DrawDiamonds(p, m, pane, m.blueEndX, [](const QColor& c) { return EndColour(c, false); });
        }
    }
    p.setFont(m.labelFont);
    p.setPen(m.colours.text);
    for (const LegendModel& legend : m.legends) PaintLegend(p, legend);
    if (!m.delayText.isEmpty() && m.cursorX != INT_MIN) {
        p.setFont(m.labelFont);
        p.setPen(m.colours.text);
        const int w = p.fontMetrics().horizontalAdvance(m.delayText) + 4;
        const int left = std::clamp(m.cursorX - w / 2, m.area.left, std::max(m.area.left, m.area.right - w));
        p.drawText(QRect(left, panesBottom + kDelayTextOffset, w, kLabelFontHeight + 2), Qt::AlignCenter,
                   m.delayText);
    }
    p.restore();
}

// ---- the main screen's graph ----------------------------------------------------------

// Results texts and the paint model from the run.
void CCorrelatorDlg::UpdateResultTexts() {
    CCorrelation& run = *m_run;
    // In post-filter mode the selected accumulator is derived with the display
    // trace; the peak, the SNR and the cursor read it.
    run.DisplayTrace(run.SelectedAccumulator());
    const bool havePeak = run.FindPeak(run.SelectedAccumulator()).height > 0 && run.SamplesCorrelated() > 0;
    if (run.View().cursorOnPeak && havePeak) {
        run.View().cursorLag = run.FindPeak(run.SelectedAccumulator()).peakIndex - run.MaxLag();
        m_cursorDelay = run.PeakDelay(kSecondsUnit);
        m_resultsChanged = true;
    } else if (m_resultsChanged) {
        m_cursorDelay = ConvertDelay(static_cast<float>(run.View().cursorLag), DelayUnit::Samples, DelayUnit::Seconds,
                                     run.SampleRate());
    }

    const graph::DistanceTexts distances =
        graph::DistancesFor(run.Pipe(), m_cursorDelay, g_configuration.unitSystem, m_resultsChanged);
    SetItemText(kIdDistanceA, QString::fromStdU16String(distances.fromA));
    SetItemText(kIdDistanceB, QString::fromStdU16String(distances.fromB));

    if (!m_loop.StatusLineHeld() && run.SamplesCorrelated() > 0) {
        const graph::GraphWarning warning = graph::WarningFor(
            run.PeakDelay(kSecondsUnit), run.Pipe().GetTotalTime(DelayUnit::Seconds), m_resultsChanged);
        if (warning != graph::GraphWarning::None) {
            SetItemText(kIdStatusLine,
                        warning == graph::GraphWarning::OutOfBracket ? m_text.outOfBracket : m_text.centre);
            m_loop.HoldStatusLine();
        }
    }

    if (run.SamplesCorrelated() == 0 && !m_loop.Running()) return;  // idle: the bare prefixes stay
    if (!m_loop.Optimising()) RefreshLabels();
    ShowSnr(run.SamplesCorrelated() > 0 ? run.Snr() : 0.0f);
}

void CCorrelatorDlg::ShowSnr(float snr) {
    SetItemText(kIdSnrLabel, m_text.snr + LeftToRight(QString::fromStdU16String(graph::SnrText(snr))));
    const graph::SnrQuality quality = graph::QualityForSnr(snr);
    if (auto* icon = Item<QLabel>(kIdSnrIcon); icon && quality != graph::SnrQuality::Hidden)
        icon->setPixmap(Picture(quality == graph::SnrQuality::Good     ? kPictureSnrGood
                                : quality == graph::SnrQuality::Medium ? kPictureSnrMedium
                                                                       : kPictureSnrPoor));
    ShowItem(kIdSnrIcon, quality != graph::SnrQuality::Hidden);
}

void CCorrelatorDlg::ShowEmptyResults() {
    ShowSnr(0.0f);
    SetItemText(kIdDistanceA, QString());
    SetItemText(kIdDistanceB, QString());
    const double seconds = m_run->Clock().ElapsedMs() / 1000.0;
    SetItemText(kIdElapsedLabel, m_text.elapsed + LeftToRight(QString::number(seconds, 'f', 1) + QStringLiteral("s")));
}

void CCorrelatorDlg::BuildGraphModel() {
    CCorrelation& run = *m_run;
    GraphModel& m = m_model;
    m.colours = GraphColoursFor(g_configuration.colourScheme);
    const QString family = g_configuration.Language() == u"CHS" ? QStringLiteral("SimSun") : QStringLiteral("Arial");
    m.labelFont = QFont(family);
    m.labelFont.setPixelSize(kLabelFontHeight);
    m.titleFont = QFont(family, kTitlePoints);
    m.title = m_runTitle;

    // Legends of three traces: the widest band text + 10.
    const int traces = run.TraceCount();
    m_legendWidth = 0;
    if (traces > 1) {
        const QFontMetrics metrics(m.labelFont);
        for (int k = 0; k < traces; ++k)
            m_legendWidth = std::max(m_legendWidth, metrics.horizontalAdvance(QString::fromStdU16String(
                                                        run.PostFilterOf(k).BandText(run.SampleRate(), LoadFilterWords()))));
        m_legendWidth = std::max(m_legendWidth, Picture(LegendPicture(LegendKind::Band)).width()) + graph::kLegendMargin;
    }
    m.area = graph::GraphAreaFor(traces, m_legendWidth);
    const int n = traces > 1 ? traces : std::max(1, run.ValidCount());
    const std::vector<graph::PixelRect> rects = graph::PaneRects(m.area, n, m_enlargedRow);
    const int32_t width = rects.front().Width();
    if (run.Columns() != width) run.SetDisplaySize(width, run.DisplayHeight());

    m.panes.clear();
    for (int i = 0; i < n; ++i) {
        PaneModel pane{rects[static_cast<size_t>(i)], {}};
        const std::vector<int16_t>& columns = run.DisplayTrace(i);
        const int32_t height = pane.rect.Height(), full = std::max<int32_t>(run.DisplayHeight(), 1);
        pane.heights.resize(static_cast<size_t>(pane.rect.Width()));
        for (int32_t x = 0; x < pane.rect.Width(); ++x) {
            const int32_t c = graph::ColumnOfPixel(pane.rect, pane.rect.left + x, run.Columns());
            const int16_t v = c < static_cast<int32_t>(columns.size()) ? columns[static_cast<size_t>(c)] : 0;
            pane.heights[static_cast<size_t>(x)] = v < 0 ? -1 : v * height / full;
        }
        m.panes.push_back(std::move(pane));
    }
    m.legends.clear();
    m_legendRects = {};
    if (traces > 1) {
        const FilterWords words = LoadFilterWords();
        for (int i = 0; i < n && i < CCorrelation::kTraces; ++i) {
            const graph::PixelRect& r = m.panes[static_cast<size_t>(i)].rect;
            const FilterBand& band = run.PostFilterOf(i).Band();
            const LegendKind kind = band.lowCut > 0 && band.highCut > 0 ? LegendKind::Band
                                    : band.lowCut > 0                   ? LegendKind::LowCutOnly
                                    : band.highCut > 0                  ? LegendKind::HighCutOnly
                                                                        : LegendKind::Open;
            LegendModel legend;
            legend.rect = QRect(QPoint(r.right + 4, r.top), QPoint(graph::kGraphArea.right, r.bottom));
            legend.picture = Picture(LegendPicture(kind));
            if (r.Height() > 25) legend.band = QString::fromStdU16String(run.PostFilterOf(i).BandText(run.SampleRate(), words));
            if (r.Height() > 38) legend.second = Picture(kPictureLegendSecond);
            if (r.Height() > 51)
                legend.notch = QString::fromStdU16String(run.PostFilterOf(i).NotchText(run.SampleRate(), words));
            m_legendRects[static_cast<size_t>(i)] = legend.rect;
            m.legends.push_back(std::move(legend));
        }
    }
    // The analysis of the selected trace stays the one the labels read.
    run.DisplayTrace(run.SelectedAccumulator());

    const graph::PixelRect& pane0 = m.panes.front().rect;
    const auto pixelOfDelay = [&](float seconds) {
        return graph::PixelOfColumn(pane0, run.ColumnOfDelay(seconds, kSecondsUnit), run.Columns());
    };
    const CPipe& pipe = run.Pipe();
    const float travel = pipe.GetTotalTime(DelayUnit::Seconds);
    const bool described = !pipe.IsSurvey() && pipe.GetSectionCount() > 0 && travel > 0;
    m.showSensorEnds = described;
    m.redEndX = described ? pixelOfDelay(-travel) : INT_MIN;
    m.blueEndX = described ? pixelOfDelay(travel) : INT_MAX;
    m.sections.clear();
    const bool rangeOnGraph = described && m.redEndX <= m.area.right && m.blueEndX >= m.area.left && m.blueEndX > m.redEndX;
    if (pipe.GetSectionCount() >= 2 && rangeOnGraph) {
        float elapsed = 0;
        for (int i = 0; i < pipe.GetSectionCount(); ++i) {
            elapsed += pipe.GetSection(i).GetTime(TimeUnit::Seconds);
            const MaterialColour c = pipe.GetSection(i).GetColour();
            m.sections.push_back({pixelOfDelay(-travel + 2.0f * elapsed), QColor(c.r, c.g, c.b)});
        }
    }
    const int32_t cursorColumn = run.CursorColumn();
    m.cursorX = cursorColumn >= 0 && cursorColumn < run.Columns() ? graph::PixelOfColumn(pane0, cursorColumn, run.Columns())
                                                                 : INT_MIN;
    m.delayText = m_resultsChanged
                      ? QString::fromStdU16String(FormatTime(m_cursorDelay, static_cast<TimeUnit>(g_configuration.velocityPerMs)))
                      : QString();
    SetItemText(kIdCursorDelayText, m.delayText);
    m_modelStale = false;
}

void CCorrelatorDlg::PaintGraph(QPainter& painter) {
    if (m_modelStale) {
        UpdateResultTexts();
        BuildGraphModel();
        m_loop.MarkRepainted();
    }
    PaintGraphModel(painter, m_model);
}

void CCorrelatorDlg::OnPaint(QPainter& painter) { PaintGraph(painter); }

void CCorrelatorDlg::ShowResultsNow() {
    if (const uint32_t ms = m_run->Clock().ElapsedMs())
        SetItemText(kIdElapsedLabel, m_text.elapsed + LeftToRight(QString::number(ms / 1000.0, 'f', 1) + QStringLiteral("s")));
    UpdateResultTexts();
    BuildGraphModel();
    update();
}

// ---- touches ------------------------------------------------------------------------

float CCorrelatorDlg::DelayAtPixel(int x) const {
    const graph::PixelRect pane = m_model.panes.empty() ? graph::kGraphArea : m_model.panes.front().rect;
    return m_run->DelayOfColumn(graph::ColumnOfPixel(pane, x, m_run->Columns()), kSecondsUnit);
}

void CCorrelatorDlg::OnPenDown(QPoint at) {
    const graph::PixelRect area = graph::GraphAreaFor(m_run->TraceCount(), m_legendWidth);
    const bool inside = area.Contains(at.x(), at.y());
    switch (m_mode) {
    case GraphMode::None:
    case GraphMode::ZoomBar:
        if (inside) {
            CCorrelation& run = *m_run;
            const float lag = ConvertDelay(DelayAtPixel(at.x()), DelayUnit::Seconds, DelayUnit::Samples, run.SampleRate());
            run.View().cursorLag = static_cast<int32_t>(std::lround(lag));
            run.View().cursorOnPeak = 0;
            SetCheck(kIdAutoCursor, 0);
            m_resultsChanged = true;
            InvalidateGraph();
        } else {
            for (size_t k = 0; k < m_legendRects.size(); ++k)
                if (!m_legendRects[k].isEmpty() && m_legendRects[k].contains(at)) {
                    OpenFilterScreen(static_cast<int>(k));
                    break;
                }
        }
        break;
    case GraphMode::SuppressionBar:
        if (inside) {
            m_dragStart = DelayAtPixel(at.x());
            m_dragging = true;
        }
        break;
    case GraphMode::SetLeft:
    case GraphMode::SetRight:
        if (!inside) break;
        if (m_mode == GraphMode::SetLeft) {
            m_suppressLeft = DelayAtPixel(at.x());
            m_suppressLeftSet = true;
            SetCheck(kIdSetLeft, 0);
        } else {
            m_suppressRight = DelayAtPixel(at.x());
            m_suppressRightSet = true;
            SetCheck(kIdSetRight, 0);
        }
        if (m_suppressLeftSet && m_suppressRightSet) SetSuppressionFromTouch(m_suppressLeft, m_suppressRight);
        m_mode = GraphMode::None;
        InvalidateGraph();
        break;
    }
}

void CCorrelatorDlg::OnPenMove(QPoint at) {
    if (m_mode != GraphMode::SuppressionBar || !m_dragging) return;
    SetSuppressionFromTouch(m_dragStart, DelayAtPixel(std::clamp(at.x(), graph::kGraphArea.left, graph::kGraphArea.right)));
    InvalidateGraph();
}

void CCorrelatorDlg::OnPenUp(QPoint) { m_dragging = false; }

void CCorrelatorDlg::SetSuppressionFromTouch(float a, float b) {
    m_run->SetSuppression(std::min(a, b), std::max(a, b), kSecondsUnit);
    SetCheck(kIdPeakSuppress, 1);
}

// ---- zoom -----------------------------------------------------------------------------

void CCorrelatorDlg::ApplyZoom(int which) {
    CCorrelation& run = *m_run;
    graph::ZoomInput z;
    z.cursor = run.View().cursorOnPeak ? run.FindPeak(run.SelectedAccumulator()).peakIndex - run.MaxLag()
                                       : run.View().cursorLag;
    z.window = {run.LeftLag(), run.RightLag()};
    z.range = static_cast<int32_t>(std::lround(
        ConvertDelay(run.Range(), static_cast<DelayUnit>(run.RangeUnit()), DelayUnit::Samples, run.SampleRate())));
    z.range = std::min(z.range, run.MaxLag());
    z.columns = run.Columns();
    z.cursorColumn = std::clamp(run.ColumnOfDelay(static_cast<float>(z.cursor), kSampleUnit), 0, std::max(z.columns - 1, 0));
    graph::LagWindow w;
    switch (which) {
    case kIdZoomIn: w = graph::ZoomIn(z); break;
    case kIdZoomOut: w = graph::ZoomOut(z); break;
    case kIdZoomMax: w = graph::ZoomMax(z); break;
    default: w = graph::FullPipeView(z); break;
    }
    run.SetVisibleWindow(static_cast<float>(w.left), static_cast<float>(w.right), kSampleUnit);
    run.View().cursorLag = z.cursor;
    SetCheck(kIdZoom, which == kIdFullPipeView ? 0 : 1);
    InvalidateGraph();
}

void CCorrelatorDlg::OnZoomIn() { ApplyZoom(kIdZoomIn); }
void CCorrelatorDlg::OnZoomOut() { ApplyZoom(kIdZoomOut); }
void CCorrelatorDlg::OnFullPipeView() { ApplyZoom(kIdFullPipeView); }
void CCorrelatorDlg::OnZoomMax() { ApplyZoom(kIdZoomMax); }
