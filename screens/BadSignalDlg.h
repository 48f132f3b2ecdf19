#pragma once
// screens/BadSignalDlg.h — asked before a live run when a station has no
// reception. Outside test mode the operator can only cancel; in test mode
// YES runs anyway.

#include "ui/DialogBase.h"

class CBadSignalDlg : public CDialogBase {
    Q_OBJECT
public:
    enum : int { kTemplate = 194, kIdQuestion = 1002, kIdYes = 6, kIdNo = 7, kIdCancel = 2 };
    explicit CBadSignalDlg(QWidget* parent = nullptr);

protected:
    void OnInitDialog() override;
};
