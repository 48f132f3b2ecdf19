#pragma once
// ui/Slider.h — the slider every screen uses: the platform's slider behaviour
// (dragging, paging, keys) drawn in the screen's colours, so that groove and
// handle show on the black background of the inverted scheme as well as on
// the white one.

#include <QColor>
#include <QSlider>

// Pen (2 px) and fill of the groove, fill of the handle.
struct SliderColours {
    QColor groovePen;
    QColor grooveFill;
    QColor handle;
};

// Colours by scheme; inverted is the light-on-black scheme.
SliderColours SliderColoursFor(bool inverted);

class CSlider : public QSlider {
    Q_OBJECT
public:
    explicit CSlider(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
