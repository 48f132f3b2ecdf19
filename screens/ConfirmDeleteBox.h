#pragma once
// screens/ConfirmDeleteBox.h — the question before a file is deleted: the
// warning that it cannot be undone, DELETE (OK) and CANCEL. Black on white,
// or white on black with the inverted colour scheme, as every screen.

#include "ui/DialogBase.h"

class CConfirmDeleteBox : public CDialogBase {
    Q_OBJECT
public:
    enum : int { kTemplate = 201, kIdText = 1000, kIdDelete = 1, kIdCancel = 2 };

    explicit CConfirmDeleteBox(QWidget* parent = nullptr);
};
