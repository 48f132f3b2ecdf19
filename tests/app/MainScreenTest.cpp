// The main screen's frame: X in test mode; the app suite's main.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>

#include "ScopedSettings.h"
#include "TempUnitRoot.h"
#include "app/CorrelatorDlg.h"

namespace {

class MainScreen : public ::testing::Test {
protected:
    void TearDown() override {
        // No screen may be left open by a test.
        for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();
    }
    TempUnitRoot root;
    ScopedSettings settings;
};

QAbstractButton* X(CCorrelatorDlg& dlg) { return qobject_cast<QAbstractButton*>(dlg.GetDlgItem(kIdX)); }

}  // namespace

TEST_F(MainScreen, XIsHiddenOutsideTestMode) {
    CCorrelatorDlg dlg;
    dlg.show();
    g_configuration.testMode = 1;
    dlg.InitForDisplay();
    ASSERT_TRUE(X(dlg)->isVisible());
    g_configuration.testMode = 0;  // initialisation alone decides, not the template
    dlg.InitForDisplay();
    EXPECT_FALSE(X(dlg)->isVisible());
    dlg.hide();
}

// The background bands round the graph, one or three traces, in both schemes: the gallery.
// The application preparing the unit, running the screen and ending: every
// demo and journey (journey 8 ends by its script's end, outside test mode).

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
