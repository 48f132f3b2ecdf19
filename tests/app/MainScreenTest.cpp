// The main screen's frame: X in test mode, the background rule, a clean end.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

#include "ScopedSettings.h"
#include "TempUnitRoot.h"
#include "app/CorrelatorApp.h"
#include "app/CorrelatorDlg.h"
#include "settings/Configuration.h"

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

TEST(MainScreenBackground, BandsSurroundTheGraphAndWidenForThreeTraces) {
    const auto one = BackgroundBands(1);
    EXPECT_EQ(one[0], QRect(0, 0, 640, 91));
    EXPECT_EQ(one[1], QRect(0, 91, 24, 224));
    EXPECT_EQ(one[2], QRect(607, 91, 33, 224));
    EXPECT_EQ(one[3], QRect(0, 315, 640, 165));
    EXPECT_EQ(BackgroundBands(3)[1].width(), 84);
}

TEST_F(MainScreen, BackgroundFollowsTheColourScheme) {
    for (int scheme : {0, 1}) {
        g_configuration.colourScheme = scheme;
        CCorrelatorDlg dlg;
        const QImage image = dlg.grab().toImage();
        const QColor want = scheme ? Qt::black : Qt::white;
        for (QPoint p : {QPoint(5, 50), QPoint(10, 200), QPoint(620, 200), QPoint(320, 400)})
            EXPECT_EQ(image.pixelColor(p), want) << scheme << " at " << p.x() << "," << p.y();
    }
}

TEST_F(MainScreen, ApplicationPreparesTheUnitRunsTheScreenAndEnds) {
    g_configuration.testMode = 1;
    g_configuration.SetLanguage(u"ENG");
    QTimer::singleShot(50, [] {
        auto* dlg = qobject_cast<CCorrelatorDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        X(*dlg)->click();
    });
    CCorrelatorApp app;
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.MainResult(), kResultOk);
    EXPECT_EQ(CConfiguration::DataFolder(), "\\NandFlash\\Data\\");
}

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
