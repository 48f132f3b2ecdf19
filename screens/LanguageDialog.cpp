#include "screens/LanguageDialog.h"

#include <QLabel>

#include "pipe/Materials.h"
#include "settings/Configuration.h"
#include "settings/Language.h"
#include "ui/Controls.h"
#include "ui/Resources.h"

const std::vector<LanguageChoice>& LanguageChoices() {
    static const std::vector<LanguageChoice> choices = {
        {1400, u"ENG", true},  {1401, u"DEU", false}, {1402, u"CSY", false}, {1403, u"HRV", false},
        {1404, u"FIN", false}, {1405, u"FRA", false}, {1406, u"ITA", false}, {1407, u"NOR", false},
        {1408, u"PLK", false}, {1409, u"PTG", false}, {1410, u"ROM", false}, {1411, u"ESN", false},
        {1412, u"SVE", false}, {1413, u"TRK", false}, {1414, u"CHS", false}, {1415, u"FAS", false},
        {1416, u"SRP", false}, {1417, u"DAN", false}, {1418, u"LIT", true},  {1419, u"RUS", true},
    };
    return choices;
}

CLanguageDialog::CLanguageDialog(QWidget* parent) : CDialogBase(kTemplate, parent) {
    for (const LanguageChoice& choice : LanguageChoices())
        OnCommand(choice.id, [this, &choice] { OnLanguage(choice); });
    OnCommand(kIdCancel, [this] { EndDialog(kResultCancel); });
    OnCommand(kIdCheck, [this] { OnCheck(); });
    OnCommand(kIdBranding0, [this] { OnBranding(0); });
    OnCommand(kIdBranding1, [this] { OnBranding(1); });
}

void CLanguageDialog::OnInitDialog() {
    for (const LanguageChoice& choice : LanguageChoices())
        EnableItem(choice.id, choice.alwaysOffered || LanguagePackPresent(choice.code));
    SetCheck(kIdBranding0, g_configuration.branding == 0);
    SetCheck(kIdBranding1, g_configuration.branding == 1);
}

void CLanguageDialog::OnLanguage(const LanguageChoice& choice) {
    SetLanguage(choice.code);
    if (g_materials) g_materials->ReloadNames();
    EndDialog(kResultLanguage);
}

void CLanguageDialog::OnBranding(int value) {
    g_configuration.branding = value;
    g_configuration.Save();
    SetCheck(kIdBranding0, value == 0);
    SetCheck(kIdBranding1, value == 1);
}

void CLanguageDialog::OnCheck() {
    CLangCheckDlg check(this);
    RunChild(check);
}

CLangCheckDlg::CLangCheckDlg(QWidget* parent) : CDialogBase(kTemplate, parent) {
    // Two columns: the built-in text and the one in force.
    // Both start on the screen's reading side, whatever script a text is in.
    constexpr int kTop = 40, kRow = 22, kLeft = 12, kColumn = 308;
    const Qt::Alignment align = (Mirrored() ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignAbsolute | Qt::AlignVCenter;
    for (size_t row = 0; row < CheckedStrings().size(); ++row) {
        const int y = kTop + static_cast<int>(row) * kRow;
        const int id = kIdFirstRow + 2 * static_cast<int>(row);
        for (int column = 0; column < 2; ++column) {
            auto* label = new QLabel(this);
            label->setWordWrap(false);
            label->setAlignment(align);
            RegisterControl(id + column, label);
            PlaceItem(id + column, QRect(kLeft + column * kColumn, y, kColumn - 4, kRow));
        }
    }
    OnCommand(kResultOk, [this] { EndDialog(kResultOk); });
}

const std::vector<int>& CLangCheckDlg::CheckedStrings() {
    static const std::vector<int> ids = {102, 103, 104, 105, 106, 107, 109, 123, 124, 130, 131, 132, 133, 183, 182, 198};
    return ids;
}

void CLangCheckDlg::OnInitDialog() {
    for (size_t row = 0; row < CheckedStrings().size(); ++row) {
        const int id = CheckedStrings()[row];
        ShowText(kIdFirstRow + 2 * static_cast<int>(row), BuiltInString(id));
        ShowText(kIdFirstRow + 2 * static_cast<int>(row) + 1, LoadString(id));
    }
}

// On one line, in a smaller font when long: the check is of the whole text.
void CLangCheckDlg::ShowText(int id, const QString& text) {
    constexpr int kSmallestPixels = 10;
    SetItemText(id, text);
    if (auto* label = Item<QLabel>(id)) label->setFont(FitLineFont(text, font(), label->width(), kSmallestPixels));
}
