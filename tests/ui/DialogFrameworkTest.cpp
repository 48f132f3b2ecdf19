// The behaviour every screen shares: templates, message maps with the
// user-activity rule, result codes passed up, timers and colours.

#include <gtest/gtest.h>

#include <set>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QEventLoop>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>

#include "ScopedSettings.h"
#include "QtApp.h"
#include "TempUnitRoot.h"
#include "hardware/UserActivity.h"
#include "platform/Clock.h"
#include "settings/Language.h"
#include "ui/DialogBase.h"
#include "ui/PictureSet.h"
#include "ui/DialogTemplate.h"
#include "ui/Resources.h"
#include "ui/KeyboardDialog.h"
#include "ui/QtDimTimer.h"

namespace {

// A screen on the bad-signal template with one handler per button.
class ProbeScreen : public CDialogBase {
public:
    explicit ProbeScreen(QWidget* parent = nullptr) : CDialogBase(194, parent) {
        OnCommand(6, [this] { ++commands; });
    }
    int commands = 0;
    int penEvents = 0;  // downs, moves and ups that reached the screen
    std::vector<int> ticks;

protected:
    void OnTimer(int id) override {
        ticks.push_back(id);
        if (ticks.size() == 3) EndDialog(kResultOk);
    }
    void OnPenDown(QPoint) override { ++penEvents; }
    void OnPenMove(QPoint) override { ++penEvents; }
    void OnPenUp(QPoint) override { ++penEvents; }
};

void SendMouse(QWidget& w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(at), w.mapToGlobal(QPointF(at)), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

// Runs the event loop for ms of real time.
void RunEventsFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

class CountingTimer : public DimTimer {
public:
    void Start(uint32_t ms) override { lastPeriod = ms; running = true; }
    void Stop() override { running = false; }
    uint32_t lastPeriod = 0;
    bool running = false;
};

class DialogFramework : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQApplication();
        ResetUserActivity();
        SetDimTimer(&timer);
        SetBacklightControl([this](int percent) { backlight.push_back(percent); });
    }
    void TearDown() override {
        SetDimTimer(nullptr);
        SetBacklightControl({});
        ResetUserActivity();
    }
    QAbstractButton* Button(CDialogBase& d, int id) { return d.Item<QAbstractButton>(id); }

    ScopedSettings settings;
    CountingTimer timer;
    std::vector<int> backlight;
};

}  // namespace

TEST(DialogTemplates, ParseControlsFlagsAndEscapedCaptions) {
    QString error;
    auto t = ParseDialogTemplate(
        "caption \"X\"\nsize 188 98\nfont Arial 9\n# comment\n"
        "control button 6 \"SAY \\\"YES\\\"\" 20 70 60 20 hidden disabled\n"
        "control static 1000 \"two\\nlines\" 0 0 285 214 center\n",
        &error);
    ASSERT_TRUE(t) << error.toStdString();
    EXPECT_EQ(std::tuple(t->units, t->fontPoints, t->controls.size()), std::tuple(QSize(188, 98), 9, size_t{2}));
    EXPECT_EQ(std::pair(t->controls[0].caption, t->controls[0].flags), std::pair(QString("SAY \"YES\""), unsigned(kFlagHidden | kFlagDisabled)));
    EXPECT_EQ(t->Find(1000)->caption, "two\nlines");
    EXPECT_EQ(t->Find(99), nullptr);
}

TEST(DialogTemplates, MalformedLinesAreRefusedWithTheirLineNumber) {
    for (const char* text : {"control button x \"A\" 1 2 3 4", "control knob 1 \"A\" 1 2 3 4", "control button 1 \"A 1 2 3 4",
                             "control button 1 \"A\" 1 2 3", "control button 1 \"A\" 1 2 3 4 blinking", "size 1"}) {
        QString error;
        EXPECT_FALSE(ParseDialogTemplate(text, &error)) << text;
        EXPECT_TRUE(error.startsWith("line 1")) << text;
    }
}

// A pack asked for a 100000 x 100000 screen (some 200 GB of picture) and
// another for 20,000 controls (13 s to start). Nothing may lie beyond the
// screen, and a screen has at most 256 controls.
TEST(DialogTemplates, TemplatesBeyondTheScreenOrTheControlLimitAreRefused) {
    std::string controls = "size 285 214\n";
    for (int i = 0; i < 256; ++i) controls += "control static 1 \"\" 0 0 285 214\n";
    EXPECT_TRUE(ParseDialogTemplate(controls));
    for (std::string text : {"size 100000 100000", "size 286 214", "size 0 214", "font Arial 100000", "font Arial 0",
                             "control static 1 \"\" 280 0 10 10", "control static 1 \"\" -5 0 10 10",
                             "control static 1 \"\" 0 0 -1 10", "control static 1 \"\" 2147483647 0 2147483647 10"})
        EXPECT_FALSE(ParseDialogTemplate(text)) << text;
    EXPECT_FALSE(ParseDialogTemplate(controls + "control static 1 \"\" 0 0 1 1\n"));
}

// A gloved finger needs 40 x 40 px. Exceptions: the radio setup screen,
// whose layout its table fixes; the configuration screen's never-shown
// power-off, brightness and scheme rows; the test-mode X.
TEST(DialogTemplates, EveryButtonIsAtLeastAFingerWideAndHigh) {
    const std::set<std::pair<int, int>> exempt = {{130, 1021}, {130, 1023}, {130, 1026}, {130, 1028},
                                                  {130, 1030}, {130, 1031}, {130, 1033}, {102, 1087}};
    QStringList files = QDir(CORRELATOR_SOURCE_DIR "/resources/builtin").entryList({"dialog_*.txt"});
    for (QString& f : files) f.prepend(CORRELATOR_SOURCE_DIR "/resources/builtin/");
    files << CORRELATOR_SOURCE_DIR "/resources/lang/DEU.txt" << CORRELATOR_SOURCE_DIR "/resources/lang/FAS.txt";
    const QRegularExpression dialogLine(QStringLiteral("^dialog (\\d+)"));
    const QRegularExpression buttonLine(QStringLiteral("^control (?:bmp)?button (\\d+) \"(?:[^\"\\\\]|\\\\.)*\" (\\d+) (\\d+) (\\d+) (\\d+)"));
    int checked = 0;
    for (const QString& file : files) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
        int dialog = 0;
        for (const QString& line : QString::fromUtf8(f.readAll()).split('\n')) {
            if (const auto m = dialogLine.match(line); m.hasMatch()) dialog = m.captured(1).toInt();
            const auto m = buttonLine.match(line);
            if (!m.hasMatch() || dialog == 313 || exempt.count({dialog, m.captured(1).toInt()})) continue;
            const QRect px = UnitsToPixels(QRect(m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt(),
                                                 m.captured(5).toInt()));
            EXPECT_TRUE(px.width() >= 40 && px.height() >= 40) << file.toStdString() << ": " << line.toStdString();
            ++checked;
        }
    }
    EXPECT_GT(checked, 500);
}

// Screens built from their templates at their size, in dialog units scaled
// to the screen: every picture of the gallery.

// A pack template beyond the screen gives way to the built-in one.
TEST_F(DialogFramework, APackTemplateBeyondTheBoundsGivesWayToTheBuiltInOne) {
    TempUnitRoot root;
    root.Put("\\NandFlash\\TamrikDialogsTST.dll",
             "dialog 194\nsize 100000 100000\nend\ndialog 195\nsize 100 50\nend\n");
    SetLanguage(u"TST");
    const auto huge = LoadDialogTemplate(194), small = LoadDialogTemplate(195);
    SetLanguage(u"ENG");
    ASSERT_TRUE(huge && small);
    EXPECT_EQ(std::pair(huge->units, small->units), std::pair(QSize(188, 98), QSize(100, 50)));  // the built-in one, the pack's
}

// A touch on a dimmed display used to reach the screen (moving the graph's
// cursor, turning AUTO CURSOR off) and brought the light back only at pen-up.
// Now the whole touch only wakes the display, on the screen's surface as on
// its buttons, and the backlight returns as the pen lands.
TEST_F(DialogFramework, TouchOnADimmedDisplayOnlyWakesItFromPenDown) {
    g_configuration.brightness = 8;
    g_configuration.dimLevel = 2;
    g_configuration.dimDelay = 1;
    ProbeScreen screen;
    screen.ShowItem(6, true);
    QWidget& button = *screen.GetDlgItem(6);
    const QPoint onButton = button.rect().center(), onSurface(5, 5);
    for (QWidget* target : {static_cast<QWidget*>(&screen), &button}) {
        const QPoint at = target == &screen ? onSurface : onButton;
        OnDimTimer();
        SendMouse(*target, QEvent::MouseButtonPress, at, Qt::LeftButton);
        EXPECT_EQ(backlight.back(), 80);
        SendMouse(*target, QEvent::MouseMove, at + QPoint(1, 1), Qt::LeftButton);
        SendMouse(*target, QEvent::MouseButtonRelease, at, Qt::NoButton);
        EXPECT_EQ(screen.penEvents + screen.commands, 0);
        EXPECT_FALSE(IsDisplayDimmed());
    }
    // Presses that reach no screen (the window system's own window, a
    // widget of no screen) neither wake the display nor are swallowed.
    OnDimTimer();
    QObject window;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&window, &press);
    QWidget elsewhere;
    SendMouse(elsewhere, QEvent::MouseButtonPress, onSurface, Qt::LeftButton);
    SendMouse(elsewhere, QEvent::MouseButtonRelease, onSurface, Qt::NoButton);
    EXPECT_TRUE(IsDisplayDimmed());
    SendMouse(screen, QEvent::MouseButtonPress, onSurface, Qt::LeftButton);
    SendMouse(screen, QEvent::MouseButtonRelease, onSurface, Qt::NoButton);
    EXPECT_EQ(screen.penEvents, 0);
    SendMouse(screen, QEvent::MouseButtonPress, onSurface, Qt::LeftButton);
    SendMouse(screen, QEvent::MouseButtonRelease, onSurface, Qt::NoButton);
    SendMouse(button, QEvent::MouseButtonPress, onButton, Qt::LeftButton);
    SendMouse(button, QEvent::MouseButtonRelease, onButton, Qt::NoButton);
    EXPECT_EQ(std::pair(screen.penEvents, screen.commands), std::pair(2, 1));
}

// The time to dim ran on a real-time timer, so --speed did not shorten it and
// no script or test could reach it. It is counted on the unit's clock.
TEST(DimTimerOnTheUnitsClock, DimsWhenTheUnitsClockHasRunTheDelay) {
    EnsureQApplication();
    ScopedSettings settings;
    platform::FakeClock clock;
    platform::ScopedClock scoped(clock);
    QtDimTimer timer;
    ResetUserActivity();
    SetDimTimer(&timer);
    g_configuration.dimDelay = 1;
    ReportUserActivity();
    clock.Advance(299999);
    RunEventsFor(1050);  // the clock is looked at every second
    EXPECT_FALSE(IsDisplayDimmed());
    clock.Advance(1);
    for (int i = 0; i < 30 && !IsDisplayDimmed(); ++i) RunEventsFor(100);  // a busy host polls late
    EXPECT_TRUE(IsDisplayDimmed());
    SetDimTimer(nullptr);
    ResetUserActivity();
}

// Codes passed up from nested screens: MainSetup.APassedUpCodeEndsTheProgramAfterTheBadgeFlash
// and every modal flow the screen tests drive.
TEST_F(DialogFramework, WindowTimersFireByIdentifierAndStopWithTheScreen) {
    ProbeScreen screen;
    screen.SetTimer(5, 1);
    screen.SetTimer(5, 1);  // restarts, never two timers for one identifier
    EXPECT_EQ(screen.DoModal(), kResultOk);
    EXPECT_EQ(screen.ticks, (std::vector<int>{5, 5, 5}));
    EXPECT_FALSE(screen.TimerRunning(5));
}

// Colours and pictures change with the scheme at the next paint, before the
// screen sets its pictures again (battery and reception every few seconds).
TEST_F(DialogFramework, ControlColoursAndPicturesFollowASchemeChange) {
    g_configuration.colourScheme = 0;
    ReloadPictures();
    ProbeScreen screen;
    auto* battery = screen.Item<QLabel>(1000);
    battery->setPixmap(Picture(BatteryBarsPicture(3)));
    screen.show();
    const auto colours = [&] {  // the ground and the text
        return std::pair{screen.grab().toImage().pixelColor(2, 2), screen.palette().color(QPalette::WindowText)};
    };
    EXPECT_EQ(colours(), std::pair(QColor(Qt::white), QColor(Qt::black)));
    g_configuration.colourScheme = 1;
    ReloadPictures();
    EXPECT_EQ(colours(), std::pair(QColor(Qt::black), QColor(Qt::white)));
    EXPECT_EQ(battery->pixmap().toImage(), PictureVariant(BatteryBarsPicture(3), true).toImage());
    screen.hide();
    g_configuration.colourScheme = 0;
    ReloadPictures();
}

TEST_F(DialogFramework, KeyboardTypesShiftsDeletesAndStopsAtTheLimit) {
    CKeyboardDialog keys(QStringLiteral("SERIAL"), QStringLiteral("AB"), 4);
    EXPECT_EQ(keys.ItemText(CKeyboardDialog::kIdTitle), "SERIAL");
    Button(keys, CKeyboardDialog::kIdFirstKey + 0)->click();  // "1"
    Button(keys, CKeyboardDialog::kIdShift)->click();
    Button(keys, CKeyboardDialog::kIdFirstKey + 10)->click();  // "q"
    Button(keys, CKeyboardDialog::kIdSpace)->click();          // over the limit
    EXPECT_EQ(keys.Text(), "AB1q");
    Button(keys, CKeyboardDialog::kIdDelete)->click();
    EXPECT_EQ(keys.Text(), "AB1");
    keys.SetPassword(true);
    EXPECT_EQ(keys.ItemText(CKeyboardDialog::kIdText), "***");
}

namespace {

// Every screen template of the built-in resources, by identifier.
std::vector<int> BuiltInTemplateIds() {
    std::vector<int> ids;
    const QRegularExpression dialogLine(QStringLiteral("^dialog (\\d+)"), QRegularExpression::MultilineOption);
    for (const QString& name : QDir(CORRELATOR_SOURCE_DIR "/resources/builtin").entryList({"dialog_*.txt"})) {
        QFile f(CORRELATOR_SOURCE_DIR "/resources/builtin/" + name);
        if (!f.open(QIODevice::ReadOnly)) continue;
        for (auto it = dialogLine.globalMatch(QString::fromUtf8(f.readAll())); it.hasNext();)
            ids.push_back(it.next().captured(1).toInt());
    }
    return ids;
}

class PersianScreen : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { EnsureQApplication(); }
    ScopedSettings settings;
    TempUnitRoot root;
};

}  // namespace

// In the Persian sample pack every screen mirrors the same way: each control
// stands where the mirror image of the English screen puts it (some screens
// were mirrored by their pack template and others were not).
TEST_P(PersianScreen, MirrorsTheEnglishScreen) {
    const int id = GetParam();
    SetLanguage(u"ENG");
    const auto english = LoadDialogTemplate(id);
    ASSERT_TRUE(english);
    QFile pack(QStringLiteral(CORRELATOR_SOURCE_DIR "/resources/lang/FAS.txt"));
    ASSERT_TRUE(pack.open(QIODevice::ReadOnly));
    root.Put("\\NandFlash\\TamrikDialogsFAS.dll", pack.readAll().toStdString());
    SetLanguage(u"FAS");
    CDialogBase screen(id);
    SetLanguage(u"ENG");
    const int width = screen.width();
    for (const ControlTemplate& c : english->controls) {
        const QRect ltr = UnitsToPixels(c.units);
        const QWidget* w = screen.GetDlgItem(c.id);
        ASSERT_NE(w, nullptr) << "control " << c.id;
        EXPECT_EQ(w->geometry(), QRect(width - ltr.x() - ltr.width(), ltr.y(), ltr.width(), ltr.height()))
            << "control " << c.id;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryTemplate, PersianScreen, ::testing::ValuesIn(BuiltInTemplateIds()));
