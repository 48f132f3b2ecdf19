#pragma once
// ui/KeyboardDialog.h — text entry on the touch screen: a title line, the
// text so far, and a keyboard. Password, serial number and material name
// screens use it; OK returns the text.

#include <QString>

#include "ui/DialogBase.h"

class QLineEdit;

class CKeyboardDialog : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 160,
        kIdTitle = 1500,
        kIdText = 1501,
        kIdFirstKey = 1600,  // keys in layout order
        kIdSpace = 1690,
        kIdDelete = 1691,
        kIdShift = 1692,
    };

    // maxLength: the longest text the caller can store.
    CKeyboardDialog(const QString& title, const QString& text, int maxLength, QWidget* parent = nullptr);

    QString Text() const { return m_text; }
    // Shows stars instead of the letters.
    void SetPassword(bool password);

    // The keys' captions, in identifier order from kIdFirstKey.
    static QString KeyCaption(int index, bool shifted);
    static int KeyCount();

private:
    void CreateKeys();
    void OnKey(int index);
    void Type(const QString& s);
    void OnDelete();
    void OnShift();
    void ShowValues();

    QString m_text;
    int m_maxLength;
    bool m_shifted = false;
    bool m_password = false;
};
