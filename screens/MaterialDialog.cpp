#include "screens/MaterialDialog.h"

#include "pipe/Materials.h"
#include "pipe/PipeEntry.h"
#include "screens/DiameterDialog.h"
#include "screens/MultiPipeDialog.h"
#include "settings/Configuration.h"
#include "ui/FancyButton.h"

namespace {

// The buttons share the screen between the title and the bottom row, px.
constexpr ScreenCell kMaterialArea{14, 36, 612, 376};
// Every pipe of the program runs at the unit's 10000 samples per second
// until START picks a decimation.
constexpr float kPipeRate = 10000.0f;

QString ToQString(const std::u16string& s) { return QString::fromStdU16String(s); }

}  // namespace

CMaterialDialog::CMaterialDialog(QWidget* parent)
    : CDialogBase(kTemplate, parent), m_callerPipe(kPipeRate), m_pipe(kPipeRate) {
    CreateMaterialButtons();
    OnCommand(kIdSurvey, [this] { OnSurvey(); });
    OnCommand(kIdUseExisting, [this] { OnUseExisting(); });
    OnCommand(kIdViewEdit, [this] { OnViewEdit(); });
    OnCommand(kIdBack, [this] { EndDialog(kResultCancel); });
}

void CMaterialDialog::SetPipe(const CPipe& pipe) { m_callerPipe = pipe; }
void CMaterialDialog::SetSurveyAllowed(bool allowed) { m_surveyAllowed = allowed; }
void CMaterialDialog::SetExistingOffered(bool offered) { m_existingOffered = offered; }
void CMaterialDialog::SetSectionOnly(bool sectionOnly) { m_sectionOnly = sectionOnly; }

std::vector<int> CMaterialDialog::OfferedSlots() {
    std::vector<int> offered;
    if (!g_materials) return offered;
    for (int slot = 0; slot < CMaterials::kSlotCount; ++slot)
        if (!g_materials->Slot(slot).name.empty()) offered.push_back(slot);
    return offered;
}

void CMaterialDialog::CreateMaterialButtons() {
    for (int slot = 0; slot < CMaterials::kSlotCount; ++slot) {
        auto* button = new CFancyButton(this);
        button->hide();
        RegisterControl(kIdFirstMaterial + slot, button);
        OnCommand(kIdFirstMaterial + slot, [this, slot] { OnMaterial(slot); });
    }
}

// Names are read on every opening: a name edited or a language chosen since
// the last run shows at once, and an emptied name loses its button.
void CMaterialDialog::OnInitDialog() {
    m_pipe = m_callerPipe;
    m_section = PipeSegment();
    m_survey = false;
    m_resultName.clear();

    const std::vector<int> offered = OfferedSlots();
    std::vector<ScreenCell> cells = ChoiceGrid(static_cast<int>(offered.size()), kMaterialArea);
    if (layoutDirection() == Qt::RightToLeft) cells = MirroredGrid(std::move(cells), kMaterialArea);
    for (int slot = 0; slot < CMaterials::kSlotCount; ++slot) ShowItem(kIdFirstMaterial + slot, false);
    for (size_t i = 0; i < offered.size(); ++i) {
        QWidget* button = GetDlgItem(kIdFirstMaterial + offered[i]);
        button->setGeometry(cells[i].x, cells[i].y, cells[i].width, cells[i].height);
        SetItemText(kIdFirstMaterial + offered[i], ToQString(g_materials->Slot(offered[i]).name));
        button->show();
    }

    const bool existing = !m_sectionOnly && m_existingOffered && m_callerPipe.GetSectionCount() > 0;
    ShowItem(kIdSurvey, !m_sectionOnly && m_surveyAllowed);
    ShowItem(kIdUseExisting, existing);
    ShowItem(kIdViewEdit, existing);
}

void CMaterialDialog::OnMaterial(int slot) {
    if (!g_materials) return;
    const MaterialEntry& material = g_materials->Slot(slot);
    PipeSegment section;
    section.SetMaterial(material.name);
    section.SetMaterialGroup(material.group);
    CDiameterDialog diameter(slot, section, m_pipe, this);
    diameter.SetSectionOnly(m_sectionOnly);
    if (RunChild(diameter) != kResultOk) return;
    m_section = diameter.Section();
    m_pipe = diameter.Pipe();
    Complete();
}

void CMaterialDialog::OnSurvey() {
    m_survey = true;
    m_pipe = m_callerPipe;
    m_resultName = QString::fromLatin1(kSurveyResultName);
    EndDialog(kResultOk);
}

void CMaterialDialog::OnUseExisting() {
    m_pipe = m_callerPipe;
    Complete();
}

void CMaterialDialog::OnViewEdit() {
    CMultiPipeDialog editor(m_callerPipe, this);
    if (RunChild(editor) != kResultOk) return;
    m_pipe = editor.Pipe();
    Complete();
}

void CMaterialDialog::Complete() {
    m_resultName = ToQString(m_pipe.GetDescription(static_cast<LengthUnit>(g_configuration.unitSystem)));
    EndDialog(kResultOk);
}
