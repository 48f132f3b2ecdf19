#pragma once
// screens/AdvancedConfigDialog.h — "ADVANCED CONFIGURATION": units, the
// correlation technique and display, the filter screen's axis and
// optimisation, and peak sharpening, each a pair or triple of buttons of
// which one is checked; SET LANGUAGE and SURVEY SETTINGS open their screens;
// EXIT TO UPGRADE closes with 1032. The screen edits a copy
// (setup::AdvancedSettings, with its interlocks); OK stores the nine values
// and saves, CANCEL stores nothing.

#include "settings/SetupChoices.h"
#include "ui/DialogBase.h"

class CFilterDialog;

class CAdvancedConfigDialog : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 131,
        kIdOk = 1,
        kIdCancel = 2,
        kIdMetric = 1101,
        kIdImperial = 1102,
        kIdSeconds = 1103,
        kIdMilliseconds = 1104,
        kIdTimeDomain = 1105,
        kIdFrequencyDomain = 1106,
        kIdSingleHistogram = 1107,
        kIdMultiFilter = 1108,
        kIdLogarithmic = 1109,
        kIdLinear = 1110,
        kIdDisabled = 1111,
        kIdManual = 1112,
        kIdAutomatic = 1113,
        kIdSelectMaterial = 1114,
        kIdSharpnessLabel = 1115,
        kIdSharpnessDown = 1116,
        kIdSharpnessSlider = 1117,
        kIdSharpnessUp = 1118,
        kIdSetLanguage = 1120,
        kIdSurveySettings = 1121,
        kIdExitToUpgrade = 1122,
        kIdAutoCorrelation = 1123,
    };
    static constexpr int kStrPlastic = 760;  // "PLASTIC:"
    static constexpr int kStrOther = 761;    // "OTHER:"

    explicit CAdvancedConfigDialog(QWidget* parent = nullptr);

    // The filter screen the survey screen's custom settings open (optional).
    void SetFilterScreen(CFilterDialog* screen) { m_filterScreen = screen; }

    const setup::AdvancedSettings& Settings() const { return m_settings; }
    // The hidden AUTO CORRELATION switch; the screen's own, stored nowhere.
    bool AutoCorrelation() const { return m_autoCorrelation; }

protected:
    void OnInitDialog() override;

private:
    // One button of a choice: its identifier and what it does to the copy.
    struct Choice {
        int id;
        void (*apply)(setup::AdvancedSettings&);
        bool (*checked)(const setup::AdvancedSettings&);
    };
    static const Choice kChoices[];

    void OnChoice(const Choice& choice);
    void OnSelectMaterial();
    void OnSharpnessStep(int delta);
    void OnSharpnessSlider(int value);
    void OnSetLanguage();
    void OnSurveySettings();
    void OnOk();
    void ShowValues();

    CFilterDialog* m_filterScreen = nullptr;
    setup::AdvancedSettings m_settings;
    bool m_autoCorrelation = false;
};
