#include "ui/ScriptRunner.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "platform/Paths.h"
#include "ui/DialogBase.h"

namespace {

bool g_failed = false;
QString g_failure;

QWidget* FrontScreen() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) return w;
    return nullptr;
}

QString ControlText(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    return w->property("text").toString();
}

QString HostFile(const QString& path) {
    if (path.startsWith('\\'))
        return QString::fromStdString(platform::HostPath(path.toStdString()).string());
    return path;
}

}  // namespace

bool ScriptRunner::Start(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error) *error = QStringLiteral("cannot read script %1").arg(path);
        return false;
    }
    auto* runner = new ScriptRunner(QString::fromUtf8(file.readAll()).split('\n'));
    runner->setParent(qApp);
    QTimer::singleShot(0, runner, [runner] { runner->Step(); });
    return true;
}

bool ScriptRunner::Failed() { return g_failed; }
QString ScriptRunner::FailureText() { return g_failure; }

ScriptRunner::ScriptRunner(QStringList lines) : m_lines(std::move(lines)) {}

void ScriptRunner::Step() {
    while (m_next < m_lines.size()) {
        const QString line = m_lines[m_next++].trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        int delayMs = 0;
        if (!Execute(line, delayMs)) return;
        QTimer::singleShot(delayMs, this, [this] { Step(); });
        return;
    }
}

bool ScriptRunner::Execute(const QString& line, int& delayMs) {
    const QStringList words = line.split(' ', Qt::SkipEmptyParts);
    const QString& verb = words[0];
    QWidget* screen = FrontScreen();
    if (verb == "wait" && words.size() == 2) {
        delayMs = words[1].toInt();
        return true;
    }
    if (!screen) {
        Fail(QStringLiteral("no screen open for: %1").arg(line));
        return false;
    }
    if (verb == "press" && words.size() == 2) {
        auto* button = qobject_cast<QAbstractButton*>(screen->findChild<QWidget*>("ctl" + words[1]));
        if (!button || !button->isVisible() || !button->isEnabled()) {
            Fail(QStringLiteral("no visible, enabled control %1 on screen %2").arg(words[1], screen->objectName()));
            return false;
        }
        button->click();
        return true;
    }
    if (verb == "touch" && words.size() == 3) {
        const QPointF at(words[1].toInt(), words[2].toInt());
        QWidget* target = screen->childAt(at.toPoint());
        if (!target) target = screen;
        const QPointF local = target->mapFrom(screen, at.toPoint());
        QMouseEvent down(QEvent::MouseButtonPress, local, target->mapToGlobal(local), Qt::LeftButton,
                         Qt::LeftButton, Qt::NoModifier);
        QMouseEvent up(QEvent::MouseButtonRelease, local, target->mapToGlobal(local), Qt::LeftButton,
                       Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &down);
        QApplication::sendEvent(target, &up);
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
    Fail(QStringLiteral("unknown script command: %1").arg(line));
    return false;
}

void ScriptRunner::Fail(const QString& text) {
    g_failed = true;
    g_failure = text;
    std::fprintf(stderr, "script: %s\n", qPrintable(text));
    // Close every screen so the program ends.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) d->done(kResultCancel);
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) d->done(kResultCancel);
    });
}
