#include "ui/Controls.h"

#include <QAbstractButton>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QSlider>
#include <QVariant>
#include <algorithm>
#include <cmath>

#include "settings/Configuration.h"
#include "ui/BmpButton.h"
#include "ui/FancyButton.h"
#include "ui/Hotspot.h"
#include "ui/Slider.h"

namespace {

// A template point is two screen pixels: 8-point Arial fills a 16-pixel line.
constexpr double kPixelsPerPoint = 2.0;

QLabel* MakeLabel(const ControlTemplate& c, QWidget* parent) {
    auto* label = new QLabel(c.caption, parent);
    Qt::Alignment align = Qt::AlignVCenter;
    if (c.flags & kFlagCenter) {
        align |= Qt::AlignHCenter;
    } else {
        // On a right-to-left screen the template's left is the right, for every
        // text: a row whose label starts in Latin letters ("SNR:", "RSSI:")
        // lines up with the Persian ones.
        const bool trailing = (c.flags & kFlagRight) != 0;
        const bool mirrored = parent && parent->layoutDirection() == Qt::RightToLeft;
        align |= (trailing != mirrored) ? Qt::AlignRight : Qt::AlignLeft;
        align |= Qt::AlignAbsolute;
    }
    label->setAlignment(align);
    label->setWordWrap(true);
    if (c.flags & (kFlagBorder | kFlagSunken)) label->setFrameStyle(QFrame::Box | QFrame::Plain);
    return label;
}

QWidget* MakeWidget(const ControlTemplate& c, QWidget* parent) {
    switch (c.cls) {
    case ControlClass::Button: {
        auto* b = new CFancyButton(parent);
        b->setText(c.caption);
        return b;
    }
    case ControlClass::BmpButton:
        return new CBmpButton(parent);
    case ControlClass::Static:
        return MakeLabel(c, parent);
    case ControlClass::Picture: {
        auto* l = new QLabel(parent);
        l->setAlignment(Qt::AlignCenter);
        l->setScaledContents(true);
        return l;
    }
    case ControlClass::Edit: {
        auto* e = new QLineEdit(c.caption, parent);
        e->setFrame(c.flags & kFlagBorder);
        return e;
    }
    case ControlClass::ListBox:
        return new QListWidget(parent);
    case ControlClass::Slider:
        return new CSlider(parent);
    case ControlClass::Group:
        return new QGroupBox(c.caption, parent);
    case ControlClass::Hotspot:
        return new CHotspot(parent);
    }
    return new QWidget(parent);
}

constexpr int kSmallestFitPixels = 9;
constexpr char kFitBaseFont[] = "fitBaseFont";

// Whether the text drawn in a box of one line, as the label draws it, keeps
// all its ink inside: a fallback font's tall line (Persian) centred in the box
// may cut the glyphs below the baseline.
bool InkInside(const QFont& font, const QSize& box, Qt::Alignment align, const QString& text) {
    const int pad = box.height();
    QImage image(box.width(), box.height() + 2 * pad, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(QPoint(0, pad), box), int(align) | Qt::TextWordWrap | Qt::TextDontClip, text);
    painter.end();
    for (int y = 0; y < image.height(); ++y) {
        if (y == pad) y = pad + box.height();
        const uchar* row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x)
            if (row[x] < 0xC0) return false;
    }
    return true;
}

// Whether the text, wrapped at the box's width, needs no more lines than the
// box holds (at least one). Lines are measured on the text itself, whose
// glyphs may come from a taller fallback font.
bool FitsBox(const QFont& font, const QRect& box, Qt::Alignment align, const QString& text) {
    const QFontMetrics metrics(font);
    const int line = std::max(metrics.boundingRect(QRect(0, 0, 1 << 20, 1 << 20), 0, text).height(), 1);
    const int lines = std::max(1, box.height() / line);
    const QRect needed = metrics.boundingRect(QRect(0, 0, box.width(), 1 << 20), Qt::TextWordWrap, text);
    if (needed.width() > box.width() || needed.height() > lines * line) return false;
    return lines > 1 || InkInside(font, box.size(), align, text);
}

// A static's text that would be cut off in its box is set in a smaller font
// (down to 9 px) instead; a text that fits gets the screen's font back.
void FitLabelFont(QLabel& label) {
    const QRect box = label.contentsRect();
    if (box.isEmpty() || label.hasScaledContents()) return;
    const QVariant base = label.property(kFitBaseFont);
    QFont font = base.isValid() ? base.value<QFont>() : label.font();
    if (FitsBox(font, box, label.alignment(), label.text())) {
        if (base.isValid()) {
            label.setFont(font);
            label.setProperty(kFitBaseFont, QVariant());
        }
        return;
    }
    if (!base.isValid()) label.setProperty(kFitBaseFont, font);
    for (int pixels = QFontInfo(font).pixelSize() - 1; pixels >= kSmallestFitPixels; --pixels) {
        font.setPixelSize(pixels);
        if (FitsBox(font, box, label.alignment(), label.text())) break;
    }
    label.setFont(font);
}

}  // namespace

QWidget* CreateControl(const ControlTemplate& c, QWidget* parent) {
    QWidget* w = MakeWidget(c, parent);
    w->setGeometry(UnitsToPixels(c.units));
    if (c.flags & kFlagHidden) w->hide();
    if (c.flags & kFlagDisabled) w->setEnabled(false);
    if (c.cls == ControlClass::Group) w->lower();  // frames lie under what they group
    return w;
}

QFont ScreenFont(const DialogTemplate& dialog) {
    const bool chinese = g_configuration.Language() == u"CHS";
    QFont font(chinese ? QStringLiteral("SimSun") : dialog.fontName);
    font.setPixelSize(static_cast<int>(std::lround(dialog.fontPoints * kPixelsPerPoint)));
    return font;
}

QString ControlText(const QWidget* w) {
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->text();
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
    return QString();
}

void SetControlText(QWidget* w, const QString& text) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(text);
    else if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(text);
        FitLabelFont(*l);
    }
    else if (auto* e = qobject_cast<QLineEdit*>(w)) e->setText(text);
    else if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(text);
}

QFont FitLineFont(const QString& text, const QFont& base, int width, int minPixels) {
    QFont font(base);
    const int from = base.pixelSize() > 0 ? base.pixelSize() : QFontMetrics(base).height();
    for (int size = from; size > minPixels; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).horizontalAdvance(text) < width) return font;
    }
    font.setPixelSize(minPixels);
    return font;
}

void InstallFontSubstitutes() {
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Zen Hei"));
}
