#pragma once
// ui/BmpButton.h — a push button that is only a picture: one for normal, one
// for pressed and one for disabled, each stretched over the whole button.

#include "ui/FancyButton.h"

#include <QAbstractButton>
#include <QPixmap>

class CBmpButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CBmpButton(QWidget* parent = nullptr);

    // Takes the pictures from the picture set in the current colour scheme; an
    // identifier of 0 leaves that state without a picture. False when a
    // non-zero identifier names no picture (that state then has none).
    bool LoadBitmaps(int normalId, int pressedId, int disabledId = 0);

    // The pictures the button draws, pressed and disabled as in LoadBitmaps.
    const QPixmap& Bitmap(ButtonState state) const;

    // The state the next paint shows: disabled first, then down.
    ButtonState DrawState() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_normal;
    QPixmap m_pressed;
    QPixmap m_disabled;
};
