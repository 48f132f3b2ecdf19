#pragma once
// screens/RestoreDefaultsDialog.h — the question before the material table is
// put back to its built-in values: YES (OK) or NO (cancel). It changes
// nothing itself; the caller acts on OK.

#include "ui/DialogBase.h"

class CRestoreDefaultsDialog : public CDialogBase {
    Q_OBJECT
public:
    enum : int { kTemplate = 189, kIdText = 1000, kIdYes = 1, kIdNo = 2 };

    explicit CRestoreDefaultsDialog(QWidget* parent = nullptr);
};
