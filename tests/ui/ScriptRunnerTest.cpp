// Scripted sessions: how a script ends the program, and touches that focus a
// field or open a screen the script goes on inside.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <optional>

#include "QtApp.h"
#include "ScopedSettings.h"
#include "hardware/UserActivity.h"
#include "ui/DialogBase.h"
#include "ui/ScriptRunner.h"

namespace {

// The information screen's template: text fields, and a surface whose touch
// opens the bad-signal screen over it.
class FieldsScreen : public CDialogBase {
public:
    FieldsScreen() : CDialogBase(114) {}
    int childResult = 0;

protected:
    void OnPenDown(QPoint) override {
        CDialogBase child(194, this);
        childResult = RunChild(child);
    }
};

class Scripts : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQApplication();
        ResetUserActivity();
    }
    void TearDown() override { ScriptRunner::Reset(); }

    // Runs screen modally under script; a screen still open after 3 s is
    // closed and reported.
    int Run(CDialogBase& screen, const QString& script, ScriptRunner::AtEnd atEnd) {
        QFile file(dir.filePath("script.txt"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(script.toUtf8());
        file.close();
        EXPECT_TRUE(ScriptRunner::Start(file.fileName(), nullptr, atEnd));
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [this] {
            leftOpen = true;
            while (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->done(kResultCancel);
        });
        guard.start(3000);
        return screen.DoModal();
    }

    QTemporaryDir dir;
    ScopedSettings settings;
    bool leftOpen = false;
};

}  // namespace

// A headless script that reached its end left the program running for ever.
// Where nobody sees the screens it now ends the program; with a display the
// program stays for the operator. "quit" ends it either way, with a status.
TEST_F(Scripts, TheEndOfAScriptEndsTheProgramOnlyWithoutADisplay) {
    struct Row {
        const char* script;
        ScriptRunner::AtEnd atEnd;
        bool stays;
        std::optional<int> status;
    };
    for (const Row& row : {Row{"wait 10\n", ScriptRunner::AtEnd::Quit, false, std::nullopt},
                           Row{"wait 10\n", ScriptRunner::AtEnd::Stay, true, std::nullopt},
                           Row{"quit 7\nwait 10\n", ScriptRunner::AtEnd::Stay, false, 7},
                           Row{"quit\n", ScriptRunner::AtEnd::Stay, false, 0}}) {
        SCOPED_TRACE(row.script);
        leftOpen = false;
        CDialogBase screen(194);
        Run(screen, row.script, row.atEnd);
        EXPECT_EQ(leftOpen, row.stays);
        EXPECT_EQ(ScriptRunner::QuitStatus(), row.status);
        EXPECT_FALSE(ScriptRunner::Failed());
        ScriptRunner::Reset();
    }
    CDialogBase screen(194);
    Run(screen, "quit 256\n", ScriptRunner::AtEnd::Stay);
    EXPECT_TRUE(ScriptRunner::Failed());
    EXPECT_FALSE(ScriptRunner::QuitStatus());
}

// A touch was sent from inside the script's step: one that opened a screen
// held the script until that screen closed, and none gave a field the focus.
TEST_F(Scripts, ATouchFocusesAFieldAndTheScriptGoesOnInsideTheScreenItOpens) {
    FieldsScreen screen;
    QWidget* field = screen.GetDlgItem(1069);
    ASSERT_NE(field, nullptr);
    bool fieldFocused = false;
    QObject::connect(qApp, &QApplication::focusChanged, &screen,
                     [&](QWidget*, QWidget* now) { fieldFocused |= now == field; });
    const QPoint onField = field->geometry().center();
    Run(screen, QStringLiteral("touch %1 %2\nwait 10\ntouch 320 477\nexpect-screen 194\nquit 5\n")
                    .arg(onField.x()).arg(onField.y()),
        ScriptRunner::AtEnd::Stay);
    EXPECT_TRUE(fieldFocused);
    EXPECT_FALSE(ScriptRunner::Failed()) << ScriptRunner::FailureText().toStdString();
    EXPECT_EQ(ScriptRunner::QuitStatus(), 5);
    EXPECT_EQ(screen.childResult, kResultCancel);
    EXPECT_FALSE(leftOpen);
}
