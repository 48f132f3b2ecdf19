#pragma once
// screens/InformationDialog.h — the descriptive texts of a run, typed on the
// shared keyboard: a title, three comment lines and a reference, in the
// order the run file keeps them. "^" and "v" step through the fields and
// wrap; a touch on a field makes it the one the keys type into. ENTER hands
// all five texts back, CANCEL none.

#include <array>
#include <string>

#include "screens/TextKeypadDialog.h"

class QLineEdit;

class CInformationDialog : public CTextKeypadDialog {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 114,
        kIdTitle = 1062,
        kIdComment1 = 1068,
        kIdComment2 = 1069,
        kIdComment3 = 1070,
        kIdReference = 1071,
        kIdPrevious = 1139,  // "^"
        kIdNext = 1141,      // "v"
        kFieldCount = 5,
    };
    // Field identifiers in the run file's order.
    static constexpr int kFieldIds[kFieldCount] = {kIdTitle, kIdComment1, kIdComment2, kIdComment3, kIdReference};

    using Texts = std::array<std::u16string, kFieldCount>;

    explicit CInformationDialog(QWidget* parent = nullptr);

    // The texts the fields start from at the next opening; after ENTER, the
    // five texts as typed (unchanged ones too).
    void SetTexts(const Texts& texts) { m_texts = texts; }
    const Texts& GetTexts() const { return m_texts; }

    // 0 title, 1-3 comment lines, 4 reference.
    int CurrentField() const { return m_current; }

protected:
    void OnInitDialog() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void OnType(QChar c) override;
    void OnDeleteKey() override;
    void OnClearKey() override;

private:
    QLineEdit* Field(int index) const;
    void Step(int delta);
    void OnEnter();
    void FocusCurrent();  // focus, caret at the end, scrolled into view
    void MarkCurrent();   // the current field's frame drawn thicker

    Texts m_texts;
    int m_current = 0;
};
