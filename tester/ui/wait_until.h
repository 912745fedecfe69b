// For the programs that drive the window from outside (GUI tests, the demo):
// let the event loop run until a condition holds.
#pragma once

#include <QElapsedTimer>
#include <QTest>

namespace orrick::ui {

// False when limitMs passed first.
template <typename Predicate> bool WaitUntil(Predicate done, int limitMs = 30000, int stepMs = 10) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > limitMs)
            return false;
        QTest::qWait(stepMs);
    }
    return true;
}

} // namespace orrick::ui
