#pragma once
// The main screen on the virtual unit and a fake clock, as its run tests use
// it: Make() builds the screen, Ticks() runs the 100 ms timer.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>

#include "UnitOnBench.h"
#include "app/CorrelatorDlg.h"
#include "hardware/UserActivity.h"
#include "pipe/Pipe.h"

// One section of length m at velocity m/s.
inline CPipe PipeOf(float length, float velocity) {
    CPipe pipe(10000.0f);
    PipeSegment section;
    section.SetLength(length, LengthUnit::Metres);
    section.SetVelocity(velocity);
    pipe.AddSection(section);
    return pipe;
}

class MainRun : public UnitOnBench {
protected:
    void SetUp() override {
        g_configuration.testMode = 0;
        g_configuration.multiFilter = 0;
        g_replay = 0;
        g_defaultBands = 1;
        ResetUserActivity();
    }
    void TearDown() override {
        dlg.reset();
        g_replay = 0;
        ResetUserActivity();
        for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();
    }
    // A screen built before goes first, while the unit it was built on is still there.
    void Make(sim::Scenario world = sim::DefaultScenario()) {
        dlg.reset();
        Install(world);
        dlg = std::make_unique<CCorrelatorDlg>(*hw, *radio);
        dlg->InitForDisplay();
    }
    // The screen built and a run started on 200 m at 1250 m/s, then ticks x 100 ms.
    void MakeRunning(int ticks) {
        Make();
        dlg->StartOnPipe(PipeOf(200.0f, 1250.0f));
        Ticks(ticks);
    }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) {
            clock.Advance(RunLoop::kTickMs);
            dlg->TickNow();
        }
    }
    // The pen on the screen at x, y: down, moving, or up.
    void Pen(QEvent::Type type, int x, int y) {
        QMouseEvent e(type, QPointF(x, y), QPointF(x, y), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(dlg.get(), &e);
    }
    QAbstractButton* Button(int id) { return dlg->Item<QAbstractButton>(id); }
    bool Visible(int id) { return !dlg->GetDlgItem(id)->isHidden(); }
    // START SURVEY STOP RESUME RESET, 1 where shown: the run bar in one comparison.
    std::string RunBar() {
        std::string shown;
        for (int id : {kIdStart, kIdSurvey, kIdStop, kIdResume, kIdReset}) shown += Visible(id) ? '1' : '0';
        return shown;
    }

    std::unique_ptr<CCorrelatorDlg> dlg;
};
