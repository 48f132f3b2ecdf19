#pragma once
// screens/MaterialDialog.h — "SELECT PIPE MATERIAL", the first screen of the
// pipe entry: material, then diameter band (CDiameterDialog), then length
// (CLengthDialog), which gives a pipe of one section or opens the
// multi-section editor (CMultiPipeDialog).
//
// The screen works on a copy of the caller's pipe and closes with OK only
// when the chain completes, survey mode is chosen or the offered definition
// is taken; BACK closes with cancel and the caller keeps what it had.
//
// Use from the main screen's START:
//   CMaterialDialog material(this);
//   material.SetPipe(mainPipe);                 // stations, rate, sensor type carry over
//   material.SetExistingOffered(mainPipe.GetSectionCount() > 0);
//   if (RunChild(material) != kResultOk) return;
//   if (material.SurveyChosen()) { /* survey run */ } else pipe = material.Pipe();

#include <QString>
#include <vector>

#include "pipe/Pipe.h"
#include "screens/MaterialChoiceScreen.h"

class CMaterialDialog : public CMaterialChoiceScreen {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 150,
        kIdTitle = 1000,
        kIdSurvey = 1001,
        kIdUseExisting = 1002,
        kIdViewEdit = 1003,
        kIdBack = 2,
    };

    // The result name after "START IN SURVEY MODE"; fixed, whatever the language.
    static constexpr const char* kSurveyResultName = "(SURVEY)";

    explicit CMaterialDialog(QWidget* parent = nullptr);

    // The caller's pipe. Every run starts from a fresh copy of it; a new
    // section keeps its stations, sample rate and sensor type.
    void SetPipe(const CPipe& pipe);
    // "START IN SURVEY MODE" is offered unless forbidden (default: offered).
    void SetSurveyAllowed(bool allowed);
    // "USE EXISTING DEFINITION" and "VIEW/EDIT PIPE DEFINITION" offer the
    // pipe given to SetPipe; shown only when set and that pipe has a section
    // (default: not offered).
    void SetExistingOffered(bool offered);
    // For the multi-section editor: the chain fills one section and its last
    // screen completes it with OK; survey, reuse and the editor are not offered.
    void SetSectionOnly(bool sectionOnly);

    // After OK: the pipe the operator entered (one section from the chain,
    // the offered pipe as taken or as edited), unchanged after survey mode.
    const CPipe& Pipe() const { return m_pipe; }
    // After OK through the chain: the section filled (name, group, band, length).
    const PipeSegment& Section() const { return m_section; }
    // After OK: whether the operator chose survey mode.
    bool SurveyChosen() const { return m_survey; }
    // kSurveyResultName after survey mode, else the entered pipe's description
    // in the configured length unit ("" before OK).
    QString ResultName() const { return m_resultName; }

protected:
    void OnInitDialog() override;

private:
    void OnMaterial(int slot) override;
    void OnSurvey();
    void OnUseExisting();
    void OnViewEdit();
    void Complete();

    CPipe m_callerPipe;   // as handed in; never changed by the screen
    CPipe m_pipe;         // the working copy, the result after OK
    PipeSegment m_section;
    bool m_surveyAllowed = true;
    bool m_existingOffered = false;
    bool m_sectionOnly = false;
    bool m_survey = false;
    QString m_resultName;
};
