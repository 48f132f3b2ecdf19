#pragma once
// ui/QtDimTimer.h — the display-dimming timer on the screens' event loop.

#include <QObject>
#include <QTimer>

#include "hardware/UserActivity.h"

class QtDimTimer final : public QObject, public DimTimer {

public:
    QtDimTimer() {
        connect(&m_timer, &QTimer::timeout, this, [] { OnDimTimer(); });
    }
    void Start(uint32_t periodMs) override { m_timer.start(static_cast<int>(periodMs)); }
    void Stop() override { m_timer.stop(); }

private:
    QTimer m_timer;
};
