#include "screens/ConfigurationDialog.h"

#include "hardware/SensorHardware.h"
#include "screens/AdvancedConfigDialog.h"
#include "screens/SetClockDialog.h"
#include "screens/StatusDialog.h"
#include "settings/Configuration.h"

using setup::StationChoice;

namespace {

struct ChoiceButton {
    int id;
    StationChoice choice;
};
constexpr ChoiceButton kChoices[] = {
    {CConfigurationDialog::kIdRedWithBlue, StationChoice::RedWithBlue},
    {CConfigurationDialog::kIdRedWithBase, StationChoice::RedWithBase},
    {CConfigurationDialog::kIdBlueWithBase, StationChoice::BlueWithBase},
};
constexpr int kAvailableCaptions[] = {CConfigurationDialog::kIdRedWithBaseAvailable,
                                      CConfigurationDialog::kIdBlueWithBaseAvailable};

}  // namespace

CConfigurationDialog::CConfigurationDialog(SensorHardware& hardware, RadioLink& radio, QWidget* parent)
    : CDialogBase(kTemplate, parent), m_hw(hardware), m_radio(radio) {
    for (const ChoiceButton& b : kChoices) OnCommand(b.id, [this, c = b.choice] { OnChoice(c); });
    OnCommand(kIdSetClock, [this] { OnSetClock(); });
    OnCommand(kIdAdvanced, [this] { OnAdvanced(); });
    OnCommand(kIdInfo, [this] { OnInfo(); });
    OnCommand(kIdOk, [this] { OnOk(); });
    OnCommand(kIdCancel, [this] { EndDialog(kResultCancel); });
}

void CConfigurationDialog::OnInitDialog() {
    m_choice = setup::ChoiceForPair(g_configuration.stationA, g_configuration.stationB);
    m_osVersion = m_hw.GetOsVersion();
    CheckAvailability();
    SetTimer(kIdTimer, kCheckMs);
}

void CConfigurationDialog::OnTimer(int id) {
    if (id == kIdTimer) CheckAvailability();
}

// A Base pair shown while the Base cannot serve (lost now, or never there at
// opening) falls back to Red with Blue, so that OK never stores a pair the
// unit cannot sample.
void CConfigurationDialog::CheckAvailability() {
    m_baseUsable = setup::BasePairsUsable(m_hw.DetectSensorType(), m_osVersion);
    if (!m_baseUsable && setup::UsesBase(m_choice)) m_choice = StationChoice::RedWithBlue;
    ShowValues();
}

void CConfigurationDialog::OnChoice(StationChoice choice) {
    if (setup::UsesBase(choice) && !m_baseUsable) return;
    m_choice = choice;
    ShowValues();
}

void CConfigurationDialog::OnSetClock() {
    CSetClockDialog clock(this);
    RunChild(clock);
}

void CConfigurationDialog::OnAdvanced() {
    CAdvancedConfigDialog advanced(this);
    advanced.SetFilterScreen(m_filterScreen);
    RunChild(advanced);
}

void CConfigurationDialog::OnInfo() {
    CStatusDialog status(m_hw, m_radio, this);
    RunChild(status);
}

void CConfigurationDialog::OnOk() {
    const setup::StationPair pair = setup::PairFor(m_choice);
    g_configuration.stationA = pair.a;
    g_configuration.stationB = pair.b;
    g_configuration.Save();
    EndDialog(kResultOk);
}

void CConfigurationDialog::ShowValues() {
    for (const ChoiceButton& b : kChoices) {
        SetCheck(b.id, b.choice == m_choice);
        if (setup::UsesBase(b.choice)) EnableItem(b.id, m_baseUsable);
    }
    for (int id : kAvailableCaptions) {
        const ControlTemplate* c = Template().Find(id);
        SetItemText(id, m_baseUsable && c ? c->caption : QString());
    }
}
