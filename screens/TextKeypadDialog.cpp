#include "screens/TextKeypadDialog.h"

#include <QAbstractButton>
#include <QFont>
#include <vector>

namespace {

constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr char kDigits[] = "0123456789";

// Letters and digits read from arm's length, px.
constexpr int kKeyPixelSize = 26;

}  // namespace

int CTextKeypadDialog::KeyOf(char c) {
    if (c == 'A') return kIdLetterA;
    if (c == 'B') return kIdLetterB;
    if (c >= 'C' && c <= 'Z') return kIdLetterC + (c - 'C');
    if (c == '0') return kIdDigit0;
    if (c >= '1' && c <= '9') return kIdDigit1 + (c - '1');
    return 0;
}

CTextKeypadDialog::CTextKeypadDialog(int templateId, QWidget* parent) : CDialogBase(templateId, parent) {
    const auto bind = [this](int id, QChar c) { OnCommand(id, [this, c] { OnType(c); }); };
    for (const char* c = kLetters; *c; ++c) bind(KeyOf(*c), QChar(*c));
    for (const char* c = kDigits; *c; ++c) bind(KeyOf(*c), QChar(*c));
    bind(kIdDigitPoint, QChar('.'));
    bind(kIdLetterPoint, QChar('.'));
    bind(kIdDash, QChar('-'));
    bind(kIdSpace, QChar(' '));
    OnCommand(kIdDelete, [this] { OnDeleteKey(); });
    OnCommand(kIdClear, [this] { OnClearKey(); });
    OnCommand(kIdNumeric, [this] { ShowDigitPad(true); });
    OnCommand(kIdAlpha, [this] { ShowDigitPad(false); });
    KeepOrder(KeyIds());  // the Latin keyboard's order in every language
    // Keys never take the focus from the field they type into.
    for (auto* button : findChildren<QAbstractButton*>()) {
        button->setFocusPolicy(Qt::NoFocus);
        if (button->text().size() == 1) {
            QFont large = button->font();
            large.setPixelSize(kKeyPixelSize);
            button->setFont(large);
        }
    }
}

void CTextKeypadDialog::ShowDigitPad(bool digits) {
    m_digits = digits;
    for (const char* c = kLetters; *c; ++c) ShowItem(KeyOf(*c), !digits);
    ShowItem(kIdLetterPoint, !digits);
    ShowItem(kIdNumeric, !digits);
    for (const char* c = kDigits; *c; ++c) ShowItem(KeyOf(*c), digits);
    ShowItem(kIdDigitPoint, digits);
    ShowItem(kIdAlpha, digits);
}

std::vector<int> CTextKeypadDialog::KeyIds() {
    std::vector<int> ids = {kIdDigitPoint, kIdLetterPoint, kIdDash, kIdSpace, kIdDelete, kIdClear, kIdNumeric, kIdAlpha};
    for (const char* c = kLetters; *c; ++c) ids.push_back(KeyOf(*c));
    for (const char* c = kDigits; *c; ++c) ids.push_back(KeyOf(*c));
    return ids;
}

void CTextKeypadDialog::EnableKeys(bool enable) {
    for (int id : KeyIds()) EnableItem(id, enable);
}
