#include "screens/SpeedSoundDialog.h"

#include <QFont>

#include "pipe/PipeEntry.h"
#include "settings/Configuration.h"
#include "settings/Language.h"
#include "ui/Resources.h"

namespace {

// The entry and the four results read from arm's length, px.
constexpr int kEntryPixelSize = 36;
constexpr int kVelocityPixelSize = 26;
constexpr int kKeyPixelSize = 28;

void SetPixelSize(QWidget* w, int pixels) {
    if (!w) return;
    QFont large = w->font();
    large.setPixelSize(pixels);
    w->setFont(large);
}

LengthUnit DisplayLengthUnit() { return g_configuration.unitSystem == 1 ? LengthUnit::Feet : LengthUnit::Metres; }

VelocityUnit DisplayVelocity() { return DisplayVelocityUnit(g_configuration.unitSystem, g_configuration.velocityPerMs); }

}  // namespace

CSpeedSoundDialog::CSpeedSoundDialog(const CPipe& pipe, float delaySeconds, QWidget* parent)
    : CDialogBase(kTemplate, parent), m_pipe(pipe), m_delaySeconds(delaySeconds) {
    KeepOrder({kIdFirstDigit, kIdFirstDigit + 1, kIdFirstDigit + 2, kIdFirstDigit + 3, kIdFirstDigit + 4,
               kIdFirstDigit + 5, kIdFirstDigit + 6, kIdFirstDigit + 7, kIdFirstDigit + 8, kIdFirstDigit + 9, kIdPoint,
               kIdClear});
    for (int digit = 0; digit <= 9; ++digit)
        OnCommand(kIdFirstDigit + digit, [this, digit] { OnKey(static_cast<char>('0' + digit)); });
    OnCommand(kIdPoint, [this] { OnKey('.'); });
    OnCommand(kIdClear, [this] { OnClear(); });
    OnCommand(kIdBetweenSensors, [this] { OnMode(false); });
    OnCommand(kIdOutOfBracket, [this] { OnMode(true); });
    OnCommand(kIdApply, [this] { OnApply(); });
    OnCommand(kIdDiscard, [this] { EndDialog(kResultCancel); });
    SetPixelSize(GetDlgItem(kIdEntry), kEntryPixelSize);
    SetPixelSize(GetDlgItem(kIdUnit), kEntryPixelSize);
    for (int id : {kIdDelay, kIdCurrentVelocity, kIdCalculatedVelocity, kIdAccuracy})
        SetPixelSize(GetDlgItem(id), kVelocityPixelSize);
    for (int id = kIdFirstDigit; id <= kIdClear; ++id) SetPixelSize(GetDlgItem(id), kKeyPixelSize);
}

void CSpeedSoundDialog::OnInitDialog() {
    SetItemText(kIdUnit, QString::fromLatin1(LengthUnitName(DisplayLengthUnit())));
    m_outOfBracket = false;
    m_text.clear();
    ShowValues();
}

void CSpeedSoundDialog::OnMode(bool outOfBracket) {
    m_outOfBracket = outOfBracket;
    m_text.clear();
    if (outOfBracket) m_text.push_back('0');
    ShowValues();
}

void CSpeedSoundDialog::OnKey(char key) {
    if (m_outOfBracket) return;
    AppendLengthKey(m_text, key);
    ShowValues();
}

void CSpeedSoundDialog::OnClear() {
    if (m_outOfBracket) return;
    m_text.clear();
    ShowValues();
}

bool CSpeedSoundDialog::CanApply() const {
    return m_result.defined && !m_pipe.IsSurvey() && m_pipe.GetSectionCount() > 0;
}

void CSpeedSoundDialog::OnApply() {
    if (!CanApply()) return;
    m_pipe.GetSection(0).SetVelocity(m_result.velocity);
    EndDialog(kResultOk);
}

// A line of numbers keeps its order on a right-to-left screen.
void CSpeedSoundDialog::ShowLine(int id, const std::u16string& value) {
    const bool marked = LanguageIsFarsi() && !value.empty();
    SetItemText(id, QString::fromStdU16String(marked ? NumbersLeftToRight(value) : value));
}

void CSpeedSoundDialog::ShowValues() {
    std::optional<float> distance = ParseDistanceEntry(m_text);
    if (distance) distance = ConvertLength(*distance, DisplayLengthUnit(), LengthUnit::Metres);
    m_result = ComputeSpeedOfSound(m_pipe.GetTotalLength(LengthUnit::Metres), distance, m_delaySeconds);

    SetCheck(kIdBetweenSensors, !m_outOfBracket);
    SetCheck(kIdOutOfBracket, m_outOfBracket);
    for (int id = kIdFirstDigit; id <= kIdClear; ++id) EnableItem(id, !m_outOfBracket);

    const VelocityUnit unit = DisplayVelocity();
    ShowLine(kIdEntry, std::u16string(m_text.begin(), m_text.end()));
    ShowLine(kIdDelay, FormatTime(m_delaySeconds, static_cast<TimeUnit>(g_configuration.velocityPerMs != 0)));
    ShowLine(kIdCurrentVelocity, m_pipe.GetSectionCount() > 0 ? FormatVelocityWithUnit(m_pipe.GetSection(0).GetVelocity(), unit)
                                                              : std::u16string());
    const QString undefined = LoadString(kUndefinedString);
    if (m_result.defined) ShowLine(kIdCalculatedVelocity, FormatVelocityWithUnit(m_result.velocity, unit));
    else SetItemText(kIdCalculatedVelocity, undefined);
    if (m_result.accuracyDefined) ShowLine(kIdAccuracy, u"+/-" + FormatVelocityWithUnit(m_result.accuracy, unit));
    else SetItemText(kIdAccuracy, m_result.defined ? undefined : QString());
    EnableItem(kIdApply, CanApply());
}
