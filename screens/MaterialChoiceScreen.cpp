#include "screens/MaterialChoiceScreen.h"

#include "pipe/Materials.h"
#include "pipe/PipeEntry.h"
#include "ui/FancyButton.h"

namespace {

// The buttons share the screen between the title and the bottom row, px.
constexpr ScreenCell kMaterialArea{14, 36, 612, 376};

}  // namespace

CMaterialChoiceScreen::CMaterialChoiceScreen(int templateId, QWidget* parent) : CDialogBase(templateId, parent) {
    for (int slot = 0; slot < CMaterials::kSlotCount; ++slot) {
        auto* button = new CFancyButton(this);
        button->hide();
        RegisterControl(kIdFirstMaterial + slot, button);
        OnCommand(kIdFirstMaterial + slot, [this, slot] { OnMaterial(slot); });
    }
}

std::vector<int> CMaterialChoiceScreen::OfferedSlots() {
    std::vector<int> offered;
    if (!g_materials) return offered;
    for (int slot = 0; slot < CMaterials::kSlotCount; ++slot)
        if (!g_materials->Slot(slot).name.empty()) offered.push_back(slot);
    return offered;
}

void CMaterialChoiceScreen::PlaceMaterialButtons() {
    const std::vector<int> offered = OfferedSlots();
    std::vector<ScreenCell> cells = ChoiceGrid(static_cast<int>(offered.size()), kMaterialArea);
    for (int slot = 0; slot < CMaterials::kSlotCount; ++slot) ShowItem(kIdFirstMaterial + slot, false);
    for (size_t i = 0; i < offered.size(); ++i) {
        const int id = kIdFirstMaterial + offered[i];
        PlaceItem(id, QRect(cells[i].x, cells[i].y, cells[i].width, cells[i].height));
        SetItemText(id, QString::fromStdU16String(g_materials->Slot(offered[i]).name));
        ShowItem(id, true);
    }
}
