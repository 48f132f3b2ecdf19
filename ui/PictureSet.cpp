// ui/PictureSet.cpp — the picture table, the drawings and the cache.

#include "ui/PictureSet.h"

#include "settings/Configuration.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>
#include <unordered_map>

namespace {

using R = PictureRole;

// clang-format off
constexpr std::array kTable = {
    PictureEntry{170, 239, R::SnrQuality, 0, true},
    PictureEntry{169, 240, R::SnrQuality, 1, true},
    PictureEntry{168, 241, R::SnrQuality, 2, true},
    PictureEntry{140, 226, R::SignalBars, 0, true},
    PictureEntry{152, 228, R::SignalBars, 1, true},
    PictureEntry{153, 229, R::SignalBars, 2, true},
    PictureEntry{154, 230, R::SignalBars, 3, true},
    PictureEntry{155, 231, R::SignalBars, 4, true},
    PictureEntry{156, 232, R::SignalBars, 5, true},
    PictureEntry{157, 233, R::SignalBars, 6, true},
    PictureEntry{158, 234, R::SignalBars, 7, true},
    PictureEntry{159, 235, R::SignalBars, 8, true},
    PictureEntry{160, 236, R::SignalBars, 9, true},
    PictureEntry{161, 237, R::SignalBars, 10, true},
    PictureEntry{186, 227, R::NoReception, 0, true},
    PictureEntry{167, 206, R::BatteryBars, 0, true},
    PictureEntry{190, 207, R::BatteryBlank, 0, true},
    PictureEntry{166, 208, R::BatteryBars, 1, true},
    PictureEntry{165, 209, R::BatteryBars, 2, true},
    PictureEntry{164, 210, R::BatteryBars, 3, true},
    PictureEntry{163, 211, R::BatteryBars, 4, true},
    PictureEntry{162, 212, R::BatteryBars, 5, true},
    PictureEntry{129, 222, R::Station, 0, true},
    PictureEntry{132, 225, R::Station, 1, true},
    PictureEntry{134, 213, R::Station, 2, true},
    PictureEntry{133, 202, R::Station, 3, true},
    PictureEntry{183, 217, R::Legend, int(LegendKind::HighCutOnly), true},
    PictureEntry{182, 216, R::Legend, int(LegendKind::LowCutOnly), true},
    PictureEntry{184, 218, R::Legend, int(LegendKind::Open), true},
    PictureEntry{180, 214, R::Legend, int(LegendKind::Band), true},
    PictureEntry{181, 215, R::LegendSecond, 0, true},
    PictureEntry{138, 238, R::MainScreen, 0, true},
    PictureEntry{196, 204, R::MainScreen, 1, true},
    PictureEntry{197, 205, R::MainScreen, 2, true},
    PictureEntry{139, 203, R::MainScreen, 3, true},
    PictureEntry{172, 221, R::MainScreen, 4, true},
    PictureEntry{136, 224, R::MainScreen, 5, true},
    PictureEntry{171, 243, R::MainScreen, 6, true},
    PictureEntry{200, 200, R::CloseButton, 0, true},
    PictureEntry{201, 201, R::CloseButton, 1, true},
    PictureEntry{199, 199, R::Busy, 0, true},
    PictureEntry{198, 198, R::Replay, 0, false},
    PictureEntry{244, 244, R::RunningFrame, 0, false},
    PictureEntry{245, 245, R::RunningFrame, 1, false},
    PictureEntry{246, 246, R::RunningFrame, 2, false},
    PictureEntry{247, 247, R::RunningFrame, 3, false},
    PictureEntry{248, 248, R::RunningFrame, 4, false},
    PictureEntry{249, 249, R::RunningFrame, 5, false},
    PictureEntry{250, 250, R::RunningFrame, 6, false},
    PictureEntry{260, 260, R::Badge, 0, false},
    PictureEntry{262, 262, R::Badge, 1, false},
    PictureEntry{263, 263, R::Badge, 2, false},
    PictureEntry{264, 264, R::Badge, 3, false},
    PictureEntry{265, 265, R::Badge, 4, false},
    PictureEntry{266, 266, R::Badge, 5, false},
};
// clang-format on

// Sizes, px.
constexpr QSize kSnrSize(32, 24);
constexpr QSize kBarsSize(40, 24);
constexpr QSize kBatterySize(48, 24);
constexpr QSize kIconSize(32, 32);
constexpr QSize kLegendSize(32, 16);
constexpr QSize kReplaySize(48, 24);
constexpr QSize kFrameSize(24, 24);
constexpr QSize kBadgeSize(100, 60);

// Colours shared by both variants (0xRRGGBB).
constexpr QRgb kPoor = 0xE02020;
constexpr QRgb kMedium = 0xF0A000;
constexpr QRgb kGood = 0x20B020;
constexpr QRgb kRed = 0xFF0000;
constexpr QRgb kBlue = 0x2050FF;
constexpr QRgb kYellow = 0xFFD800;
constexpr QRgb kGreyTile = 0x505050; // fixed pictures' own background
constexpr QRgb kBadgeBlue = 0x000099;
constexpr QRgb kBadgeTeal = 0x007070;

// The colours of one variant.
struct Ink {
    QColor background;
    QColor foreground;
    QColor dim; // unlit bars and cells
};

Ink InkFor(bool inverted) {
    if (inverted) return {Qt::black, Qt::white, QColor(0x404040)};
    return {Qt::white, QColor(0x000099), QColor(0xCCCCCC)};
}

// A pixmap of a size filled with a colour, and a painter on it.
struct Canvas {
    Canvas(QSize size, const QColor& fill) : pixmap(size) {
        pixmap.fill(fill);
        painter.begin(&pixmap);
    }
    QPixmap Finish() {
        painter.end();
        return pixmap;
    }
    QPixmap pixmap;
    QPainter painter;
};

QPixmap DrawSnr(int quality, const Ink& ink) {
    constexpr QRgb kLevel[] = {kPoor, kMedium, kGood};
    Canvas c(kSnrSize, ink.background);
    for (int i = 0; i < 3; ++i) {
        const int h = 8 + 6 * i;
        const QRect block(2 + 10 * i, kSnrSize.height() - 2 - h, 8, h);
        c.painter.fillRect(block, i <= quality ? QColor(kLevel[quality]) : ink.dim);
    }
    return c.Finish();
}

QPixmap DrawSignalBars(int bars, const Ink& ink) {
    Canvas c(kBarsSize, ink.background);
    for (int i = 0; i < 10; ++i) {
        const int h = 4 + 2 * i;
        c.painter.fillRect(QRect(1 + 4 * i, kBarsSize.height() - 1 - h, 3, h),
                           i < bars ? ink.foreground : ink.dim);
    }
    return c.Finish();
}

void DrawAntenna(QPainter& p, const QColor& colour) {
    p.setPen(QPen(colour, 2));
    p.drawLine(10, 4, 10, 22);
    p.drawLine(4, 4, 10, 12);
    p.drawLine(16, 4, 10, 12);
}

QPixmap DrawNoReception(const Ink& ink) {
    Canvas c(kBarsSize, ink.background);
    DrawAntenna(c.painter, ink.foreground);
    c.painter.setPen(QPen(QColor(kRed), 3));
    c.painter.drawLine(22, 6, 36, 20);
    c.painter.drawLine(36, 6, 22, 20);
    return c.Finish();
}

QPixmap DrawBattery(int bars, const Ink& ink) {
    Canvas c(kBatterySize, ink.background);
    QPainter& p = c.painter;
    p.setPen(QPen(bars == 0 ? QColor(kRed) : ink.foreground, 2));
    p.drawRect(QRect(2, 4, 40, 16));
    p.fillRect(QRect(42, 9, 4, 6), bars == 0 ? QColor(kRed) : ink.foreground);
    const QColor cell = bars == 1 ? QColor(kRed) : ink.foreground;
    for (int i = 0; i < 5; ++i) p.fillRect(QRect(5 + 7 * i, 7, 6, 11), i < bars ? cell : ink.background);
    return c.Finish();
}

QPixmap DrawBlank(const Ink& ink) {
    Canvas c(kBatterySize, ink.background);
    return c.Finish();
}

QPixmap DrawStation(int station, const Ink& ink) {
    Canvas c(kIconSize, ink.background);
    QPainter& p = c.painter;
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ink.foreground, 2));
    if (station == 0) {  // the base unit: a hand-held box with a screen
        p.setBrush(ink.dim);
        p.drawRoundedRect(QRectF(6, 3, 20, 26), 3, 3);
        p.fillRect(QRect(10, 7, 12, 9), ink.foreground);
    } else {
        constexpr QRgb kStationColour[] = {0, kRed, kBlue, kYellow};
        p.setBrush(QColor(kStationColour[std::clamp(station, 1, 3)]));
        p.drawEllipse(QRectF(4, 4, 24, 24));
    }
    return c.Finish();
}

// The pass band of a legend as a response curve across the picture.
QPixmap DrawLegend(LegendKind kind, const Ink& ink) {
    Canvas c(kLegendSize, ink.background);
    const bool lowCut = kind == LegendKind::LowCutOnly || kind == LegendKind::Band;
    const bool highCut = kind == LegendKind::HighCutOnly || kind == LegendKind::Band;
    constexpr int kTop = 3, kBottom = 13;
    QPolygon curve;
    curve << QPoint(1, lowCut ? kBottom : kTop) << QPoint(lowCut ? 10 : 1, kTop)
          << QPoint(highCut ? 21 : 30, kTop) << QPoint(30, highCut ? kBottom : kTop);
    c.painter.setPen(QPen(ink.foreground, 2));
    c.painter.drawPolyline(curve);
    return c.Finish();
}

QPixmap DrawLegendSecond(const Ink& ink) {
    Canvas c(kLegendSize, ink.background);
    QPolygon notch;
    notch << QPoint(1, 3) << QPoint(12, 3) << QPoint(16, 13) << QPoint(20, 3) << QPoint(30, 3);
    c.painter.setPen(QPen(ink.foreground, 2));
    c.painter.drawPolyline(notch);
    return c.Finish();
}

void DrawHourglass(QPainter& p, const Ink& ink) {
    QPolygon glass;
    glass << QPoint(8, 4) << QPoint(24, 4) << QPoint(16, 16) << QPoint(24, 28) << QPoint(8, 28)
          << QPoint(16, 16);
    p.setPen(QPen(ink.foreground, 2));
    p.setBrush(ink.dim);
    p.drawPolygon(glass);
}

// The remaining main screen pictures, 32 x 32: pipe, hourglass, stopwatch,
// distance, speaker, filter funnel, leak drop.
void DrawMainGlyph(QPainter& p, int index, const Ink& ink) {
    p.setPen(QPen(ink.foreground, 2));
    switch (index) {
    case 0:
        p.drawRect(2, 11, 28, 10);
        p.drawLines(QList<QLine>{QLine(9, 9, 9, 23), QLine(23, 9, 23, 23)});
        break;
    case 1:
        DrawHourglass(p, ink);
        break;
    case 2:
        p.drawEllipse(QRect(5, 7, 22, 22));
        p.drawLines(QList<QLine>{QLine(16, 18, 16, 11), QLine(13, 4, 19, 4)});
        break;
    case 3:
        p.drawLines(QList<QLine>{QLine(3, 16, 29, 16), QLine(3, 16, 8, 11), QLine(29, 16, 24, 21)});
        break;
    case 4:
        p.drawRect(4, 12, 6, 8);
        p.drawLines(QList<QLine>{QLine(10, 12, 18, 5), QLine(10, 20, 18, 27), QLine(18, 5, 18, 27)});
        break;
    case 5:
        p.drawPolygon(QPolygon({QPoint(4, 5), QPoint(28, 5), QPoint(18, 17), QPoint(18, 28),
                                QPoint(14, 28), QPoint(14, 17)}));
        break;
    default:
        p.setBrush(QColor(kBlue));
        p.drawEllipse(QRect(9, 13, 14, 15));
        p.drawLines(QList<QLine>{QLine(16, 3, 10, 15), QLine(16, 3, 22, 15)});
        break;
    }
}

QPixmap DrawMainScreen(int index, const Ink& ink) {
    Canvas c(kIconSize, ink.background);
    c.painter.setRenderHint(QPainter::Antialiasing);
    DrawMainGlyph(c.painter, index, ink);
    return c.Finish();
}

// The X button: normal is an outlined square, pressed is filled red.
QPixmap DrawClose(bool pressed, const Ink& ink) {
    Canvas c(kIconSize, ink.background);
    QPainter& p = c.painter;
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ink.foreground, 2));
    p.setBrush(pressed ? QColor(kRed) : ink.background);
    p.drawRoundedRect(QRectF(2, 2, 28, 28), 5, 5);
    p.setPen(QPen(pressed ? QColor(Qt::white) : ink.foreground, 3));
    p.drawLine(10, 10, 22, 22);
    p.drawLine(22, 10, 10, 22);
    return c.Finish();
}

QPixmap DrawBusy(const Ink& ink) {
    Canvas c(kIconSize, ink.background);
    c.painter.setRenderHint(QPainter::Antialiasing);
    DrawHourglass(c.painter, ink);
    return c.Finish();
}

// Fixed: a grey tile with a play triangle, readable on white and on black.
QPixmap DrawReplay() {
    Canvas c(kReplaySize, Qt::transparent);
    QPainter& p = c.painter;
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(kGreyTile));
    p.drawRoundedRect(QRectF(0, 0, kReplaySize.width(), kReplaySize.height()), 5, 5);
    p.setBrush(QColor(kGood));
    p.drawPolygon(QPolygon({QPoint(20, 5), QPoint(34, 12), QPoint(20, 19)}));
    p.setPen(QPen(Qt::white, 2));
    p.drawArc(QRect(6, 6, 12, 12), 90 * 16, 270 * 16);
    return c.Finish();
}

// Fixed: seven dots in a ring on transparency, the frame's dot lit.
QPixmap DrawRunningFrame(int frame) {
    Canvas c(kFrameSize, Qt::transparent);
    QPainter& p = c.painter;
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QPointF centre(kFrameSize.width() / 2.0, kFrameSize.height() / 2.0);
    for (int i = 0; i < kRunningFrameCount; ++i) {
        const double angle = 2 * std::numbers::pi * i / kRunningFrameCount;
        const QPointF dot = centre + QPointF(8 * std::sin(angle), -8 * std::cos(angle));
        p.setBrush(i == frame ? QColor(kGood) : QColor(kGreyTile));
        p.drawEllipse(dot, 2.5, 2.5);
    }
    return c.Finish();
}

// Fixed: pipe, wave and drop on a coloured tile. Index 0 (260), 3 (264) and
// 4 (265) are for "Q" serials and carry a yellow bar; 2 (263) and 3 are the
// right-to-left ones, mirrored; 4 and 5 (266) the alternative branding, teal.
QPixmap DrawBadge(int index) {
    const bool branded = index >= 4;
    const bool mirrored = index == 2 || index == 3;
    Canvas c(kBadgeSize, QColor(branded ? kBadgeTeal : kBadgeBlue));
    QPainter& p = c.painter;
    p.setRenderHint(QPainter::Antialiasing);
    if (mirrored) p.setTransform(QTransform(-1, 0, 0, 1, kBadgeSize.width(), 0));
    p.fillRect(QRect(6, 40, 88, 8), Qt::white);
    QPainterPath wave(QPointF(6, 26));
    for (int x = 6; x <= 60; x += 9) wave.quadTo(x + 4.5, (x / 9) % 2 ? 14 : 38, x + 9, 26);
    p.setPen(QPen(QColor(kYellow), 2));
    p.drawPath(wave);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x80C0FF));
    p.drawEllipse(QRectF(72, 18, 14, 16));
    if (index == 0 || index >= 3) p.fillRect(QRect(6, 52, 20, 4), QColor(kYellow));
    return c.Finish();
}

QPixmap DrawSwitched(const PictureEntry& e, const Ink& ink) {
    switch (e.role) {
    case R::SnrQuality: return DrawSnr(std::clamp(e.index, 0, 2), ink);
    case R::SignalBars: return DrawSignalBars(e.index, ink);
    case R::NoReception: return DrawNoReception(ink);
    case R::BatteryBars: return DrawBattery(e.index, ink);
    case R::BatteryBlank: return DrawBlank(ink);
    case R::Station: return DrawStation(e.index, ink);
    case R::Legend: return DrawLegend(static_cast<LegendKind>(e.index), ink);
    case R::LegendSecond: return DrawLegendSecond(ink);
    case R::MainScreen: return DrawMainScreen(e.index, ink);
    case R::CloseButton: return DrawClose(e.index == 1, ink);
    case R::Busy: return DrawBusy(ink);
    default: return {};
    }
}

QPixmap DrawFixed(const PictureEntry& e) {
    switch (e.role) {
    case R::Replay: return DrawReplay();
    case R::RunningFrame: return DrawRunningFrame(e.index);
    case R::Badge: return DrawBadge(e.index);
    default: return {};
    }
}

// Drawn pictures by table row. Released when the application goes, since a
// pixmap must not outlive it.
class PictureCache {
public:
    const QPixmap& Get(const PictureEntry& entry, bool inverted) {
        const int row = static_cast<int>(&entry - kTable.data());
        auto& slot = entry.switched ? m_switched[inverted ? 1 : 0] : m_fixed;
        auto it = slot.find(row);
        if (it == slot.end()) {
            it = slot.emplace(row, DrawPicture(entry, inverted)).first;
            if (entry.switched) m_drawnRows[it->second.cacheKey()] = row;
        }
        return it->second;
    }
    // The row a switched picture was drawn for, also one released since.
    const PictureEntry* SwitchedRowOf(const QPixmap& pixmap) const {
        if (pixmap.isNull()) return nullptr;
        const auto it = m_drawnRows.find(pixmap.cacheKey());
        return it == m_drawnRows.end() ? nullptr : &kTable[static_cast<size_t>(it->second)];
    }
    void Reload(bool inverted) {
        if (m_loadedInverted == inverted) return;
        m_loadedInverted = inverted;
        for (auto& variant : m_switched) variant.clear();
        for (const PictureEntry& entry : kTable)
            if (entry.switched) Get(entry, inverted);
    }
    void Release() {
        for (auto& variant : m_switched) variant.clear();
        m_fixed.clear();
        m_drawnRows.clear();
        m_loadedInverted.reset();
    }

private:
    std::unordered_map<int, QPixmap> m_switched[2]; // normal, inverted
    std::unordered_map<int, QPixmap> m_fixed;
    std::unordered_map<qint64, int> m_drawnRows;  // cache key of every switched variant drawn -> row
    std::optional<bool> m_loadedInverted;
};

PictureCache& Cache() {
    static PictureCache cache;
    static const bool registered = (qAddPostRoutine([] { Cache().Release(); }), true);
    (void)registered;
    return cache;
}

const QPixmap& NullPixmap() {
    static const QPixmap null;
    return null;
}

template <typename Pred>
int NormalIdWhere(Pred pred) {
    const auto it = std::find_if(kTable.begin(), kTable.end(), pred);
    return it == kTable.end() ? 0 : it->normalId;
}

int IndexedPicture(PictureRole role, int index) {
    return NormalIdWhere([&](const PictureEntry& e) { return e.role == role && e.index == index; });
}

} // namespace

int SignalBarsPicture(int bars) { return IndexedPicture(R::SignalBars, std::clamp(bars, 0, 10)); }
int BatteryBarsPicture(int bars) { return IndexedPicture(R::BatteryBars, std::clamp(bars, 0, 5)); }
int StationPicture(int station) { return IndexedPicture(R::Station, std::clamp(station, 0, 3)); }
int LegendPicture(LegendKind kind) { return IndexedPicture(R::Legend, static_cast<int>(kind)); }

int RunningFramePicture(int frame) {
    const int wrapped = ((frame % kRunningFrameCount) + kRunningFrameCount) % kRunningFrameCount;
    return IndexedPicture(R::RunningFrame, wrapped);
}

std::span<const PictureEntry> PictureTable() { return kTable; }

const PictureEntry* FindPicture(int id) {
    const auto it = std::find_if(kTable.begin(), kTable.end(), [id](const PictureEntry& e) {
        return e.normalId == id || e.invertedId == id;
    });
    return it == kTable.end() ? nullptr : &*it;
}

QPixmap DrawPicture(const PictureEntry& entry, bool inverted) {
    return entry.switched ? DrawSwitched(entry, InkFor(inverted)) : DrawFixed(entry);
}

const QPixmap& Picture(int id) { return PictureVariant(id, g_configuration.colourScheme != 0); }

const QPixmap& PictureVariant(int id, bool inverted) {
    const PictureEntry* entry = FindPicture(id);
    if (entry == nullptr) return NullPixmap();
    return Cache().Get(*entry, inverted);
}

int SwitchedPictureShown(const QPixmap& pixmap) {
    const PictureEntry* entry = Cache().SwitchedRowOf(pixmap);
    return entry ? entry->normalId : 0;
}

void ReloadPictures() {
    Cache().Reload(g_configuration.colourScheme != 0);
}
