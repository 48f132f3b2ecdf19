#include "ui/ScriptRunner.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <map>

#include "platform/Paths.h"
#include "ui/Controls.h"
#include "ui/DialogBase.h"
#include "ui/UnitTime.h"

namespace {

bool g_failed = false;
QString g_failure;
std::optional<int> g_quitStatus;

// How often a script that ended the session closes what is open, ms: a screen
// that opens as another closes (start-up's language screen, then the main
// screen) closes too, until none is left.
constexpr int kClosingMs = 10;

constexpr int kMaxQuitStatus = 255;  // what a process can hand its parent

// Time a press, a touch or an "open" is given before the next command, ms: a screen
// it opens shows, and screens it closes in a chain have all closed.
constexpr int kSettleMs = 50;

std::map<QString, std::function<void(QWidget*)>>& Openers() {
    static std::map<QString, std::function<void(QWidget*)>> openers;
    return openers;
}

QWidget* FrontScreen() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) return w;
    return nullptr;
}

QString HostFile(const QString& path) {
    if (path.startsWith('\\'))
        return QString::fromStdString(platform::HostPath(path.toStdString()).string());
    return path;
}

QAbstractButton* FindButton(QWidget* screen, const QString& key) {
    if (key.startsWith('"')) {
        const QString caption = key.mid(1, key.size() - 2);
        for (auto* b : screen->findChildren<QAbstractButton*>())
            if (b->isVisible() && b->text() == caption) return b;
        return nullptr;
    }
    return qobject_cast<QAbstractButton*>(screen->findChild<QWidget*>("ctl" + key));
}

// A pen-down gives the focus as the window system does for a real one (a
// text field takes it); events sent by hand do not.
void SendMouse(QWidget* screen, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QPointer<QWidget> target = screen->childAt(at);
    if (!target) target = screen;
    const QPointF local = target->mapFrom(screen, at);
    QMouseEvent e(type, local, target->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
    if (type == QEvent::MouseButtonPress && target->isEnabled() && (target->focusPolicy() & Qt::ClickFocus))
        target->setFocus(Qt::MouseFocusReason);
    if (target) QApplication::sendEvent(target, &e);
}

bool AnyScreenOpen() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QDialog*>(w) && w->isVisible()) return true;
    return false;
}

// Closes every open screen, the nested ones first.
void CloseEveryScreen() {
    for (int i = 0; i < 32; ++i) {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!d) break;
        d->done(kResultCancel);
    }
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) d->done(kResultCancel);
}

bool StateHolds(QWidget* w, const QString& state) {
    auto* dlg = qobject_cast<CDialogBase*>(w->window());
    const int check = dlg ? dlg->GetCheck(ControlId(w)) : 0;
    if (state == "checked") return check != 0;
    if (state == "unchecked") return check == 0;
    if (state == "visible") return w->isVisible();
    if (state == "hidden") return !w->isVisible();
    if (state == "enabled") return w->isEnabled();
    if (state == "disabled") return !w->isEnabled();
    return false;
}

}  // namespace

bool ScriptRunner::Start(const QString& path, QString* error, AtEnd atEnd) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error) *error = QStringLiteral("cannot read script %1").arg(path);
        return false;
    }
    auto* runner = new ScriptRunner(QString::fromUtf8(file.readAll()).split('\n'), atEnd);
    runner->setParent(qApp);
    // Under virtual time the unit's clock waits for the first command.
    VirtualTime::Hold(true);
    QTimer::singleShot(0, runner, [runner] {
        VirtualTime::Hold(false);
        runner->Step();
    });
    return true;
}

void ScriptRunner::RegisterScreen(const QString& name, std::function<void(QWidget*)> open) {
    Openers()[name] = std::move(open);
}

bool ScriptRunner::Failed() { return g_failed; }
QString ScriptRunner::FailureText() { return g_failure; }
std::optional<int> ScriptRunner::QuitStatus() { return g_quitStatus; }

bool ScriptRunner::WithoutDisplay() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

ScriptRunner::ScriptRunner(QStringList lines, AtEnd atEnd) : m_lines(std::move(lines)), m_atEnd(atEnd) {}

void ScriptRunner::Step() {
    while (m_next < m_lines.size()) {
        const QString line = m_lines[m_next++].trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        int delayMs = 0;
        m_unitWait = false;
        if (!Execute(line, delayMs)) return;
        if (VirtualTime::Running()) {
            // A wait runs on the unit's clock; the unit's time stands still
            // while a press settles, so the next command comes at the same unit time.
            if (m_unitWait) {
                VirtualTime::Add(this, delayMs, false, [this] { Step(); });
            } else {
                VirtualTime::Hold(true);
                QTimer::singleShot(delayMs, this, [this] {
                    VirtualTime::Hold(false);
                    Step();
                });
            }
            return;
        }
        // Precise: a coarse timer may end a long wait up to 5 % early.
        QTimer::singleShot(delayMs, Qt::PreciseTimer, this, [this] { Step(); });
        return;
    }
    if (m_atEnd == AtEnd::Quit) EndSession();
}

void ScriptRunner::EndSession() {
    CloseEveryScreen();
    auto* closing = new QTimer(this);
    connect(closing, &QTimer::timeout, closing, [closing] {
        if (AnyScreenOpen()) CloseEveryScreen();
        else closing->deleteLater();
    });
    closing->start(kClosingMs);
}

void ScriptRunner::Reset() {
    qDeleteAll(qApp->findChildren<ScriptRunner*>(Qt::FindDirectChildrenOnly));
    g_failed = false;
    g_failure.clear();
    g_quitStatus.reset();
}

bool ScriptRunner::Execute(const QString& line, int& delayMs) {
    const QStringList words = line.split(' ', Qt::SkipEmptyParts);
    const QString& verb = words[0];
    if (verb == "wait" && words.size() == 2) {
        m_unitWait = VirtualTime::Running();
        delayMs = std::max(1, words[1].toInt());
        return true;
    }
    QWidget* screen = FrontScreen();
    if (!screen) {
        Fail(QStringLiteral("no screen open for: %1").arg(line));
        return false;
    }
    if (verb == "if-screen" && words.size() >= 3) {
        if (screen->objectName() != "dlg" + words[1]) return true;
        return Execute(line.section(' ', 2).trimmed(), delayMs);
    }
    if (verb == "press" && words.size() >= 2) {
        const QString key = line.section(' ', 1).trimmed();
        QAbstractButton* button = FindButton(screen, key);
        if (!button || !button->isVisible() || !button->isEnabled()) {
            Fail(QStringLiteral("no visible, enabled control %1 on screen %2").arg(key, screen->objectName()));
            return false;
        }
        // Clicked from the event loop: a press that opens a screen runs the
        // rest of the script inside that screen's modal loop.
        QTimer::singleShot(0, button, [button] { button->click(); });
        delayMs = kSettleMs;
        return true;
    }
    if (verb == "open" && words.size() == 2) {
        const auto it = Openers().find(words[1]);
        if (it == Openers().end()) {
            Fail(QStringLiteral("no screen named %1 to open").arg(words[1]));
            return false;
        }
        // The screen's modal loop runs the rest of the script, so it starts
        // from the event loop, not from inside this step.
        QTimer::singleShot(0, this, [open = it->second, parent = QPointer<QWidget>(screen)] { open(parent); });
        delayMs = kSettleMs;
        return true;
    }
    if (verb == "touch" && words.size() == 3) {
        const QPoint at(words[1].toInt(), words[2].toInt());
        // From the event loop, as a press: a touch that opens a screen runs
        // the rest of the script inside it.
        QTimer::singleShot(0, screen, [screen, at] {
            SendMouse(screen, QEvent::MouseButtonPress, at, Qt::LeftButton);
            SendMouse(screen, QEvent::MouseButtonRelease, at, Qt::NoButton);
        });
        delayMs = kSettleMs;
        return true;
    }
    if (verb == "quit" && words.size() <= 2) {
        bool ok = true;
        const int status = words.size() == 2 ? words[1].toInt(&ok) : 0;
        if (!ok || status < 0 || status > kMaxQuitStatus) {
            Fail(QStringLiteral("quit takes a status from 0 to %1: %2").arg(kMaxQuitStatus).arg(line));
            return false;
        }
        g_quitStatus = status;
        EndSession();
        return false;
    }
    if (verb == "drag" && words.size() == 5) {
        const QPoint from(words[1].toInt(), words[2].toInt()), to(words[3].toInt(), words[4].toInt());
        constexpr int kSteps = 8;
        SendMouse(screen, QEvent::MouseButtonPress, from, Qt::LeftButton);
        for (int i = 1; i <= kSteps; ++i)
            SendMouse(screen, QEvent::MouseMove, from + (to - from) * i / kSteps, Qt::LeftButton);
        SendMouse(screen, QEvent::MouseButtonRelease, to, Qt::NoButton);
        return true;
    }
    if (verb == "screenshot" && words.size() == 2) {
        const QString file = HostFile(words[1]);
        if (!screen->grab().save(file, "PNG")) {
            Fail(QStringLiteral("cannot write screenshot %1").arg(file));
            return false;
        }
        return true;
    }
    if (verb == "expect" && words.size() >= 2) {
        QWidget* control = screen->findChild<QWidget*>("ctl" + words[1]);
        const QString want = line.section(' ', 2).trimmed();
        const QString got = control ? ControlText(control) : QString();
        if (!control || got != want) {
            Fail(QStringLiteral("control %1 shows \"%2\", expected \"%3\"").arg(words[1], got, want));
            return false;
        }
        return true;
    }
    if (verb == "print" && words.size() == 2) {
        QWidget* control = screen->findChild<QWidget*>("ctl" + words[1]);
        if (!control) {
            Fail(QStringLiteral("no control %1 to print on screen %2").arg(words[1], screen->objectName()));
            return false;
        }
        // Direction marks and isolates are invisible; automation reads the text without them.
        QString text = ControlText(control);
        text.remove(QRegularExpression(QStringLiteral("[\\x{200E}\\x{200F}\\x{202A}-\\x{202E}\\x{2066}-\\x{2069}]")));
        std::printf("%s=%s\n", qPrintable(words[1]), text.toUtf8().constData());
        std::fflush(stdout);
        return true;
    }
    if (verb == "expect-state" && words.size() == 3) {
        QWidget* control = screen->findChild<QWidget*>("ctl" + words[1]);
        if (!control || !StateHolds(control, words[2])) {
            Fail(QStringLiteral("control %1 is not %2").arg(words[1], words[2]));
            return false;
        }
        return true;
    }
    if (verb == "expect-screen" && words.size() == 2) {
        if (screen->objectName() != "dlg" + words[1]) {
            Fail(QStringLiteral("screen in front is %1, expected dlg%2").arg(screen->objectName(), words[1]));
            return false;
        }
        return true;
    }
    Fail(QStringLiteral("unknown script command: %1").arg(line));
    return false;
}

void ScriptRunner::Fail(const QString& text) {
    g_failed = true;
    g_failure = text;
    std::fprintf(stderr, "script: %s\n", qPrintable(text));
    EndSession();
}
