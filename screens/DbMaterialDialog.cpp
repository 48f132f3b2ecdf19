#include "screens/DbMaterialDialog.h"

#include <algorithm>

#include "pipe/Materials.h"
#include "pipe/PipeEntry.h"
#include "screens/DatabaseDialog.h"
#include "screens/RestoreDefaultsDialog.h"
#include "ui/FancyButton.h"
#include "ui/KeyboardDialog.h"
#include "ui/Resources.h"

namespace {

QString NameOf(int slot) { return QString::fromStdU16String(g_materials->Slot(slot).name); }

}  // namespace

CDbMaterialDialog::CDbMaterialDialog(QWidget* parent) : CMaterialChoiceScreen(kTemplate, parent) {
    OnCommand(kIdEditName, [this] { OnEditName(); });
    OnCommand(kIdEditVelocity, [this] { OnEditVelocity(); });
    OnCommand(kIdRestoreDefaults, [this] { OnRestoreDefaults(); });
    OnCommand(kIdBack, [this] { EndDialog(kResultCancel); });
}

void CDbMaterialDialog::OnInitDialog() {
    m_selected = -1;
    ShowValues();
}

void CDbMaterialDialog::OnMaterial(int slot) {
    m_selected = slot;
    ShowValues();
}

void CDbMaterialDialog::OnEditName() {
    if (m_selected < 0 || !g_materials) return;
    // A longer name from a language pack is offered whole, never cut.
    const QString name = NameOf(m_selected);
    CKeyboardDialog keyboard(LoadString(kSetNameString), name, std::max<int>(kMaterialNameMaxChars, name.size()), this);
    if (RunChild(keyboard) != kResultOk) return;
    g_materials->Slot(m_selected).name = keyboard.Text().toStdU16String();
    g_materials->Save();
    ShowValues();
}

void CDbMaterialDialog::OnEditVelocity() {
    if (m_selected < 0 || !g_materials) return;
    CDatabaseDialog table(m_selected, this);
    if (RunChild(table) != kResultOk) return;
    g_materials->Save();
    ShowValues();
}

void CDbMaterialDialog::OnRestoreDefaults() {
    if (!g_materials) return;
    CRestoreDefaultsDialog question(this);
    if (RunChild(question) != kResultOk) return;
    g_materials->LoadDefaults();
    ShowValues();
}

// A slot whose name was emptied loses its button and its selection.
void CDbMaterialDialog::ShowValues() {
    if (!g_materials) return;
    PlaceMaterialButtons();
    if (m_selected >= 0 && g_materials->Slot(m_selected).name.empty()) m_selected = -1;
    for (int slot = 0; slot < CMaterials::kSlotCount; ++slot) SetCheck(kIdFirstMaterial + slot, slot == m_selected);
    EnableItem(kIdEditName, m_selected >= 0);
    EnableItem(kIdEditVelocity, m_selected >= 0);
}
