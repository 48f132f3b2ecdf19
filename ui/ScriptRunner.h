#pragma once
// ui/ScriptRunner.h — drives the program from a script so whole sessions run
// headless. One command a line, run in order on the screen in front:
//   wait MS                  let the program run for MS milliseconds
//   press ID                 click the control with that identifier
//   touch X Y                pen down and up at a point of the screen
//   screenshot PATH          save the screen as PNG (a device path "\NandFlash\..."
//                            or a host path)
//   expect ID TEXT           fail unless the control shows TEXT
//   # comment
// A failed command ends the session: every open screen closes and Failed()
// turns true.

#include <QObject>
#include <QString>
#include <QStringList>

class ScriptRunner : public QObject {
    Q_OBJECT
public:
    // Reads the script and schedules its first command; false with a message
    // when the file cannot be read.
    static bool Start(const QString& path, QString* error);
    static bool Failed();
    static QString FailureText();

private:
    explicit ScriptRunner(QStringList lines);
    void Step();
    bool Execute(const QString& line, int& delayMs);
    void Fail(const QString& text);

    QStringList m_lines;
    int m_next = 0;
};
