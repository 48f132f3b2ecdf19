#pragma once
// screens/DiameterDialog.h — the diameter bands of the chosen material, one
// button each (up to 36), labelled with the band's diameter range in inches
// (imperial) or millimetres (metric). A band copies velocity and cut-offs into
// the section and opens the length screen; OK there closes this with OK.

#include "pipe/Pipe.h"
#include "ui/DialogBase.h"

class CDiameterDialog : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 151,
        kIdTitle = 1000,
        kIdMaterial = 1001,
        kIdBack = 2,
        kIdFirstBand = 1100,  // + band 0-35 of the material
    };

    // slot: the material 0-23 of g_materials; section: named after it; pipe:
    // the pipe the length screen builds on.
    CDiameterDialog(int slot, const PipeSegment& section, const CPipe& pipe, QWidget* parent = nullptr);

    // Inside the multi-section editor (see CMaterialDialog::SetSectionOnly).
    void SetSectionOnly(bool sectionOnly) { m_sectionOnly = sectionOnly; }

    // After OK: the section with band and length, and the pipe entered.
    const PipeSegment& Section() const { return m_section; }
    const CPipe& Pipe() const { return m_pipe; }

protected:
    void OnInitDialog() override;

private:
    void OnBand(int band);

    int m_slot;
    PipeSegment m_section;
    CPipe m_pipe;
    bool m_sectionOnly = false;
};
