#include "ui/KeyboardDialog.h"

#include <QLineEdit>

#include "ui/FancyButton.h"

namespace {

// Four rows of keys; the shifted row gives the lower-case letters and signs.
constexpr const char* kRows[] = {"1234567890", "QWERTYUIOP", "ASDFGHJKL-", "ZXCVBNM.,/"};
constexpr const char* kShiftedRows[] = {"!@#$%&*()_", "qwertyuiop", "asdfghjkl+", "zxcvbnm:;?"};
constexpr int kKeysPerRow = 10;
constexpr int kKeyLeft = 14, kKeyTop = 100, kKeyWidth = 58, kKeyHeight = 50, kKeyGap = 4;

}  // namespace

CKeyboardDialog::CKeyboardDialog(const QString& title, const QString& text, int maxLength, QWidget* parent)
    : CDialogBase(kTemplate, parent), m_text(text.left(maxLength)), m_maxLength(maxLength) {
    SetItemText(kIdTitle, title);
    if (auto* edit = Item<QLineEdit>(kIdText)) edit->setReadOnly(true);
    CreateKeys();
    OnCommand(kResultOk, [this] { EndDialog(kResultOk); });
    OnCommand(kResultCancel, [this] { EndDialog(kResultCancel); });
    ShowValues();
}

int CKeyboardDialog::KeyCount() { return kKeysPerRow * 4; }

QString CKeyboardDialog::KeyCaption(int index, bool shifted) {
    const char* row = (shifted ? kShiftedRows : kRows)[index / kKeysPerRow];
    return QString(QChar(row[index % kKeysPerRow]));
}

void CKeyboardDialog::CreateKeys() {
    auto place = [this](int id, const QString& caption, QRect r) {
        auto* key = new CFancyButton(this);
        key->setText(caption);
        key->setGeometry(r);
        RegisterControl(id, key);
    };
    for (int i = 0; i < KeyCount(); ++i) {
        const int row = i / kKeysPerRow, col = i % kKeysPerRow;
        place(kIdFirstKey + i, KeyCaption(i, false),
              QRect(kKeyLeft + col * (kKeyWidth + kKeyGap), kKeyTop + row * (kKeyHeight + kKeyGap), kKeyWidth,
                    kKeyHeight));
        OnCommand(kIdFirstKey + i, [this, i] { OnKey(i); });
    }
    const int y = kKeyTop + 4 * (kKeyHeight + kKeyGap);
    place(kIdShift, QStringLiteral("SHIFT"), QRect(kKeyLeft, y, 120, 40));
    place(kIdSpace, QStringLiteral("SPACE"), QRect(kKeyLeft + 124, y, 372, 40));
    place(kIdDelete, QStringLiteral("DEL"), QRect(kKeyLeft + 500, y, 112, 40));
    OnCommand(kIdShift, [this] { OnShift(); });
    OnCommand(kIdSpace, [this] { Type(QStringLiteral(" ")); });
    OnCommand(kIdDelete, [this] { OnDelete(); });
}

void CKeyboardDialog::SetPassword(bool password) {
    m_password = password;
    ShowValues();
}

void CKeyboardDialog::OnKey(int index) { Type(KeyCaption(index, m_shifted)); }

void CKeyboardDialog::Type(const QString& s) {
    if (m_text.size() + s.size() > m_maxLength) return;
    m_text += s;
    ShowValues();
}

void CKeyboardDialog::OnDelete() {
    m_text.chop(1);
    ShowValues();
}

void CKeyboardDialog::OnShift() {
    m_shifted = !m_shifted;
    for (int i = 0; i < KeyCount(); ++i) SetItemText(kIdFirstKey + i, KeyCaption(i, m_shifted));
    SetCheck(kIdShift, m_shifted);
}

void CKeyboardDialog::ShowValues() {
    SetItemText(kIdText, m_password ? QString(m_text.size(), '*') : m_text);
}
