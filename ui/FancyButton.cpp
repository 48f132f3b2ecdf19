// ui/FancyButton.cpp — outline, colours and caption fitting of the owner-drawn
// button, and its paint.

#include "ui/FancyButton.h"

#include "settings/Configuration.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

// Colours as the unit's display uses them (0xRRGGBB here).
constexpr QRgb kWhite = 0xFFFFFF;
constexpr QRgb kBlack = 0x000000;
constexpr QRgb kDarkBlue = 0x000099;
constexpr QRgb kRed = 0xFF0000;
constexpr QRgb kLightGrey = 0xCCCCCC;
constexpr QRgb kMidGrey = 0x808080;
constexpr QRgb kDarkGrey = 0x333333;

constexpr int kPenWidth = 2;        // px
constexpr int kCaptionMargin = 3;   // px left and right of the caption
constexpr int kCaptionFlags = Qt::AlignHCenter | Qt::TextWordWrap;
constexpr int kMinBrokenPart = 3;   // letters either side of a break
constexpr int kMaxUnitLetters = 3;  // "ms", "min"

// Outline classes by item height, px.
constexpr int kRoundedFromHeight = 21;
constexpr int kLargeFromHeight = 46;
constexpr int kLargestRadius = 21;

struct CornerShape {
    int points; // per corner
    int depth;  // px from the corner along each edge
};

CornerShape CornerFor(int height) {
    if (height < kRoundedFromHeight) return {2, height < 10 ? 1 : 2};
    if (height < kLargeFromHeight) return {5, 6 + (height - kRoundedFromHeight) * 2 / 24};
    return {10, std::min(kLargestRadius, 10 + (height - kLargeFromHeight) / 2)};
}

// The top-left corner as offsets from the corner, from the left edge to the top
// edge on a quarter circle; two points make a straight cut.
std::vector<QPoint> CornerOffsets(const CornerShape& shape) {
    std::vector<QPoint> offsets;
    const double r = shape.depth;
    for (int i = 0; i < shape.points; ++i) {
        const double phi = std::numbers::pi / 2 * i / (shape.points - 1);
        offsets.emplace_back(static_cast<int>(std::lround(r * (1 - std::cos(phi)))),
                             static_cast<int>(std::lround(r * (1 - std::sin(phi)))));
    }
    return offsets;
}

int PixelSize(const QFont& font) {
    return font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
}

bool CaptionFits(const QString& caption, const QRect& rect, const QFont& font) {
    const QRect used = QFontMetrics(font).boundingRect(rect, kCaptionFlags, caption);
    return used.width() < rect.width() && used.height() < rect.height();
}

} // namespace

QPolygon FancyOutline(const QRect& item) {
    if (item.width() <= kPenWidth || item.height() <= kPenWidth) return {};
    // Centre line of the pen: a 2 px stroke covers the pixel before and the
    // pixel on a coordinate.
    const int left = item.left() + kPenWidth / 2, top = item.top() + kPenWidth / 2;
    const int right = item.right(), bottom = item.bottom();
    CornerShape shape = CornerFor(item.height());
    shape.depth = std::min({shape.depth, (right - left) / 2, (bottom - top) / 2});
    const std::vector<QPoint> c = CornerOffsets(shape);
    const int n = static_cast<int>(c.size());

    QPolygon outline;
    for (int i = 0; i < n; ++i) outline << QPoint(left + c[i].x(), top + c[i].y());
    for (int i = n - 1; i >= 0; --i) outline << QPoint(right - c[i].x(), top + c[i].y());
    for (int i = 0; i < n; ++i) outline << QPoint(right - c[i].x(), bottom - c[i].y());
    for (int i = n - 1; i >= 0; --i) outline << QPoint(left + c[i].x(), bottom - c[i].y());
    return outline;
}

FancyColours FancyButtonColours(ButtonState state, bool inverted) {
    switch (state) {
    case ButtonState::Pressed:
        return inverted ? FancyColours{kWhite, kLightGrey, kBlack} : FancyColours{kRed, kRed, kWhite};
    case ButtonState::Disabled:
        // Inverted: a grey outline on the black ground, so that it cannot be
        // taken for the light grey of a checked button in sunlight.
        return inverted ? FancyColours{kMidGrey, kBlack, kMidGrey}
                        : FancyColours{kDarkBlue, kLightGrey, kDarkGrey};
    case ButtonState::Normal:
        break;
    }
    return inverted ? FancyColours{kWhite, kWhite, kBlack} : FancyColours{kDarkBlue, kDarkBlue, kWhite};
}

QFont FitCaptionFont(const QString& caption, const QRect& rect, const QFont& base) {
    QFont font(base);
    for (int size = std::max(PixelSize(base), kMinCaptionPixelSize); size >= kMinCaptionPixelSize; --size) {
        font.setPixelSize(size);
        if (CaptionFits(caption, rect, font)) break;
    }
    return font;
}

QString BreakableCaption(const QString& caption) {
    constexpr QChar kSoftHyphen(0x00AD);
    QStringList words = caption.split(QLatin1Char(' '));
    for (QString& word : words) {
        // Latin words only: numbers and units ("1.25m/ms") stay whole, and so
        // does a word with break points of its own (a pack's soft hyphens).
        const bool latin = std::all_of(word.begin(), word.end(),
                                       [](QChar c) { return c.isLetter() && c.script() == QChar::Script_Latin; });
        if (latin && word.size() >= 2 * kMinBrokenPart) word.insert(word.size() / 2, kSoftHyphen);
    }
    return words.join(QLatin1Char(' '));
}

QString GluedUnits(const QString& caption) {
    constexpr QChar kWordJoiner(0x2060);
    QString text;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        text += caption[i];
        if (caption[i] != QLatin1Char('/')) continue;
        // A unit ("m/ms", "ft/s") is a few letters; "ANSEHEN/ÄNDERN" may break.
        qsizetype letters = 0;
        while (i + 1 + letters < caption.size() && caption[i + 1 + letters].isLetter()) ++letters;
        if (letters > 0 && letters <= kMaxUnitLetters) text += kWordJoiner;
    }
    return text;
}

CaptionLayout LayoutCaption(const QString& caption, const QRect& item, const QFont& base) {
    const QRect area = item.adjusted(kCaptionMargin, 0, -kCaptionMargin, 0);
    QString text = GluedUnits(caption);
    QFont font = FitCaptionFont(text, area, base);
    if (PixelSize(font) < kReadableCaptionPixelSize) {
        const QString broken = BreakableCaption(text);
        const QFont brokenFont = FitCaptionFont(broken, area, base);
        if (PixelSize(brokenFont) > PixelSize(font)) font = brokenFont, text = broken;
    }
    const int height = std::min(QFontMetrics(font).boundingRect(area, kCaptionFlags, text).height(),
                                area.height());
    const int top = area.top() + (area.height() - height) / 2;
    return {font, QRect(area.left(), top, area.width(), height), text};
}

CFancyButton::CFancyButton(QWidget* parent) : QAbstractButton(parent) {}

CFancyButton::CFancyButton(const QString& caption, QWidget* parent) : QAbstractButton(parent) {
    setText(caption);
}

void CFancyButton::SetCheck(int check) {
    if (check == m_check) return;
    m_check = check;
    update();
}

ButtonState CFancyButton::DrawState() const {
    if (!isEnabled()) return ButtonState::Disabled;
    if (isDown() || m_check == 1) return ButtonState::Pressed;
    return ButtonState::Normal;
}

QSize CFancyButton::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 4 * kCaptionMargin, metrics.height() * 2};
}

void CFancyButton::paintEvent(QPaintEvent*) {
    const bool inverted = g_configuration.colourScheme != 0;
    const FancyColours colours = FancyButtonColours(DrawState(), inverted);
    QPainter painter(this);
    painter.save();
    painter.fillRect(rect(), QColor(inverted ? kBlack : kWhite));
    DrawOutline(painter, colours);
    if (!text().isEmpty()) DrawCaption(painter, colours);
    painter.restore();
}

void CFancyButton::DrawOutline(QPainter& painter, const FancyColours& colours) const {
    painter.setPen(QPen(colours.pen, kPenWidth));
    painter.setBrush(colours.fill);
    painter.drawPolygon(FancyOutline(rect()));
}

void CFancyButton::DrawCaption(QPainter& painter, const FancyColours& colours) const {
    const CaptionLayout layout = LayoutCaption(text(), rect(), font());
    painter.setFont(layout.font);
    painter.setPen(colours.caption);
    painter.setBrush(Qt::NoBrush);
    painter.drawText(layout.textRect, kCaptionFlags, layout.text);
}
