#pragma once
// screens/MultiPipeDialog.h — "MULTI-SECTION DEFINITION": the pipe's sections
// from station A (top) to station B (bottom), one row each with INSERT, the
// section's description, its material's colour and DELETE, and one more row
// with INSERT alone to append. INSERT and a touch on a description run the
// material, diameter and length chain for a new section, which goes in before
// the row or replaces it. Ten sections at most, one at least.

#include "pipe/Pipe.h"
#include "ui/DialogBase.h"

class CMultiPipeDialog : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 153,
        kIdTitle = 1000,
        kIdStationAPicture = 1001,
        kIdStationBPicture = 1002,
        kIdStationAName = 1003,
        kIdStationBName = 1004,
        kIdStart = 1,
        kIdBack = 2,
        kIdFirstInsert = 1100,       // + row 0-9
        kIdFirstDescription = 1200,  // + row 0-9
        kIdFirstDelete = 1300,       // + row 0-9
        kInsertString = 600,
        kDeleteString = 601,
    };
    static constexpr int kRows = CPipe::kMaxSections;

    // The pipe to edit; the screen works on a copy.
    explicit CMultiPipeDialog(const CPipe& pipe, QWidget* parent = nullptr);

    // The copy as edited; the caller takes it after OK.
    const CPipe& Pipe() const { return m_pipe; }

    // Where row 0-9 stands for the current section count, px (the colour
    // mark sits between the description and DELETE).
    QRect RowRect(int row) const;

protected:
    void OnInitDialog() override;
    void OnPaint(QPainter& painter) override;

private:
    void CreateRows();
    void OnInsert(int row);
    void OnReplace(int row);
    void OnDelete(int row);
    // Runs the entry chain for one new section; false when it was left.
    bool EnterSection(PipeSegment& section);
    void ShowValues();

    CPipe m_pipe;
};
