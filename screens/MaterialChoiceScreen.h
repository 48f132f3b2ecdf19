#pragma once
// screens/MaterialChoiceScreen.h — a screen with one button per named slot of
// the material table (g_materials), laid out on the same grid on every such
// screen so that a material keeps its place from one to the next. The
// buttons are made once; PlaceMaterialButtons shows the named slots with
// their current names (an emptied name loses its button) at each opening.

#include <vector>

#include "ui/DialogBase.h"

class CMaterialChoiceScreen : public CDialogBase {
    Q_OBJECT
public:
    static constexpr int kIdFirstMaterial = 1100;  // + slot 0-23 of the material table

    // Slots whose material is offered: those of g_materials with a name.
    static std::vector<int> OfferedSlots();

protected:
    CMaterialChoiceScreen(int templateId, QWidget* parent);
    void PlaceMaterialButtons();
    // A material button was pressed.
    virtual void OnMaterial(int slot) = 0;
};
