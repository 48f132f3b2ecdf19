#pragma once
// screens/DbMaterialDialog.h — "SELECT PIPE MATERIAL TO BE EDITED": the
// material database of g_materials. A material button selects its slot;
// EDIT NAME types a new name ("SET MATERIAL NAME"), EDIT VELOCITY opens the
// slot's sound velocity table (CDatabaseDialog); the table file is saved after
// each accepted change. RESTORE DEFAULTS asks first (CRestoreDefaultsDialog),
// then puts the built-in table in memory; the file follows at the next save.
// BACK closes the screen.

#include "screens/MaterialChoiceScreen.h"

class CDbMaterialDialog : public CMaterialChoiceScreen {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 187,
        kIdTitle = 1000,
        kIdEditName = 1001,
        kIdEditVelocity = 1002,
        kIdRestoreDefaults = 1003,
        kIdBack = 2,
        kSetNameString = 861,         // "SET MATERIAL NAME"
        kMaterialNameMaxChars = 30,   // what a material button shows readably
    };

    explicit CDbMaterialDialog(QWidget* parent = nullptr);

    // The selected slot, -1 when none.
    int Selected() const { return m_selected; }

protected:
    void OnInitDialog() override;

private:
    void OnMaterial(int slot) override;
    void OnEditName();
    void OnEditVelocity();
    void OnRestoreDefaults();
    void ShowValues();

    int m_selected = -1;
};
