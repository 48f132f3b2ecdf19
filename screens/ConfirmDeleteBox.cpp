#include "screens/ConfirmDeleteBox.h"

CConfirmDeleteBox::CConfirmDeleteBox(QWidget* parent) : CDialogBase(kTemplate, parent) {
    OnCommand(kIdDelete, [this] { EndDialog(kResultOk); });
    OnCommand(kIdCancel, [this] { EndDialog(kResultCancel); });
}
