// Hotplug on the event-loop thread, with a monitor injected in place of udev.
#include "event_delay.h"
#include "hotplug.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace orrick {
namespace {

class RecordedEvents : public DeviceEvents {
public:
    void OnDeviceArrival() override { Record('+'); }
    void OnDeviceRemoval() override { Record('-'); }

    std::string marks;
    bool allOnMainThread = true;

private:
    void Record(char mark) {
        marks += mark;
        allOnMainThread = allOnMainThread && std::this_thread::get_id() == mainThread_;
    }
    std::thread::id mainThread_ = std::this_thread::get_id();
};

// Delivers events until want marks have arrived or a second has passed.
void Pump(const RecordedEvents& events, size_t want) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (events.marks.size() < want && elapsed.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
}

TEST(HotplugTest, OnlyDisksAndPartitionsComingOrGoingCount) {
    struct Case {
        BlockDeviceChange change;
        std::optional<HotplugKind> kind;
    };
    const Case cases[] = {
        {{"add", "disk", "sdb"}, HotplugKind::Arrival},
        {{"add", "partition", "sdb1"}, HotplugKind::Arrival},
        {{"remove", "disk", "sdc"}, HotplugKind::Removal},
        {{"remove", "partition", "sdc1"}, HotplugKind::Removal},
        {{"change", "disk", "sdb"}, std::nullopt}, // a card put into a slot
        {{"bind", "disk", "sdb"}, std::nullopt},
        {{"add", "disk", "loop3"}, std::nullopt},
        {{"remove", "disk", "dm-0"}, std::nullopt},
        {{"add", "", "sdb"}, std::nullopt},
        {{"", "", ""}, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClassifyBlockChange(c.change), c.kind)
            << c.change.action << " " << c.change.devtype << " " << c.change.sysname;
}

TEST(HotplugTest, ChangesFromOtherThreadsArriveInOrderOnTheLoopThread) {
    RecordedEvents events;
    auto monitor = std::make_unique<PipeBlockMonitor>();
    PipeBlockMonitor& feed = *monitor;
    HotplugNotifier notifier(std::move(monitor), events);

    std::thread device([&] {
        feed.Post({"add", "disk", "sdb"});
        feed.Post({"change", "disk", "sdb"});
        feed.Post({"add", "partition", "sdb1"});
        feed.Post({"add", "disk", "loop0"});
        feed.Post({"remove", "disk", "sdb"});
    });
    device.join();
    Pump(events, 3);
    EXPECT_EQ(events.marks, "++-");
    EXPECT_TRUE(events.allOnMainThread);
}

TEST(HotplugTest, ABurstLargerThanThePipeLosesNothing) {
    RecordedEvents events;
    auto monitor = std::make_unique<PipeBlockMonitor>();
    PipeBlockMonitor& feed = *monitor;
    HotplugNotifier notifier(std::move(monitor), events);
    // Far more wake-up bytes than a pipe holds: the queue, not the bytes, counts.
    constexpr size_t kChanges = 100000;
    std::thread device([&] {
        for (size_t i = 0; i < kChanges; ++i) {
            if (i % 2)
                feed.OnDeviceRemoval();
            else
                feed.OnDeviceArrival();
        }
    });
    device.join();
    Pump(events, kChanges);
    ASSERT_EQ(events.marks.size(), kChanges);
    EXPECT_EQ(events.marks.substr(0, 4), "+-+-");
    // Nothing more comes once the queue is empty.
    EXPECT_FALSE(feed.Receive());
}

// The window's handler scans, and the scan's waits keep the loop turning: a
// second change meanwhile is handled after the first, never inside it.
TEST(HotplugTest, AChangeDuringAHandlersWaitIsHandledAfterIt) {
    struct WaitingHandler : DeviceEvents {
        PipeBlockMonitor* feed = nullptr;
        int depth = 0;
        int deepest = 0;
        std::string marks;
        void OnDeviceArrival() override { Handle('+'); }
        void OnDeviceRemoval() override { Handle('-'); }
        void Handle(char mark) {
            deepest = std::max(deepest, ++depth);
            marks += mark;
            if (marks.size() == 1) {
                feed->OnDeviceRemoval();
                feed->OnDeviceArrival();
            }
            DelayWithEvents(30);
            marks += '.';
            --depth;
        }
    } handler;
    auto monitor = std::make_unique<PipeBlockMonitor>();
    handler.feed = monitor.get();
    HotplugNotifier notifier(std::move(monitor), handler);
    handler.feed->OnDeviceArrival();

    QElapsedTimer elapsed;
    elapsed.start();
    while (handler.marks.size() < 6 && elapsed.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(handler.marks, "+.-.+.");
    EXPECT_EQ(handler.deepest, 1);

    // The notifier listens again once the handlers are done.
    handler.feed->OnDeviceRemoval();
    elapsed.restart();
    while (handler.marks.size() < 8 && elapsed.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(handler.marks, "+.-.+.-.");
}

TEST(HotplugTest, UdevMonitorNeverBlocksWhenNothingWaits) {
    std::string error;
    auto monitor = UdevBlockMonitor::Open(error);
    if (!monitor)
        GTEST_SKIP() << "no udev here: " << error;
    EXPECT_GE(monitor->Fd(), 0);
    // Whatever the machine's devices do meanwhile, Receive returns at once.
    for (int i = 0; i < 1000 && monitor->Receive(); ++i) {
    }
    EXPECT_FALSE(monitor->Receive());
}

} // namespace
} // namespace orrick

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
