#pragma once
// ui/Hotspot.h — a touch area that acts as a button but draws nothing; the
// service functions hide behind such areas. It keeps a check state like the
// owner-drawn buttons so a screen can mark the current choice.

#include <QAbstractButton>

class CHotspot : public QAbstractButton {
    Q_OBJECT
public:
    explicit CHotspot(QWidget* parent = nullptr) : QAbstractButton(parent) {}
    void SetCheck(int state) { m_check = state; }
    int GetCheck() const { return m_check; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int m_check = 0;
};
