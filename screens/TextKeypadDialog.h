#pragma once
// screens/TextKeypadDialog.h — the on-screen keyboard the information and
// file name screens share: letters A-Z, a digit pad shown instead of the
// letters by NUMERIC (ALPHA brings them back), two "." keys (one on each
// pad), "-", SPACE, DELETE and CLEAR. A screen built on it says what a
// character, DELETE and CLEAR do to its text; identifiers are the templates'.

#include <QChar>

#include "ui/DialogBase.h"

class CTextKeypadDialog : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kIdLetterA = 1063,
        kIdLetterB = 1064,
        kIdLetterC = 1017,  // C ... Z: 1017 ... 1040
        kIdDigit0 = 1050,
        kIdDigit1 = 1041,   // 1 ... 9: 1041 ... 1049
        kIdDigitPoint = 1010,
        kIdLetterPoint = 1058,
        kIdDash = 1055,
        kIdSpace = 1054,
        kIdDelete = 1104,
        kIdClear = 1051,
        kIdNumeric = 1052,
        kIdAlpha = 1065,
        kIdCancel = 1056,
        kIdEnter = 1057,
    };

    // The key of a letter 'A' ... 'Z' or a digit '0' ... '9'; 0 for anything else.
    static int KeyOf(char c);

    // True while the digit pad stands in place of the letters.
    bool DigitPadShown() const { return m_digits; }

protected:
    CTextKeypadDialog(int templateId, QWidget* parent);

    // A letter, digit, ".", "-" or blank pressed.
    virtual void OnType(QChar c) = 0;
    virtual void OnDeleteKey() = 0;
    virtual void OnClearKey() = 0;

    // Letters (with their "." and NUMERIC) or digits (with theirs and ALPHA).
    void ShowDigitPad(bool digits);
    // Every key that types or edits, and both pad switches.
    void EnableKeys(bool enable);
    // Every key of the keypad, letters and digits and the editing keys.
    static std::vector<int> KeyIds();

private:
    bool m_digits = false;
};
