#include "screens/DiameterDialog.h"

#include "pipe/Materials.h"
#include "pipe/PipeEntry.h"
#include "screens/LengthDialog.h"
#include "settings/Configuration.h"
#include "settings/Language.h"
#include "ui/FancyButton.h"

namespace {

// 36 bands fit as 4 x 9 buttons of 148 x 36 px between title and BACK.
constexpr ScreenCell kBandArea{14, 36, 612, 376};

}  // namespace

CDiameterDialog::CDiameterDialog(int slot, const PipeSegment& section, const CPipe& pipe, QWidget* parent)
    : CDialogBase(kTemplate, parent), m_slot(slot), m_section(section), m_pipe(pipe) {
    for (int band = 0; band < MaterialEntry::kBandCount; ++band) {
        auto* button = new CFancyButton(this);
        button->hide();
        RegisterControl(kIdFirstBand + band, button);
        OnCommand(kIdFirstBand + band, [this, band] { OnBand(band); });
    }
    OnCommand(kIdBack, [this] { EndDialog(kResultCancel); });
}

// The listed bands are the non-empty ones; a band whose velocity is not a
// positive number (a table edited by hand) is shown but cannot be chosen, as
// its section would have no travel time.
void CDiameterDialog::OnInitDialog() {
    SetItemText(kIdMaterial, QString::fromStdU16String(m_section.GetMaterial()));
    if (!g_materials) return;
    const MaterialEntry& material = g_materials->Slot(m_slot);
    std::vector<int> listed;
    for (int band = 0; band < MaterialEntry::kBandCount; ++band)
        if (!material.bands[static_cast<size_t>(band)].IsEmpty()) listed.push_back(band);
    std::vector<ScreenCell> cells = ChoiceGrid(static_cast<int>(listed.size()), kBandArea);
    const LengthUnit unit = g_configuration.unitSystem != 0 ? LengthUnit::Inches : LengthUnit::Millimetres;
    for (size_t i = 0; i < listed.size(); ++i) {
        const DiameterBand& band = material.bands[static_cast<size_t>(listed[i])];
        std::u16string range = FormatDiameterRange(band, unit);
        if (LanguageIsFarsi()) range = NumbersLeftToRight(range);
        PipeSegment probe;
        probe.SetBand(band);
        const int id = kIdFirstBand + listed[i];
        PlaceItem(id, QRect(cells[i].x, cells[i].y, cells[i].width, cells[i].height));
        SetItemText(id, QString::fromStdU16String(range));
        EnableItem(id, probe.HasUsableVelocity());
        ShowItem(id, true);
    }
}

void CDiameterDialog::OnBand(int band) {
    if (!g_materials) return;
    PipeSegment section = m_section;
    section.SetBand(g_materials->Slot(m_slot).bands[static_cast<size_t>(band)]);
    CLengthDialog length(section, m_pipe, this);
    length.SetSectionOnly(m_sectionOnly);
    if (RunChild(length) != kResultOk) return;
    m_section = length.Section();
    m_pipe = length.Pipe();
    EndDialog(kResultOk);
}
