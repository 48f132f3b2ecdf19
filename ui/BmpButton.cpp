// ui/BmpButton.cpp — picture button: the picture of the state, stretched.

#include "ui/BmpButton.h"

#include "ui/PictureSet.h"

#include <QPainter>

namespace {

constexpr QSize kDefaultSize(32, 32); // px, when no picture is loaded

// The picture of an identifier into slot; 0 clears it. False for an unknown one.
bool LoadInto(QPixmap& slot, int id) {
    slot = id == 0 ? QPixmap() : Picture(id);
    return id == 0 || !slot.isNull();
}

} // namespace

CBmpButton::CBmpButton(QWidget* parent) : QAbstractButton(parent) {}

bool CBmpButton::LoadBitmaps(int normalId, int pressedId, int disabledId) {
    const bool normal = LoadInto(m_normal, normalId);
    const bool pressed = LoadInto(m_pressed, pressedId);
    const bool disabled = LoadInto(m_disabled, disabledId);
    update();
    return normal && pressed && disabled;
}

const QPixmap& CBmpButton::Bitmap(ButtonState state) const {
    switch (state) {
    case ButtonState::Pressed: return m_pressed;
    case ButtonState::Disabled: return m_disabled;
    case ButtonState::Normal: break;
    }
    return m_normal;
}

ButtonState CBmpButton::DrawState() const {
    if (!isEnabled()) return ButtonState::Disabled;
    return isDown() ? ButtonState::Pressed : ButtonState::Normal;
}

QSize CBmpButton::sizeHint() const {
    return m_normal.isNull() ? kDefaultSize : m_normal.size();
}

void CBmpButton::paintEvent(QPaintEvent*) {
    const QPixmap& bitmap = Bitmap(DrawState());
    if (bitmap.isNull()) return;
    QPainter painter(this);
    painter.save();
    painter.drawPixmap(rect(), bitmap);
    painter.restore();
}
