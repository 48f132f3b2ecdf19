#pragma once
// screens/DatabaseDialog.h — "SOUND VELOCITY TABLE" of one material slot of
// g_materials: the material names on the left, the slot's bands beside them
// ("100 - 199mm: 1250.0m/s" in the display diameter and velocity units), "^"
// and "v" to move through them.
//
// EDIT ENTRY and NEW ENTRY show three fields (minimum and maximum diameter,
// sound velocity) over a keypad; EDIT picks a field, ENTER ends it, CLEAR
// empties it. ACCEPT ... ENTRY stores the fields in the band (a new one after
// the listed bands, keeping the cut-offs its slot held) only when they make a
// band: diameters 0 or more and not both 0, a velocity above 0; otherwise the
// message line says why and nothing is stored. A field left as shown keeps
// the stored value exactly. DELETE ENTRY moves the following bands up.
//
// ACCEPT (OK) keeps the changes for the caller to save; CANCEL puts the slot
// back as it was at opening.

#include <QString>
#include <array>
#include <string>
#include <vector>

#include "pipe/Materials.h"
#include "pipe/Units.h"
#include "ui/DialogBase.h"

class CDatabaseDialog : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 188,
        kIdTitle = 1000,
        kIdMaterialList = 1001,
        kIdBandList = 1002,
        kIdUp = 1003,
        kIdDown = 1004,
        kIdEditEntry = 1005,
        kIdNewEntry = 1006,
        kIdDeleteEntry = 1007,
        kIdAccept = 1,
        kIdCancel = 2,
        kIdFirstFieldLabel = 1010,  // + field
        kIdFirstFieldValue = 1013,  // + field
        kIdFirstFieldUnit = 1016,   // + field
        kIdFirstFieldEdit = 1019,   // + field
        kIdFirstDigit = 1030,       // + 0-9
        kIdPoint = 1040,
        kIdEnter = 1041,
        kIdClear = 1042,
        kIdAcceptEntry = 1043,
        kIdCancelEntry = 1044,
        kIdMessage = 1045,
        // Captions and messages from the string table.
        kAcceptEditString = 866,
        kAcceptNewString = 867,
        kCancelEditString = 868,
        kCancelNewString = 869,
        kNoNumberString = 862,
        kBadDiameterString = 863,
        kEmptyRangeString = 864,
        kBadVelocityString = 865,
    };
    // The entry's fields, in screen order.
    static constexpr int kMinimum = 0, kMaximum = 1, kVelocity = 2, kFieldCount = 3;

    // slot: 0-23 of g_materials.
    explicit CDatabaseDialog(int slot, QWidget* parent = nullptr);

    int SlotIndex() const { return m_slot; }
    // The band list's selected line (-1 when empty) and the band it shows.
    int SelectedRow() const;
    // True while the entry fields stand in place of the lists.
    bool EntryShown() const { return m_entryShown; }
    // The field the keypad types into, -1 after ENTER on the last one.
    int ActiveField() const { return m_active; }
    const std::string& FieldText(int field) const { return m_fields.at(static_cast<size_t>(field)); }

    // The display units of the fields: mm or in, and the velocity unit.
    static LengthUnit DiameterUnit();
    static VelocityUnit VelocityDisplayUnit();

    // Every way out but ACCEPT (CANCEL, Esc, a closing parent) puts the slot
    // back as it was at opening.
    void done(int result) override;

protected:
    void OnInitDialog() override;

private:
    std::vector<int> ListedBands() const;
    void FillMaterialList();
    void FillBandList(int row);
    void OnStep(int delta);
    void OnEditEntry();
    void OnNewEntry();
    void OnDeleteEntry();
    void OpenEntry(int band);
    void OnField(int field);
    void OnKey(char key);
    void OnEnterKey();
    void OnClearKey();
    void OnAcceptEntry();
    void CloseEntry(int row);
    void ShowEntry(bool shown);
    void ShowValues();

    int m_slot;
    MaterialEntry m_atOpening;  // CANCEL puts the slot back to this
    bool m_opened = false;      // m_atOpening holds the slot
    bool m_entryShown = false;
    int m_band = -1;            // band being edited; -1 for a new entry
    int m_active = -1;
    std::array<std::string, kFieldCount> m_fields;
    std::array<std::string, kFieldCount> m_shownAtOpening;  // as formatted from the band
    std::array<float, kFieldCount> m_stored{};               // mm, mm, m/s of the band
    QString m_message;
};
