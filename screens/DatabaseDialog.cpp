#include "screens/DatabaseDialog.h"

#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <algorithm>

#include "hardware/UserActivity.h"
#include "pipe/PipeEntry.h"
#include "pipe/SpeedOfSound.h"
#include "settings/Configuration.h"
#include "settings/Language.h"
#include "ui/Resources.h"

namespace {

// Lines and entries read from arm's length, px.
constexpr int kMaterialPixelSize = 15;
constexpr int kBandPixelSize = 19;
constexpr int kFieldPixelSize = 30;
constexpr int kKeyPixelSize = 28;
// A band line is tall enough to be touched with a finger, px.
constexpr int kBandLineHeight = 36;

void SetPixelSize(QWidget* w, int pixels) {
    if (!w) return;
    QFont large = w->font();
    large.setPixelSize(pixels);
    w->setFont(large);
}

QString Text(const std::u16string& s) { return QString::fromStdU16String(s); }

// A line of numbers keeps its order on a right-to-left screen.
QString NumbersLine(const std::u16string& s) {
    return Text(LanguageIsFarsi() && !s.empty() ? NumbersLeftToRight(s) : s);
}

std::string Ascii(const std::u16string& s) { return std::string(s.begin(), s.end()); }

}  // namespace

CDatabaseDialog::CDatabaseDialog(int slot, QWidget* parent)
    : CDialogBase(kTemplate, parent), m_slot(std::clamp(slot, 0, CMaterials::kSlotCount - 1)) {
    KeepOrder({kIdFirstDigit, kIdFirstDigit + 1, kIdFirstDigit + 2, kIdFirstDigit + 3, kIdFirstDigit + 4,
               kIdFirstDigit + 5, kIdFirstDigit + 6, kIdFirstDigit + 7, kIdFirstDigit + 8, kIdFirstDigit + 9, kIdPoint,
               kIdClear, kIdEnter});
    OnCommand(kIdUp, [this] { OnStep(-1); });
    OnCommand(kIdDown, [this] { OnStep(+1); });
    OnCommand(kIdEditEntry, [this] { OnEditEntry(); });
    OnCommand(kIdNewEntry, [this] { OnNewEntry(); });
    OnCommand(kIdDeleteEntry, [this] { OnDeleteEntry(); });
    OnCommand(kIdAccept, [this] { EndDialog(kResultOk); });
    OnCommand(kIdCancel, [this] { EndDialog(kResultCancel); });
    for (int field = 0; field < kFieldCount; ++field) {
        OnCommand(kIdFirstFieldEdit + field, [this, field] { OnField(field); });
        SetPixelSize(GetDlgItem(kIdFirstFieldValue + field), kFieldPixelSize);
    }
    for (int digit = 0; digit <= 9; ++digit) {
        OnCommand(kIdFirstDigit + digit, [this, digit] { OnKey(static_cast<char>('0' + digit)); });
        SetPixelSize(GetDlgItem(kIdFirstDigit + digit), kKeyPixelSize);
    }
    OnCommand(kIdPoint, [this] { OnKey('.'); });
    OnCommand(kIdEnter, [this] { OnEnterKey(); });
    OnCommand(kIdClear, [this] { OnClearKey(); });
    OnCommand(kIdAcceptEntry, [this] { OnAcceptEntry(); });
    OnCommand(kIdCancelEntry, [this] { CloseEntry(SelectedRow()); });
    for (int id : {kIdPoint, kIdUp, kIdDown}) SetPixelSize(GetDlgItem(id), kKeyPixelSize);
    if (auto* message = Item<QLabel>(kIdMessage)) message->setWordWrap(true);
    if (auto* list = Item<QListWidget>(kIdMaterialList)) {
        // Shows which material is edited; the material is chosen on the screen before.
        list->setAttribute(Qt::WA_TransparentForMouseEvents);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        SetPixelSize(list, kMaterialPixelSize);
        // A long name takes two lines rather than ending in "...": the four
        // user-defined materials differ only in their last character.
        list->setWordWrap(true);
        list->setTextElideMode(Qt::ElideNone);
    }
    if (auto* list = Item<QListWidget>(kIdBandList)) {
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        connect(list, &QListWidget::itemPressed, this, [] { ReportUserActivity(); });
        connect(list, &QListWidget::currentRowChanged, this, [this] { ShowValues(); });
        SetPixelSize(list, kBandPixelSize);
    }
}

LengthUnit CDatabaseDialog::DiameterUnit() {
    return g_configuration.unitSystem == 1 ? LengthUnit::Inches : LengthUnit::Millimetres;
}

VelocityUnit CDatabaseDialog::VelocityDisplayUnit() {
    return DisplayVelocityUnit(g_configuration.unitSystem, g_configuration.velocityPerMs);
}

void CDatabaseDialog::OnInitDialog() {
    if (!g_materials) return;
    m_atOpening = g_materials->Slot(m_slot);
    m_opened = true;
    for (int field = 0; field < kFieldCount; ++field) {
        const bool velocity = field == kVelocity;
        SetItemText(kIdFirstFieldUnit + field, QString::fromLatin1(velocity ? VelocityUnitName(VelocityDisplayUnit())
                                                                            : LengthUnitName(DiameterUnit())));
    }
    FillMaterialList();
    FillBandList(0);
    ShowEntry(false);
}

std::vector<int> CDatabaseDialog::ListedBands() const {
    std::vector<int> listed;
    if (!g_materials) return listed;
    const auto& bands = g_materials->Slot(m_slot).bands;
    for (int i = 0; i < MaterialEntry::kBandCount; ++i)
        if (!bands[static_cast<size_t>(i)].IsEmpty()) listed.push_back(i);
    return listed;
}

int CDatabaseDialog::SelectedRow() const {
    const auto* list = Item<QListWidget>(kIdBandList);
    return list ? list->currentRow() : -1;
}

void CDatabaseDialog::FillMaterialList() {
    auto* list = Item<QListWidget>(kIdMaterialList);
    if (!list) return;
    list->clear();
    for (int slot = 0; slot < CMaterials::kSlotCount; ++slot) {
        const std::u16string& name = g_materials->Slot(slot).name;
        if (name.empty()) continue;
        auto* item = new QListWidgetItem(Text(name), list);
        if (slot == m_slot) list->setCurrentItem(item);
    }
    if (list->currentItem()) list->scrollToItem(list->currentItem(), QAbstractItemView::PositionAtCenter);
}

// One line per listed band, "%s: %s" of its diameter range and velocity.
void CDatabaseDialog::FillBandList(int row) {
    auto* list = Item<QListWidget>(kIdBandList);
    if (!list) return;
    const QSignalBlocker quiet(list);
    list->clear();
    const auto& bands = g_materials->Slot(m_slot).bands;
    for (int band : ListedBands()) {
        const DiameterBand& b = bands[static_cast<size_t>(band)];
        auto* item = new QListWidgetItem(NumbersLine(FormatDiameterRange(b, DiameterUnit()) + u": " +
                                                     FormatVelocityWithUnit(b.velocity, VelocityDisplayUnit())),
                                         list);
        item->setSizeHint(QSize(0, kBandLineHeight));
    }
    if (list->count() > 0) list->setCurrentRow(std::clamp(row, 0, list->count() - 1));
    ShowValues();
}

void CDatabaseDialog::OnStep(int delta) {
    auto* list = Item<QListWidget>(kIdBandList);
    if (!list || list->count() == 0) return;
    list->setCurrentRow(std::clamp(list->currentRow() + delta, 0, list->count() - 1));
}

void CDatabaseDialog::OnEditEntry() {
    const std::vector<int> listed = ListedBands();
    const int row = SelectedRow();
    if (row < 0 || row >= static_cast<int>(listed.size())) return;
    OpenEntry(listed[static_cast<size_t>(row)]);
}

// The table has 36 bands and no more; NEW ENTRY rests while all are listed.
void CDatabaseDialog::OnNewEntry() {
    if (static_cast<int>(ListedBands().size()) >= MaterialEntry::kBandCount) return;
    OpenEntry(-1);
}

void CDatabaseDialog::OnDeleteEntry() {
    const std::vector<int> listed = ListedBands();
    const int row = SelectedRow();
    if (row < 0 || row >= static_cast<int>(listed.size())) return;
    g_materials->DeleteBand(m_slot, listed[static_cast<size_t>(row)]);
    FillBandList(row);
}

void CDatabaseDialog::OpenEntry(int band) {
    m_band = band;
    m_stored = {0.0f, 0.0f, 0.0f};
    m_fields = {};
    if (band >= 0) {
        const DiameterBand& b = g_materials->Slot(m_slot).bands[static_cast<size_t>(band)];
        m_stored = {b.minDiameter, b.maxDiameter, b.velocity};
        const float metres[] = {ConvertLength(b.minDiameter, LengthUnit::Millimetres, LengthUnit::Metres),
                                ConvertLength(b.maxDiameter, LengthUnit::Millimetres, LengthUnit::Metres)};
        m_fields[kMinimum] = Ascii(FormatLength(metres[0], DiameterUnit()));
        m_fields[kMaximum] = Ascii(FormatLength(metres[1], DiameterUnit()));
        m_fields[kVelocity] = Ascii(FormatVelocity(b.velocity, VelocityDisplayUnit()));
    }
    m_shownAtOpening = m_fields;
    m_active = kMinimum;
    m_message.clear();
    const bool isNew = band < 0;
    SetItemText(kIdAcceptEntry, LoadString(isNew ? kAcceptNewString : kAcceptEditString));
    SetItemText(kIdCancelEntry, LoadString(isNew ? kCancelNewString : kCancelEditString));
    ShowEntry(true);
}

void CDatabaseDialog::OnField(int field) {
    m_active = field;
    m_message.clear();
    ShowValues();
}

void CDatabaseDialog::OnKey(char key) {
    if (m_active < 0) return;
    AppendLengthKey(m_fields[static_cast<size_t>(m_active)], key);
    m_message.clear();
    ShowValues();
}

void CDatabaseDialog::OnEnterKey() {
    if (m_active < 0) return;
    m_active = m_active + 1 < kFieldCount ? m_active + 1 : -1;
    ShowValues();
}

void CDatabaseDialog::OnClearKey() {
    if (m_active < 0) return;
    m_fields[static_cast<size_t>(m_active)].clear();
    m_message.clear();
    ShowValues();
}

// Each field as "%f" reads it, in the display unit; a field left as shown
// keeps the stored value, so that a rounded display never moves a band.
void CDatabaseDialog::OnAcceptEntry() {
    std::array<float, kFieldCount> value{};
    for (int field = 0; field < kFieldCount; ++field) {
        const auto f = static_cast<size_t>(field);
        if (m_band >= 0 && m_fields[f] == m_shownAtOpening[f]) {
            value[f] = m_stored[f];
            continue;
        }
        const std::optional<float> typed = ParseBandField(m_fields[f]);
        if (!typed) {
            m_message = LoadString(kNoNumberString);
            ShowValues();
            return;
        }
        value[f] = field == kVelocity ? ConvertVelocity(*typed, VelocityDisplayUnit(), VelocityUnit::MetresPerSecond)
                                      : ConvertLength(*typed, DiameterUnit(), LengthUnit::Millimetres);
    }
    switch (CheckBandEntry(value[kMinimum], value[kMaximum], value[kVelocity])) {
    case BandEntryFault::None: break;
    case BandEntryFault::Diameter: m_message = LoadString(kBadDiameterString); break;
    case BandEntryFault::EmptyRange: m_message = LoadString(kEmptyRangeString); break;
    case BandEntryFault::Velocity: m_message = LoadString(kBadVelocityString); break;
    }
    if (!m_message.isEmpty()) {
        ShowValues();
        return;
    }
    int row = SelectedRow();
    if (m_band >= 0) {
        g_materials->EditBand(m_slot, m_band, value[kMinimum], value[kMaximum], value[kVelocity]);
    } else {
        const int band = g_materials->NewBand(m_slot, value[kMinimum], value[kMaximum], value[kVelocity]);
        const std::vector<int> listed = ListedBands();
        row = static_cast<int>(std::find(listed.begin(), listed.end(), band) - listed.begin());
    }
    CloseEntry(row);
}

void CDatabaseDialog::CloseEntry(int row) {
    m_active = -1;
    m_message.clear();
    ShowEntry(false);
    FillBandList(row);
}

void CDatabaseDialog::done(int result) {
    if (result != kResultOk && m_opened && g_materials) g_materials->Slot(m_slot) = m_atOpening;
    m_opened = false;
    CDialogBase::done(result);
}

void CDatabaseDialog::ShowEntry(bool shown) {
    m_entryShown = shown;
    for (int id : {kIdMaterialList, kIdBandList, kIdUp, kIdDown, kIdEditEntry, kIdNewEntry, kIdDeleteEntry,
                   kIdAccept, kIdCancel})
        ShowItem(id, !shown);
    for (int field = 0; field < kFieldCount; ++field)
        for (int id : {kIdFirstFieldLabel, kIdFirstFieldValue, kIdFirstFieldUnit, kIdFirstFieldEdit})
            ShowItem(id + field, shown);
    for (int id = kIdFirstDigit; id <= kIdMessage; ++id) ShowItem(id, shown);
    ShowValues();
}

void CDatabaseDialog::ShowValues() {
    if (!g_materials) return;
    const int listed = static_cast<int>(ListedBands().size());
    const bool selected = SelectedRow() >= 0 && SelectedRow() < listed;
    EnableItem(kIdEditEntry, selected);
    EnableItem(kIdDeleteEntry, selected);
    EnableItem(kIdNewEntry, listed < MaterialEntry::kBandCount);
    EnableItem(kIdUp, selected && SelectedRow() > 0);
    EnableItem(kIdDown, selected && SelectedRow() + 1 < listed);
    if (!m_entryShown) return;
    for (int field = 0; field < kFieldCount; ++field) {
        const std::string& text = m_fields[static_cast<size_t>(field)];
        SetItemText(kIdFirstFieldValue + field, NumbersLine(std::u16string(text.begin(), text.end())));
        SetCheck(kIdFirstFieldEdit + field, field == m_active);
    }
    for (int id = kIdFirstDigit; id <= kIdClear; ++id) EnableItem(id, m_active >= 0);
    SetItemText(kIdMessage, m_message);
}
