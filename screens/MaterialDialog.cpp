#include "screens/MaterialDialog.h"

#include "pipe/Materials.h"
#include "pipe/PipeEntry.h"
#include "screens/DiameterDialog.h"
#include "screens/MultiPipeDialog.h"
#include "settings/Configuration.h"

namespace {

// Every pipe of the program runs at the unit's 10000 samples per second
// until START picks a decimation.
constexpr float kPipeRate = 10000.0f;

QString ToQString(const std::u16string& s) { return QString::fromStdU16String(s); }

}  // namespace

CMaterialDialog::CMaterialDialog(QWidget* parent)
    : CMaterialChoiceScreen(kTemplate, parent), m_callerPipe(kPipeRate), m_pipe(kPipeRate) {
    OnCommand(kIdSurvey, [this] { OnSurvey(); });
    OnCommand(kIdUseExisting, [this] { OnUseExisting(); });
    OnCommand(kIdViewEdit, [this] { OnViewEdit(); });
    OnCommand(kIdBack, [this] { EndDialog(kResultCancel); });
}

void CMaterialDialog::SetPipe(const CPipe& pipe) { m_callerPipe = pipe; }
void CMaterialDialog::SetSurveyAllowed(bool allowed) { m_surveyAllowed = allowed; }
void CMaterialDialog::SetExistingOffered(bool offered) { m_existingOffered = offered; }
void CMaterialDialog::SetSectionOnly(bool sectionOnly) { m_sectionOnly = sectionOnly; }

// Names are read on every opening: a name edited or a language chosen since
// the last run shows at once, and an emptied name loses its button.
void CMaterialDialog::OnInitDialog() {
    m_pipe = m_callerPipe;
    m_section = PipeSegment();
    m_survey = false;
    m_resultName.clear();

    PlaceMaterialButtons();

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
