#include "screens/RestoreDefaultsDialog.h"

CRestoreDefaultsDialog::CRestoreDefaultsDialog(QWidget* parent) : CDialogBase(kTemplate, parent) {
    OnCommand(kIdYes, [this] { EndDialog(kResultOk); });
    OnCommand(kIdNo, [this] { EndDialog(kResultCancel); });
}
