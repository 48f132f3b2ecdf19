#include "screens/BadSignalDlg.h"

#include "settings/Configuration.h"

CBadSignalDlg::CBadSignalDlg(QWidget* parent) : CDialogBase(kTemplate, parent) {
    OnCommand(kIdYes, [this] { EndDialog(kResultOk); });
    OnCommand(kIdNo, [this] { EndDialog(kResultCancel); });
    OnCommand(kIdCancel, [this] { EndDialog(kResultCancel); });
}

void CBadSignalDlg::OnInitDialog() {
    const bool testMode = g_configuration.testMode != 0;
    ShowItem(kIdQuestion, testMode);
    ShowItem(kIdYes, testMode);
    ShowItem(kIdNo, testMode);
    ShowItem(kIdCancel, !testMode);
}
