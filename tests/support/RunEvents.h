#pragma once

#include "foundation/SynchronizeU.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace quarn::test {

// Runs the GUI loop (workers' calls onto the GUI thread, timers, painting) until `done` holds (true) or
// `limitMs` have passed (false).
template <typename Done> bool RunEventsUntil(Done done, int limitMs = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        DispatchPendingSynchronizeCalls();
    }
    return true;
}

} // namespace quarn::test
