#pragma once
// ui/DialogBase.h — what every screen shares.
//
// A screen is a frameless dialog of its template's size (most fill the
// 640 x 480 screen), built from its template by identifier. It runs modally
// and closes with a result code; the codes for a chosen language (100) and an
// upgrade exit (1032) travel up through every open screen to the main screen.
// Handlers are bound per control identifier in a message map; each starts
// with the user-activity rule. Pen-down anywhere on a screen reports the
// activity too, and a touch on a dimmed display only wakes it: its pen-down,
// moves and pen-up reach neither the screen nor its controls. The background is white, or black with the
// inverted colour scheme, and controls take the opposite text colour.
//
// A right-to-left language mirrors every screen: templates are written left
// to right, whatever the language, and the template's left becomes the
// screen's right. A screen keeps in place what shows a physical side (the
// graph's ends, the headphones' ears) and keeps the order of keys that read
// left to right (keypads).

#include <QColor>
#include <QDialog>
#include <QPoint>
#include <QRegion>
#include <functional>
#include <map>
#include <vector>

#include "ui/DialogTemplate.h"

class QPainter;

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
    // Builds the controls of template templateId (pack first, then built-in).
    explicit CDialogBase(int templateId, QWidget* parent = nullptr);

    // Initialises and shows the screen modally; the code EndDialog gave
    // (cancel for Esc). A screen kept by its caller may run many times.
    int DoModal();
    // Runs the screen's initialisation as DoModal does, without showing it.
    void InitForDisplay() { OnInitDialog(); }
    void EndDialog(int result);
    // Runs a child screen; when it closes with 100 or 1032 this screen closes
    // with the same code. The child's result.
    int RunChild(CDialogBase& child);
    static bool IsPassedUp(int result) { return result == kResultLanguage || result == kResultUpgrade; }

    int TemplateId() const { return m_templateId; }
    const DialogTemplate& Template() const { return m_template; }

    // Control helpers; an unknown identifier does nothing (or gives nothing).
    QWidget* GetDlgItem(int id) const;
    template <class T>
    T* Item(int id) const { return qobject_cast<T*>(GetDlgItem(id)); }
    void ShowItem(int id, bool show);
    void EnableItem(int id, bool enable);
    void SetItemText(int id, const QString& text);
    QString ItemText(int id) const;
    void SetCheck(int id, int state);  // fancy buttons keep their own check state
    int GetCheck(int id) const;

    // Window timers by identifier, on the unit's time (ui/UnitTime.h); setting
    // one again restarts it.
    void SetTimer(int id, int periodMs);
    void KillTimer(int id);
    bool TimerRunning(int id) const { return m_timers.count(id) > 0; }

    // Whether the screen mirrors its template (a right-to-left language).
    bool Mirrored() const { return layoutDirection() == Qt::RightToLeft; }
    // A rectangle in the template's left-to-right pixels where the screen
    // shows it: mirrored across the screen's width when the screen mirrors.
    QRect VisualRect(const QRect& logical) const;
    // Places a control by its rectangle in the template's pixels, as a screen
    // that lays out controls in code does.
    void PlaceItem(int id, const QRect& logical);

    static QColor BackgroundColour();
    static QColor TextColour();

protected:
    // Message map: the handler runs after ReportUserActivity answered true.
    void OnCommand(int id, std::function<void()> handler);
    // The handler runs whatever ReportUserActivity answered (the program's X),
    // and a touch on the control acts even when it wakes the display.
    void OnCommandAlways(int id, std::function<void()> handler);
    // Every touch on this screen acts even when it wakes a dimmed display
    // (a screen whose display may be off).
    void SetWakingTouchesAct(bool act);
    void RegisterControl(int id, QWidget* control);
    // On a mirrored screen, these template controls stay where the template
    // puts them: they show a physical side (the graph's ends, the ears).
    void KeepPlace(const std::vector<int>& ids);
    // On a mirrored screen, these template controls move as one block to the
    // mirrored place and keep their left-to-right order (a keypad).
    void KeepOrder(const std::vector<int>& ids);

    // Hooks for the screens.
    virtual void OnInitDialog() {}
    virtual void OnTimer(int /*id*/) {}
    virtual void OnPaint(QPainter& /*painter*/) {}  // after the background
    virtual void OnPenDown(QPoint) {}
    virtual void OnPenMove(QPoint) {}
    virtual void OnPenUp(QPoint) {}
    // The part of the screen the background erase covers: all of it by default.
    virtual QRegion EraseRegion() const;

    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void reject() override;

private:
    void BuildControls();
    void ShiftTemplateItems(const std::vector<int>& ids, int shift);
    void ApplySchemeColours();

    int m_templateId;
    DialogTemplate m_template;
    int m_brushScheme = -1;       // the colour scheme the control colours were made for
    std::map<int, int> m_timers;  // our identifier -> Qt's
};

// The identifier a control was registered with, or 0.
int ControlId(const QWidget* control);
