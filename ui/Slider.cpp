// ui/Slider.cpp — the slider's paint: a groove bar and a solid handle where
// the style puts them, so a touch lands where the handle is drawn.

#include "ui/Slider.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

#include "settings/Configuration.h"

namespace {

constexpr QRgb kWhite = 0xFFFFFF;
constexpr QRgb kBlack = 0x000000;
constexpr QRgb kDarkBlue = 0x000099;
constexpr QRgb kLightGrey = 0xCCCCCC;
constexpr QRgb kMidGrey = 0x808080;
constexpr int kPenWidth = 2;         // px
constexpr int kGrooveHeight = 8;     // px, centred on the slider
constexpr int kHandleMinWidth = 14;  // px

}  // namespace

SliderColours SliderColoursFor(bool inverted) {
    return inverted ? SliderColours{kWhite, kMidGrey, kWhite} : SliderColours{kDarkBlue, kLightGrey, kDarkBlue};
}

CSlider::CSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

void CSlider::paintEvent(QPaintEvent*) {
    const bool inverted = g_configuration.colourScheme != 0;
    const SliderColours colours = SliderColoursFor(inverted);
    QStyleOptionSlider option;
    initStyleOption(&option);
    QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    if (handle.width() < kHandleMinWidth) {
        const int centre = handle.center().x();
        handle.setLeft(centre - kHandleMinWidth / 2);
        handle.setWidth(kHandleMinWidth);
    }
    handle = handle.intersected(rect());
    const QRect groove(kPenWidth / 2, (height() - kGrooveHeight) / 2, width() - kPenWidth, kGrooveHeight);

    QPainter painter(this);
    painter.save();
    painter.fillRect(rect(), QColor(inverted ? kBlack : kWhite));
    painter.setPen(QPen(colours.groovePen, kPenWidth));
    painter.setBrush(colours.grooveFill);
    painter.drawRect(groove);
    painter.setPen(Qt::NoPen);
    painter.setBrush(isEnabled() ? colours.handle : QColor(kMidGrey));
    painter.drawRect(handle);
    painter.restore();
}
