#pragma once
// Drives modal screens from a test: steps run one per turn of the event loop
// on whichever screen is in front, so a press that opens a screen runs the
// rest of the steps inside that screen's modal loop. A failed step, or a
// screen left open two seconds after the last step, closes every open screen
// so that the test ends instead of hanging.
//
//   Driver driver;
//   driver.Queue({Press(kIdOk), OnScreen(151, [](CDialogBase& s) { ... })});
//   EXPECT_EQ(dialog.DoModal(), kResultOk);

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <initializer_list>
#include <utility>
#include <string>
#include <vector>

#include "ui/DialogBase.h"

using Step = std::function<void(CDialogBase& front)>;

// Closes every open screen, innermost first, so that a failed step ends the
// test instead of hanging it.
inline void CloseAll() {
    for (int i = 0; i < 16; ++i) {
        auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!open) break;
        open->done(kResultCancel);
    }
}

// Runs steps one per turn of the event loop on the screen in front. The next
// step is queued before the current one runs, so a press that opens a screen
// runs the rest of the steps inside that screen's modal loop.
class Driver {
public:
    void Queue(std::vector<Step> steps) {
        m_steps.assign(steps.begin(), steps.end());
        QTimer::singleShot(0, &m_context, [this] { Next(); });
    }

private:
    void Next() {
        if (m_steps.empty()) {
            QTimer::singleShot(2000, &m_context, [] {
                if (!QApplication::activeModalWidget()) return;
                ADD_FAILURE() << "a screen was left open";
                CloseAll();
            });
            return;
        }
        Step step = std::move(m_steps.front());
        m_steps.pop_front();
        QTimer::singleShot(0, &m_context, [this] { Next(); });
        auto* front = qobject_cast<CDialogBase*>(QApplication::activeModalWidget());
        if (front) step(*front);
        else ADD_FAILURE() << "no screen in front";
        if (!front || ::testing::Test::HasFailure()) {
            m_steps.clear();
            CloseAll();
        }
    }

    std::deque<Step> m_steps;
    QObject m_context;  // pending steps die with the driver
};

// Runs act on the modal screen with templateId as soon as it shows.
inline void WhenShown(int templateId, std::function<void(CDialogBase&)> act) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, templateId, act = std::move(act)] {
        auto* d = qobject_cast<CDialogBase*>(QApplication::activeModalWidget());
        if (!d || !d->isVisible() || d->TemplateId() != templateId) return;
        poll->stop();
        poll->deleteLater();
        act(*d);
    });
    poll->start();
}

// A screen built and initialised as for display, not shown:
// Opened<CStatusDialog> screen(*hw, *radio);
template <class Screen>
struct Opened : Screen {
    template <class... Args>
    explicit Opened(Args&&... args) : Screen(std::forward<Args>(args)...) { this->InitForDisplay(); }
};

// The texts of the items ids, one a line: one comparison for a screen's rows.
inline QString Texts(CDialogBase& screen, std::initializer_list<int> ids) {
    QStringList texts;
    for (int id : ids) texts << screen.ItemText(id);
    return texts.join('\n');
}

// One queue of steps after another.
inline std::vector<Step> operator+(std::vector<Step> a, const std::vector<Step>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Step Press(int id) {
    return [id](CDialogBase& screen) {
        auto* button = screen.Item<QAbstractButton>(id);
        ASSERT_NE(button, nullptr) << "control " << id << " on screen " << screen.TemplateId();
        ASSERT_TRUE(button->isVisible() && button->isEnabled())
            << "control " << id << " on screen " << screen.TemplateId() << " cannot be pressed";
        button->click();
    };
}

// Digits and points on a keypad whose digit keys start at firstDigit.
inline Step Keys(int firstDigit, int point, std::string keys) {
    return [=](CDialogBase& screen) {
        for (char k : keys) screen.Item<QAbstractButton>(k == '.' ? point : firstDigit + (k - '0'))->click();
    };
}

inline Step OnScreen(int templateId, std::function<void(CDialogBase&)> check) {
    return [templateId, check](CDialogBase& screen) {
        ASSERT_EQ(screen.TemplateId(), templateId);
        check(screen);
    };
}

