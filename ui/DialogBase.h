#pragma once
// ui/DialogBase.h — the behaviour every screen shares: a fixed 640 x 480
// frameless dialog, controls found by identifier, modal run with a result
// code, and the background and text colours of the colour scheme.

#include <QColor>
#include <QDialog>

// Result codes a screen closes with.
constexpr int kResultOk = 1;
constexpr int kResultCancel = 2;
constexpr int kResultLanguage = 100;
constexpr int kResultUpgrade = 1032;

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

class CDialogBase : public QDialog {
    Q_OBJECT
public:
    // templateId: the dialog template the screen is built from.
    explicit CDialogBase(int templateId, QWidget* parent = nullptr);

    // Shows the screen modally; the code EndDialog gave.
    int DoModal();
    void EndDialog(int result);

    int TemplateId() const { return m_templateId; }
    // The control with an identifier, or nullptr.
    QWidget* GetDlgItem(int id) const;
    void ShowItem(int id, bool show);

    // White or black by the configuration's colour scheme, and the text colour on it.
    static QColor BackgroundColour();
    static QColor TextColour();

protected:
    // Makes a widget findable by identifier (GetDlgItem, scripts).
    void RegisterControl(int id, QWidget* control);

private:
    int m_templateId;
};

// The identifier a control was registered with, or 0.
int ControlId(const QWidget* control);
