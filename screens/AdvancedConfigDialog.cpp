#include "screens/AdvancedConfigDialog.h"

#include <QSlider>

#include "hardware/UserActivity.h"
#include "platform/Numbers.h"
#include "screens/LanguageDialog.h"
#include "screens/SurveyDialog.h"
#include "settings/Configuration.h"
#include "ui/Resources.h"

using setup::AdvancedSettings;
using setup::Optimisation;

// The message map of the choice buttons: what each does to the copy, and
// when it shows checked. The interlocks live in setup::Choose...
const CAdvancedConfigDialog::Choice CAdvancedConfigDialog::kChoices[] = {
    {kIdMetric, [](AdvancedSettings& s) { s.unitSystem = 0; },
     [](const AdvancedSettings& s) { return s.unitSystem == 0; }},
    {kIdImperial, [](AdvancedSettings& s) { s.unitSystem = 1; },
     [](const AdvancedSettings& s) { return s.unitSystem == 1; }},
    {kIdSeconds, [](AdvancedSettings& s) { s.velocityPerMs = 0; },
     [](const AdvancedSettings& s) { return s.velocityPerMs == 0; }},
    {kIdMilliseconds, [](AdvancedSettings& s) { s.velocityPerMs = 1; },
     [](const AdvancedSettings& s) { return s.velocityPerMs == 1; }},
    {kIdTimeDomain, [](AdvancedSettings& s) { setup::ChooseTechnique(s, false); },
     [](const AdvancedSettings& s) { return s.useFftEngine == 0; }},
    {kIdFrequencyDomain, [](AdvancedSettings& s) { setup::ChooseTechnique(s, true); },
     [](const AdvancedSettings& s) { return s.useFftEngine != 0; }},
    {kIdSingleHistogram, [](AdvancedSettings& s) { setup::ChooseDisplay(s, false); },
     [](const AdvancedSettings& s) { return s.multiFilter == 0; }},
    {kIdMultiFilter, [](AdvancedSettings& s) { setup::ChooseDisplay(s, true); },
     [](const AdvancedSettings& s) { return s.multiFilter != 0; }},
    {kIdLogarithmic, [](AdvancedSettings& s) { s.linearFrequencyAxis = 0; },
     [](const AdvancedSettings& s) { return s.linearFrequencyAxis == 0; }},
    {kIdLinear, [](AdvancedSettings& s) { s.linearFrequencyAxis = 1; },
     [](const AdvancedSettings& s) { return s.linearFrequencyAxis != 0; }},
    {kIdDisabled, [](AdvancedSettings& s) { setup::ChooseOptimisation(s, Optimisation::Disabled); },
     [](const AdvancedSettings& s) { return s.filterOptimisation == 0; }},
    {kIdManual, [](AdvancedSettings& s) { setup::ChooseOptimisation(s, Optimisation::Manual); },
     [](const AdvancedSettings& s) { return s.filterOptimisation == 1; }},
    {kIdAutomatic, [](AdvancedSettings& s) { setup::ChooseOptimisation(s, Optimisation::Automatic); },
     [](const AdvancedSettings& s) { return s.filterOptimisation == 2; }},
};

CAdvancedConfigDialog::CAdvancedConfigDialog(QWidget* parent) : CDialogBase(kTemplate, parent) {
    for (const Choice& c : kChoices) OnCommand(c.id, [this, &c] { OnChoice(c); });
    OnCommand(kIdSelectMaterial, [this] { OnSelectMaterial(); });
    OnCommand(kIdSharpnessUp, [this] { OnSharpnessStep(+1); });
    OnCommand(kIdSharpnessDown, [this] { OnSharpnessStep(-1); });
    OnCommand(kIdSetLanguage, [this] { OnSetLanguage(); });
    OnCommand(kIdSurveySettings, [this] { OnSurveySettings(); });
    OnCommand(kIdExitToUpgrade, [this] { EndDialog(kResultUpgrade); });
    OnCommand(kIdAutoCorrelation, [this] { m_autoCorrelation = !m_autoCorrelation; });
    OnCommand(kIdOk, [this] { OnOk(); });
    OnCommand(kIdCancel, [this] { EndDialog(kResultCancel); });
    if (auto* slider = Item<QSlider>(kIdSharpnessSlider)) {
        slider->setRange(0, setup::kMaxSharpness);
        slider->setPageStep(1);
        // A position the operator drags to is the value too.
        connect(slider, &QSlider::sliderReleased, this, [this, slider] {
            if (ReportUserActivity()) OnSharpnessSlider(slider->value());
        });
    }
}

void CAdvancedConfigDialog::OnInitDialog() {
    m_settings = setup::AdvancedFrom(g_configuration);
    m_autoCorrelation = false;
    ShowValues();
}

void CAdvancedConfigDialog::OnChoice(const Choice& choice) {
    choice.apply(m_settings);
    ShowValues();
}

void CAdvancedConfigDialog::OnSelectMaterial() {
    setup::ToggleSharpenSelection(m_settings);
    ShowValues();
}

void CAdvancedConfigDialog::OnSharpnessStep(int delta) {
    setup::StepSharpness(m_settings, delta);
    ShowValues();
}

void CAdvancedConfigDialog::OnSharpnessSlider(int value) {
    setup::SetSelectedSharpness(m_settings, value);
    ShowValues();
}

void CAdvancedConfigDialog::OnSetLanguage() {
    CLanguageDialog language(this);
    RunChild(language);
}

void CAdvancedConfigDialog::OnSurveySettings() {
    CSurveyDialog survey(this);
    survey.SetFilterScreen(m_filterScreen);
    RunChild(survey);
}

void CAdvancedConfigDialog::OnOk() {
    setup::StoreAdvanced(m_settings, g_configuration);
    g_configuration.Save();
    EndDialog(kResultOk);
}

void CAdvancedConfigDialog::ShowValues() {
    for (const Choice& c : kChoices) SetCheck(c.id, c.checked(m_settings));
    const int32_t value = setup::SelectedSharpness(m_settings);
    const QString name = LoadString(m_settings.sharpenSelection == 0 ? kStrPlastic : kStrOther);
    SetItemText(kIdSharpnessLabel, name + QString::fromStdString(platform::FormatCString(" %d", value)));
    if (auto* slider = Item<QSlider>(kIdSharpnessSlider)) slider->setValue(value);
}
