// The delay keeps the calling thread's events flowing and waits at least as long as asked.
#include "event_delay.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace orrick::testing {
namespace {

TEST(DelayWithEventsTest, DeliversEventsWhileWaiting) {
    int argc = 1;
    char name[] = "orrick_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    bool fired = false;
    QTimer::singleShot(5, &app, [&] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    DelayWithEvents(60);
    EXPECT_TRUE(fired);
    EXPECT_GE(clock.elapsed(), 60);
}

TEST(DelayWithEventsTest, WorksWithoutAnApplicationObject) {
    QElapsedTimer clock;
    clock.start();
    DelayWithEvents(20);
    EXPECT_GE(clock.elapsed(), 20);
    DelayWithEvents(0);
}

} // namespace
} // namespace orrick::testing
