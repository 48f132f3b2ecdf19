#include "ui/Controls.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
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
    else if (auto* l = qobject_cast<QLabel*>(w)) l->setText(text);
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
