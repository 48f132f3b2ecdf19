#pragma once
// screens/LanguageDialog.h — the language screen and its check page.
//
// One button per language; a language whose pack is not on the unit is
// disabled (English, Lithuanian and Russian are always offered). Choosing one
// applies and stores it, renames the materials, and closes with 100 so that
// every screen above closes in turn. Two unmarked corners set the branding.

#include <string>
#include <vector>

#include "ui/DialogBase.h"

struct LanguageChoice {
    int id;              // button identifier
    const char16_t* code;
    bool alwaysOffered;  // offered without a pack
};

// The languages in screen order.
const std::vector<LanguageChoice>& LanguageChoices();

class CLanguageDialog : public CDialogBase {
    Q_OBJECT
public:
    enum : int { kTemplate = 140, kIdCheck = 1420, kIdBranding0 = 1422, kIdBranding1 = 1423, kIdCancel = 2 };
    explicit CLanguageDialog(QWidget* parent = nullptr);

protected:
    void OnInitDialog() override;

private:
    void OnLanguage(const LanguageChoice& choice);
    void OnBranding(int value);
    void OnCheck();
};

class CLangCheckDlg : public CDialogBase {
    Q_OBJECT
public:
    enum : int { kTemplate = 141, kIdFirstRow = 1450 };  // rows: English, then local
    explicit CLangCheckDlg(QWidget* parent = nullptr);

    // The string-table entries shown side by side.
    static const std::vector<int>& CheckedStrings();

protected:
    void OnInitDialog() override;

private:
    void ShowText(int id, const QString& text);
};
