#pragma once
// screens/LengthDialog.h — "ENTER PIPE LENGTH": a keypad, DELETE and C, the
// entry in the display length unit ("m" or "ft"). START CORRELATION completes
// a pipe of this one section; MULTI-SECTION EDITOR opens the editor on it.
// Both stay disabled until the entry is a usable length (UsableLengthEntry:
// above zero, at most 100 km), so no section without a travel time leaves it.

#include <string>

#include "pipe/Pipe.h"
#include "ui/DialogBase.h"

class CLengthDialog : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 152,
        kIdTitle = 1000,
        kIdEntry = 1001,
        kIdUnit = 1002,
        kIdFirstDigit = 1010,  // + 0-9
        kIdPoint = 1020,
        kIdDelete = 1021,
        kIdClear = 1022,
        kIdMultiSection = 1030,
        kIdStart = 1,
        kIdBack = 2,
        kCompleteSectionString = 602,  // START CORRELATION's caption inside the editor
    };

    // section: material and band chosen; pipe: stations, rate and sensor type
    // for the pipe this screen builds.
    CLengthDialog(const PipeSegment& section, const CPipe& pipe, QWidget* parent = nullptr);

    // Inside the multi-section editor: START CORRELATION reads OK and only
    // completes the section; MULTI-SECTION EDITOR is hidden (an editor inside
    // the editor would drop the outer one's pipe).
    void SetSectionOnly(bool sectionOnly);

    // The entry as typed, and the display length unit it is read in.
    const std::string& EntryText() const { return m_text; }
    LengthUnit DisplayUnit() const;

    // After OK: the section with its length as entered, and the pipe: this
    // one section, or what the editor returned.
    const PipeSegment& Section() const { return m_section; }
    const CPipe& Pipe() const { return m_pipe; }

protected:
    void OnInitDialog() override;

private:
    void OnKey(char key);
    void OnDelete();
    void OnClear();
    void OnStart();
    void OnMultiSection();
    bool TakeLength();  // the entry into m_section; false when not usable
    CPipe SingleSectionPipe() const;
    void ShowValues();

    PipeSegment m_section;
    CPipe m_basePipe;
    CPipe m_pipe;
    std::string m_text;
    bool m_sectionOnly = false;
};
