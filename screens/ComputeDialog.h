#pragma once
// screens/ComputeDialog.h — "VELOCITY COMPUTATION": points made from saved
// runs (separation across, peak delay up), the least-squares line through the
// included ones, and from it the speed of sound and the distance of the noise
// source from the left station. The point set is kept in ".comp" files in the
// data folder; INFO texts live only as long as the screen.
//
// A file or run that cannot be read changes no point; its message shows on
// the line above the point commands until the next command.
//
// Use from the main screen:
//   CComputeDialog compute(this);
//   compute.SetRunOptions(CorrelationOptionsFromConfiguration());
//   RunChild(compute);

#include <string>

#include "dsp/Correlation.h"
#include "pipe/ComputationFile.h"
#include "screens/InformationDialog.h"
#include "ui/DialogBase.h"

class CComputeDialog : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 120,
        kIdOpen = 1001,
        kIdSaveAs = 1002,
        kIdInfo = 1003,
        kIdExit = 1004,
        kIdAddResult = 1005,
        kIdRemoveResult = 1006,
        kIdToggleResult = 1007,
        kIdSelectPrevious = 1008,
        kIdSelectNext = 1009,
        kIdToggleStatic = 1010,
        kIdSeparation = 1011,
        kIdLeakDistance = 1012,
        kIdVelocity = 1013,
        kIdDelay = 1014,
        kIdSeparationAxis = 1015,
        kIdDelayAxis = 1016,
        kIdLeftStation = 1017,
        kIdRightStation = 1018,
        kIdMessage = 1019,
    };
    static constexpr int kSavePrompt = 114;       // "SAVE COMPUTATION AS"
    static constexpr int kFirstCaption = 950;     // 950-953: the result lines' captions
    static constexpr int kNotSavedMessage = 954;  // "COMPUTATION NOT SAVED"
    static constexpr int kUndefinedString = 860;  // "UNDEFINED": points that fix no line

    explicit CComputeDialog(QWidget* parent = nullptr);

    // How a run's peak is found (polarity); the program's configuration.
    void SetRunOptions(const CorrelationOptions& options) { m_runOptions = options; }

    // The points (in the display units), the stations at the graph's ends.
    const Computation& GetComputation() const { return m_comp; }
    // Replaces the points; the first becomes the selected one.
    void SetComputation(const Computation& c);
    size_t Selected() const { return m_selected; }
    const CInformationDialog::Texts& InfoTexts() const { return m_info; }

    // Device paths. Reading replaces the points only when the whole file was
    // read; adding appends the run's point only when the run was read.
    bool ReadFile(const std::string& path);
    bool WriteFile(const std::string& path);
    bool AddRun(const std::string& corrPath);

protected:
    void OnInitDialog() override;
    void OnPaint(QPainter& painter) override;

private:
    void OnOpen();
    void OnSaveAs();
    void OnInfo();
    void OnAddResult();
    void OnRemove();
    void OnToggle();
    void OnSelect(int delta);
    void OnToggleStatic();
    // Results, enabling, axis titles and pictures after every change.
    void Refresh();
    void ShowMessage(const QString& text);
    QString ChooseFile(const char* extension);

    Computation m_comp;
    size_t m_selected = 0;
    CInformationDialog::Texts m_info;
    CorrelationOptions m_runOptions;
};
