#include "screens/ProtectedSetup.h"

#include <algorithm>
#include <limits>

#include "hardware/RadioLink.h"
#include "hardware/SensorHardware.h"
#include "hardware/UserActivity.h"
#include "screens/RadioSetupDlg.h"
#include "screens/SetBrightnessDialog.h"
#include "screens/TouchTest.h"
#include "settings/Configuration.h"
#include "ui/KeyboardDialog.h"
#include "ui/Resources.h"

namespace {

constexpr int kStrEnterPassword = 717, kStrPasswordWrong = 718, kStrEnterSerial = 719;
constexpr int kSerialMaxLength = 39;
constexpr int32_t kFineSpacing = 12500;

struct CountryButton {
    int id;
    const char* preset;  // the preset's name in the radio link's table
};
constexpr CountryButton kCountries[] = {
    {1009, "Argentina"}, {1010, "Australia"}, {1011, "Canada"},      {1012, "Chile"},
    {1013, "Finland"},   {1014, "France"},    {1015, "Germany"},     {1016, "Greece"},
    {1017, "Ireland"},   {1018, "Korea"},     {1019, "Malaysia"},    {1020, "Mexico"},
    {1021, "New Zealand"}, {1022, "Norway"},  {1023, "Portugal"},    {1024, "South Africa"},
    {1025, "Spain"},     {1026, "Sweden"},    {1027, "UK"},          {1028, "USA"},
    {1029, "China"},     {1039, "Poland"},
};

enum TuneKind { kMegahertz, kHundredKilohertz, kChannel };

QString Text(const std::string& s) { return QString::fromStdString(s); }

uint8_t& ManualMark(int station) { return station == 1 ? g_configuration.redManual : g_configuration.blueManual; }

RadioRecord& Record(int station) { return g_configuration.radio[station == 1 ? 0 : 1]; }

}  // namespace

CProtectedSetup::CProtectedSetup(SensorHardware& hardware, RadioLink& radio, QWidget* parent)
    : CDialogBase(kTemplate, parent), m_hw(hardware), m_radio(radio) {
    OnCommand(kIdNotch50, [this] { OnNotch(0); });
    OnCommand(kIdNotch60, [this] { OnNotch(1); });
    OnCommand(kIdNoNotch, [this] { OnNotch(2); });
    OnCommand(kIdRedRadio, [this] { OnSelect(1); });
    OnCommand(kIdBlueRadio, [this] { OnSelect(2); });
    OnCommand(kIdPlus1MHz, [this] { OnTune(+1, kMegahertz); });
    OnCommand(kIdMinus1MHz, [this] { OnTune(-1, kMegahertz); });
    OnCommand(kIdPlus100kHz, [this] { OnTune(+1, kHundredKilohertz); });
    OnCommand(kIdMinus100kHz, [this] { OnTune(-1, kHundredKilohertz); });
    OnCommand(kIdPlusChannel, [this] { OnTune(+1, kChannel); });
    OnCommand(kIdMinusChannel, [this] { OnTune(-1, kChannel); });
    for (const CountryButton& c : kCountries) OnCommand(c.id, [this, name = c.preset] { OnCountry(name); });
    OnCommand(kIdSetManual, [this] { OnSetManual(); });
    OnCommand(kIdRedSpacing, [this] { OnSpacing(1); });
    OnCommand(kIdBlueSpacing, [this] { OnSpacing(2); });
    OnCommand(kIdRedRange7, [this] { OnRange7(1); });
    OnCommand(kIdBlueRange7, [this] { OnRange7(2); });
    OnCommand(kIdMinRssi, [this] {
        g_configuration.rssiFloor = unitcare::NextRssiFloor(g_configuration.rssiFloor);
        Save();
    });
    OnCommand(kIdRssiRange, [this] {
        g_configuration.rssiSpan = unitcare::NextRssiSpan(g_configuration.rssiSpan);
        Save();
    });
    OnCommand(kIdRedFixedGain, [this] { OnGain(1, true); });
    OnCommand(kIdRedVarGain, [this] { OnGain(1, false); });
    OnCommand(kIdBlueFixedGain, [this] { OnGain(2, true); });
    OnCommand(kIdBlueVarGain, [this] { OnGain(2, false); });
    OnCommand(kIdFlip, [this] {
        g_configuration.bothPolarities ^= 1;
        Save();
    });
    OnCommand(kIdFiltering, [this] {
        g_configuration.postFilter = g_configuration.postFilter ? 0 : 1;
        Save();
    });
    OnCommand(kIdTestMode, [this] {
        g_configuration.testMode = g_configuration.testMode ? 0 : 1;
        Save();
    });
    OnCommand(kIdSerial, [this] { OnSerial(); });
    OnCommand(kIdTouchTest, [this] {
        CTouchTest screen(this);
        RunChild(screen);
    });
    OnCommand(kIdBrightness, [this] {
        CSetBrightnessDialog screen(m_hw, this);
        RunChild(screen);
    });
    OnCommand(kResultOk, [this] { EndDialog(kResultOk); });
}

void CProtectedSetup::OnInitDialog() {
    m_station = 1;
    ShowValues();
}

void CProtectedSetup::Save() {
    // Outside test mode the options are stored as they are shown: forced.
    unitcare::ForceCorrelationOptions(g_configuration);
    g_configuration.Save();
    ShowValues();
}

void CProtectedSetup::SetOutcome(int station, bool ok) {
    m_outcome[station == 1 ? 0 : 1] = ok ? unitcare::RfOutcome::SetOk : unitcare::RfOutcome::Fail;
}

void CProtectedSetup::OnNotch(int mode) {
    g_configuration.notchMode = mode;
    m_hw.SetNotchMode(mode);
    Save();
}

void CProtectedSetup::OnSelect(int station) {
    m_station = station;
    ShowValues();
}

void CProtectedSetup::OnTune(int direction, int kind) {
    RadioRecord& r = Record(m_station);
    const int32_t size = kind == kMegahertz ? 1000000 : kind == kHundredKilohertz ? 100000 : r.spacing;
    TuneStep(r, direction * size);
    SetOutcome(m_station, m_radio.SetRadioChannel(m_station, ChannelFor(r)));
    Save();
}

void CProtectedSetup::OnCountry(const char* name) {
    const CountryPreset* preset = FindCountryPreset(name);
    if (!preset) return;
    const RadioSetResult result = ApplyCountryPreset(m_radio, m_hw, *preset);
    SetOutcome(1, result.red);
    SetOutcome(2, result.blue);
    Save();
}

void CProtectedSetup::OnSetManual() {
    CRadioSetupDlg keypad(this);
    const int result = RunChild(keypad);
    if (result == kResultOk) {
        SetOutcome(m_station, m_radio.SetRadioChannel(
                                  m_station, static_cast<int32_t>(std::min<uint32_t>(
                                                 keypad.Channel(), std::numeric_limits<int32_t>::max()))));
        // A frequency beyond the int32 range lies in no band; it is kept at
        // the range's top rather than turned negative.
        LookUpBand(Record(m_station), static_cast<int32_t>(std::min<uint32_t>(
                                          keypad.Frequency(), std::numeric_limits<int32_t>::max())));
        ManualMark(m_station) = 1;
        Save();
    } else if (result == CRadioSetupDlg::kResultParallel) {
        // Nothing is stored: parallel mode lives in the receiver.
        m_outcome[m_station == 1 ? 0 : 1] =
            m_radio.SetParallelMode(m_station) ? unitcare::RfOutcome::Parallel : unitcare::RfOutcome::Fail;
        ShowValues();
    }
}

void CProtectedSetup::OnSpacing(int station) {
    SetOutcome(station, ToggleSpacing(m_radio, station));
    Save();
}

void CProtectedSetup::OnRange7(int station) {
    SetOutcome(station, ToggleRange7Base(m_radio, station));
    Save();
}

void CProtectedSetup::OnGain(int station, bool fixed) {
    const bool ok = m_radio.SetRadioGainMode(station, fixed);
    SetItemText(kIdGainStatus, Text(unitcare::GainStatusText(station, fixed, ok)));
    Save();
}

void CProtectedSetup::OnSerial() {
    const QString serial = QString::fromStdU16String(g_factory.Serial());
    CKeyboardDialog entry(LoadString(kStrEnterSerial), serial == QStringLiteral("UNSET") ? QString() : serial,
                          kSerialMaxLength, this);
    if (RunChild(entry) != kResultOk) return;
    g_factory.SetSerial(entry.Text().left(kSerialMaxLength).toStdU16String());
    g_factory.Save();
    Save();
}

void CProtectedSetup::ShowValues() {
    for (int mode = 0; mode < 3; ++mode) SetCheck(kIdNotch50 + mode, g_configuration.notchMode == mode);

    for (int station : {1, 2}) {
        const RadioRecord& r = Record(station);
        QString text = Text(unitcare::FrequencyText(r.frequency, ChannelFor(r)));
        if (ManualMark(station)) text += QStringLiteral(" Man");
        const int button = station == 1 ? kIdRedRadio : kIdBlueRadio;
        SetItemText(button, text);
        SetCheck(button, m_station == station);
        SetItemText(station == 1 ? kIdRedSpacing : kIdBlueSpacing,
                    r.spacing == kFineSpacing ? QStringLiteral("12.5kHz Chnl Spacing")
                                              : QStringLiteral("25kHz Chnl Spacing"));
        SetItemText(station == 1 ? kIdRedRange7 : kIdBlueRange7,
                    Text(unitcare::Range7Text(BandTableOf(static_cast<uint32_t>(station))[kRange7Index].lower)));
        SetItemText(station == 1 ? kIdRedStatus : kIdBlueStatus,
                    Text(unitcare::RfStatusText(station, m_outcome[station == 1 ? 0 : 1])));
    }
    const bool manual = ManualMark(m_station) != 0;
    for (int id : kTuningIds) EnableItem(id, !manual);
    const bool fine = Record(m_station).spacing == kFineSpacing;
    SetItemText(kIdPlusChannel, fine ? QStringLiteral("+12.5kHz") : QStringLiteral("+25kHz"));
    SetItemText(kIdMinusChannel, fine ? QStringLiteral("-12.5kHz") : QStringLiteral("-25kHz"));

    SetItemText(kIdMinRssi, Text(unitcare::MinRssiText(g_configuration.rssiFloor)));
    SetItemText(kIdRssiRange, Text(unitcare::RssiRangeText(g_configuration.rssiSpan)));
    SetItemText(kIdSerial, QStringLiteral("Serial Number: ") + QString::fromStdU16String(g_factory.Serial()));

    SetCheck(kIdTestMode, g_configuration.testMode != 0);
    unitcare::ForceCorrelationOptions(g_configuration);  // stored with the next change
    SetItemText(kIdFlip, (g_configuration.bothPolarities & 1) ? QStringLiteral("Yes") : QStringLiteral("No"));
    SetItemText(kIdFiltering, g_configuration.postFilter == 0 ? QStringLiteral("Pre") : QStringLiteral("Post"));
}

bool AskServicePassword(QWidget* parent) {
    QString title = LoadString(kStrEnterPassword);
    for (;;) {
        CKeyboardDialog entry(title, QString(), kSerialMaxLength, parent);
        entry.SetPassword(true);
        if (entry.DoModal() != kResultOk) return false;
        if (unitcare::PasswordMatches(entry.Text().toStdU16String())) return true;
        title = LoadString(kStrPasswordWrong);
    }
}

int RunServiceEntry(SensorHardware& hardware, RadioLink& radio, QWidget* parent) {
    EnableDimming(false);
    int result = kResultCancel;
    if (g_configuration.testMode || AskServicePassword(parent)) {
        CProtectedSetup screen(hardware, radio, parent);
        result = screen.DoModal();
    }
    EnableDimming(true);
    return result;
}
