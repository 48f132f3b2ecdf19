#include "screens/SurveyDialog.h"

#include "screens/FilterDialog.h"
#include "settings/Configuration.h"
#include "ui/Resources.h"

namespace {

constexpr int kRangeIds[] = {CSurveyDialog::kIdShort, CSurveyDialog::kIdMedium, CSurveyDialog::kIdLong,
                             CSurveyDialog::kIdMaximum};
constexpr int kPresetIds[] = {CSurveyDialog::kIdOpen, CSurveyDialog::kIdMetallic, CSurveyDialog::kIdPlastic,
                              CSurveyDialog::kIdCustom};
constexpr int kDefaultRange = 0;   // short
constexpr int kDefaultPreset = 1;  // metallic

// Ranges and presets the screen knows; anything else is the first.
int Known(int32_t value) { return value >= 1 && value <= 3 ? value : 0; }

}  // namespace

CSurveyDialog::CSurveyDialog(QWidget* parent) : CDialogBase(kTemplate, parent) {
    // The short-range button shows only while short is chosen, in the medium
    // one's place; a touch on it brings medium back.
    OnCommand(kIdShort, [this] { OnRange(1); });
    for (int r = 1; r < 4; ++r) OnCommand(kRangeIds[r], [this, r] { OnRange(r); });
    for (int p = 0; p < 3; ++p) OnCommand(kPresetIds[p], [this, p] { OnPreset(p); });
    OnCommand(kIdCustom, [this] { OnCustom(); });
    OnCommand(kIdSetDefaults, [this] { OnSetDefaults(); });
    OnCommand(kIdCancel, [this] { EndDialog(kResultCancel); });
    OnCommand(kIdAccept, [this] { OnAccept(); });
}

void CSurveyDialog::OnInitDialog() {
    m_range = Known(g_configuration.surveyRange);
    m_preset = Known(g_configuration.surveyFilter);
    // The unit system may have changed since the last opening: captions from
    // the template (metres) or the string table (feet) every time.
    const bool feet = g_configuration.unitSystem == 1;
    for (int r = 0; r < 4; ++r) {
        QString caption;
        if (feet) caption = LoadString(kFeetCaptions + r);
        if (caption.isEmpty())
            if (const ControlTemplate* c = Template().Find(kRangeIds[r])) caption = c->caption;
        SetItemText(kRangeIds[r], caption);
    }
    ShowValues();
}

void CSurveyDialog::OnRange(int range) {
    m_range = range;
    ShowValues();
}

void CSurveyDialog::OnPreset(int preset) {
    m_preset = preset;
    ShowValues();
}

// The custom band is saved as soon as the filter screen accepts it, whatever
// this screen is closed with; a cancelled filter screen changes nothing.
void CSurveyDialog::OnCustom() {
    if (m_filterScreen) {
        m_filterScreen->SetCurrentSet(0);
        const int result = RunChild(*m_filterScreen);
        if (result != kResultOk) return;  // passed-up codes have closed this screen too
        const FilterSetHz& band = m_filterScreen->Band(0);
        g_configuration.surveyCustomCutoffs[0] = band.low;
        g_configuration.surveyCustomCutoffs[1] = band.high;
        g_configuration.surveyCustomCutoffs[2] = band.notchLow;
        g_configuration.surveyCustomCutoffs[3] = band.notchHigh;
        g_configuration.Save();
    }
    m_preset = 3;
    ShowValues();
}

void CSurveyDialog::OnSetDefaults() {
    m_range = kDefaultRange;
    m_preset = kDefaultPreset;
    ShowValues();
}

void CSurveyDialog::OnAccept() {
    g_configuration.surveyRange = m_range;
    g_configuration.surveyFilter = m_preset;
    g_configuration.Save();
    EndDialog(kResultOk);
}

void CSurveyDialog::ShowValues() {
    for (int r = 0; r < 4; ++r) SetCheck(kRangeIds[r], r == m_range);
    ShowItem(kIdShort, m_range == 0);
    ShowItem(kIdMedium, m_range != 0);
    for (int p = 0; p < 4; ++p) SetCheck(kPresetIds[p], p == m_preset);
}
