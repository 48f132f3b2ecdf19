#pragma once
// ui/ScriptRunner.h — drives the program from a script so whole sessions run
// headless or on the display. One command a line, run in order on the screen in front:
//   wait MS                  let the program run for MS milliseconds of the
//                            unit's time (on its clock under virtual time,
//                            ui/UnitTime.h, where the other commands take none)
//   press ID                 click the control with that identifier
//   press "CAPTION"          click the visible button showing that caption
//   touch X Y                pen down and up at a point of the screen; a text
//                            field there takes the focus
//   drag X1 Y1 X2 Y2         pen down, move in steps, pen up
//   screenshot PATH          save the screen as PNG (a device path "\NandFlash\..."
//                            or a host path)
//   expect ID TEXT           fail unless the control shows TEXT
//   print ID                 write "ID=TEXT" with the control's text to stdout
//                            (without its invisible direction marks)
//   expect-state ID STATE    STATE: checked, unchecked, visible, hidden,
//                            enabled, disabled
//   expect-screen ID         fail unless the screen in front has that template
//   if-screen ID COMMAND     run COMMAND only when the screen in front has that
//                            template (a first start shows screens a later one skips)
//   open NAME                open a screen the program registered under NAME
//                            (RegisterScreen) over the one in front; the script
//                            goes on inside it
//   quit [STATUS]            end the program with STATUS (0-255, default 0)
//   # comment
// A press or touch that opens a screen runs the rest of the script inside it.
// A failed command ends the session: every open screen closes and Failed()
// turns true. A script that runs out of commands leaves the program to the
// operator, or ends it (AtEnd::Quit) where nobody sees the screen.

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class ScriptRunner : public QObject {
    Q_OBJECT
public:
    enum class AtEnd { Stay, Quit };
    // Reads the script and schedules its first command; false with a message
    // when the file cannot be read. atEnd: what the last command leaves.
    static bool Start(const QString& path, QString* error, AtEnd atEnd = AtEnd::Stay);
    static bool Failed();
    static QString FailureText();
    // The status "quit" asked the program to end with; nothing before it ran.
    static std::optional<int> QuitStatus();
    // Whether the screens show on no display (-platform offscreen or minimal).
    static bool WithoutDisplay();
    // Drops every script started and its result, for a program that starts
    // another session in the same process (tests).
    static void Reset();
    // A screen "open NAME" runs: open(parent) shows it modally and returns when
    // it closes. Registered by the program before the script starts.
    static void RegisterScreen(const QString& name, std::function<void(QWidget* parent)> open);

private:
    ScriptRunner(QStringList lines, AtEnd atEnd);
    void Step();
    // Closes every screen, and any that opens as another closes, so the
    // program ends.
    void EndSession();
    bool Execute(const QString& line, int& delayMs);
    void Fail(const QString& text);

    QStringList m_lines;
    AtEnd m_atEnd;
    int m_next = 0;
    bool m_unitWait = false;  // the command was a wait on virtual time
};
