#include "screens/LengthDialog.h"

#include <QFont>

#include "pipe/PipeEntry.h"
#include "screens/MultiPipeDialog.h"
#include "settings/Configuration.h"
#include "settings/Language.h"
#include "ui/Resources.h"

namespace {

// The entry and its unit read from arm's length, and the keys' digits are
// as large as their buttons allow, px.
constexpr int kEntryPixelSize = 40;
constexpr int kKeyPixelSize = 30;

void SetPixelSize(QWidget* w, int pixels) {
    if (!w) return;
    QFont large = w->font();
    large.setPixelSize(pixels);
    w->setFont(large);
}

}  // namespace

CLengthDialog::CLengthDialog(const PipeSegment& section, const CPipe& pipe, QWidget* parent)
    : CDialogBase(kTemplate, parent), m_section(section), m_basePipe(pipe), m_pipe(pipe) {
    KeepOrder({kIdFirstDigit, kIdFirstDigit + 1, kIdFirstDigit + 2, kIdFirstDigit + 3, kIdFirstDigit + 4,
               kIdFirstDigit + 5, kIdFirstDigit + 6, kIdFirstDigit + 7, kIdFirstDigit + 8, kIdFirstDigit + 9, kIdPoint,
               kIdDelete, kIdClear});
    for (int digit = 0; digit <= 9; ++digit)
        OnCommand(kIdFirstDigit + digit, [this, digit] { OnKey(static_cast<char>('0' + digit)); });
    OnCommand(kIdPoint, [this] { OnKey('.'); });
    OnCommand(kIdDelete, [this] { OnDelete(); });
    OnCommand(kIdClear, [this] { OnClear(); });
    OnCommand(kIdStart, [this] { OnStart(); });
    OnCommand(kIdMultiSection, [this] { OnMultiSection(); });
    OnCommand(kIdBack, [this] { EndDialog(kResultCancel); });
    SetPixelSize(GetDlgItem(kIdEntry), kEntryPixelSize);
    SetPixelSize(GetDlgItem(kIdUnit), kEntryPixelSize);
    for (int id = kIdFirstDigit; id <= kIdPoint; ++id) SetPixelSize(GetDlgItem(id), kKeyPixelSize);
    SetPixelSize(GetDlgItem(kIdClear), kKeyPixelSize);
}

void CLengthDialog::SetSectionOnly(bool sectionOnly) { m_sectionOnly = sectionOnly; }

LengthUnit CLengthDialog::DisplayUnit() const {
    return g_configuration.unitSystem == 1 ? LengthUnit::Feet : LengthUnit::Metres;
}

void CLengthDialog::OnInitDialog() {
    m_text.clear();
    m_pipe = m_basePipe;
    SetItemText(kIdUnit, QString::fromLatin1(LengthUnitName(DisplayUnit())));
    ShowItem(kIdMultiSection, !m_sectionOnly);
    if (m_sectionOnly) SetItemText(kIdStart, LoadString(kCompleteSectionString));
    ShowValues();
}

void CLengthDialog::OnKey(char key) {
    AppendLengthKey(m_text, key);
    ShowValues();
}

void CLengthDialog::OnDelete() {
    if (!m_text.empty()) m_text.pop_back();
    ShowValues();
}

void CLengthDialog::OnClear() {
    m_text.clear();
    ShowValues();
}

bool CLengthDialog::TakeLength() {
    const auto length = UsableLengthEntry(m_text, DisplayUnit());
    if (!length) return false;
    m_section.SetLength(*length, DisplayUnit());
    return true;
}

CPipe CLengthDialog::SingleSectionPipe() const {
    CPipe pipe = m_basePipe;
    pipe.Clear();
    pipe.AddSection(m_section);
    return pipe;
}

void CLengthDialog::OnStart() {
    if (!TakeLength()) return;
    if (!m_sectionOnly) m_pipe = SingleSectionPipe();
    EndDialog(kResultOk);
}

void CLengthDialog::OnMultiSection() {
    if (m_sectionOnly || !TakeLength()) return;
    CMultiPipeDialog editor(SingleSectionPipe(), this);
    if (RunChild(editor) != kResultOk) return;
    m_pipe = editor.Pipe();
    EndDialog(kResultOk);
}

void CLengthDialog::ShowValues() {
    const QString text = QString::fromStdString(m_text);
    SetItemText(kIdEntry, LanguageIsFarsi() && !text.isEmpty()
                              ? QString::fromStdU16String(NumbersLeftToRight(text.toStdU16String()))
                              : text);
    const bool usable = UsableLengthEntry(m_text, DisplayUnit()).has_value();
    EnableItem(kIdStart, usable);
    EnableItem(kIdMultiSection, usable);
}
