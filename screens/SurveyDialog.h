#pragma once
// screens/SurveyDialog.h — "RAPID SURVEY CONFIGURATION": the delay range and
// the filter preset a survey run uses (the configuration's surveyRange and
// surveyFilter), and the custom band made on the filter screen
// (surveyCustomCutoffs).
//
// The short-range button (2) lies hidden under the medium one; SET DEFAULTS
// still selects it, and the configuration accepts the 0 it stores. While
// short is selected (stored, or by SET DEFAULTS) its button shows, checked, in
// place of medium, so the operator sees the range in force; touching it
// selects medium. The range
// captions name metres or, with unitSystem 1, feet (strings 170-173).
//
// Use from the configuration screen:
//   CSurveyDialog survey(this);
//   survey.SetFilterScreen(&filterScreen);  // the main screen's, on its correlation
//   RunChild(survey);

#include "ui/DialogBase.h"

class CFilterDialog;

class CSurveyDialog : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 117,
        kIdShort = 2,          // hidden under medium
        kIdMedium = 3,
        kIdLong = 4,
        kIdMaximum = 5,
        kIdOpen = 6,
        kIdMetallic = 7,
        kIdPlastic = 8,
        kIdCustom = 9,         // DEFINE CUSTOM SETTINGS
        kIdSetDefaults = 1099,
        kIdCancel = 1100,
        kIdAccept = 1098,
    };
    static constexpr int kFeetCaptions = 170;  // strings 170-173: ranges 0-3 in feet

    explicit CSurveyDialog(QWidget* parent = nullptr);

    // The filter screen DEFINE CUSTOM SETTINGS runs; without one the button
    // only selects the custom preset with the band already saved.
    void SetFilterScreen(CFilterDialog* screen) { m_filterScreen = screen; }

    // The selection as shown: range 0-3, preset 0-3.
    int SelectedRange() const { return m_range; }
    int SelectedPreset() const { return m_preset; }

protected:
    void OnInitDialog() override;

private:
    void OnRange(int range);
    void OnPreset(int preset);
    void OnCustom();
    void OnSetDefaults();
    void OnAccept();
    // Checks the selected range and preset buttons alone.
    void ShowValues();

    CFilterDialog* m_filterScreen = nullptr;
    int m_range = 1;
    int m_preset = 0;
};
