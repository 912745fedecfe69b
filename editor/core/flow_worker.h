// The worker thread of a Load or a Save, with the progress it reports and
// the guards around its start, owned in one place for both flows.
#pragma once

#include "core/book_transfer.h"
#include "core/card_flow.h"

#include <stop_token>
#include <thread>
#include <utility>

namespace brisken {

class FlowWorker {
public:
    FlowWorker() = default;
    // Nothing waits for the rest of a transfer nobody will see: the worker
    // stops after its current record.
    ~FlowWorker() {
        if (thread_.joinable()) {
            thread_.request_stop();
            thread_.join();
        }
    }
    FlowWorker(const FlowWorker&) = delete;
    FlowWorker& operator=(const FlowWorker&) = delete;

    // false while a worker runs; otherwise a finished one is joined so that
    // the next can start.
    bool Idle() {
        if (running_) {
            return false;
        }
        if (thread_.joinable()) {
            thread_.join();
        }
        return true;
    }

    // Progress back at zero and the flow running, before the view shows it.
    void Begin() {
        progress_.processed.store(0, std::memory_order_relaxed);
        progress_.busy.store(false, std::memory_order_relaxed);
        progress_.finished.store(false, std::memory_order_relaxed);
        running_ = true;
    }
    // Runs `body(stop_token)` on a new thread. The thread start publishes
    // everything the caller wrote before to it.
    template <typename Body> void Launch(Body body) { thread_ = std::jthread(std::move(body)); }

    // Moves the view's progress bar towards `expected` records. true once the
    // worker has finished: the acquire makes its last writes visible here.
    bool Report(int expected, CardFlowView& view) const {
        const bool finished = progress_.finished.load(std::memory_order_acquire);
        view.SetProgress(
            ReadPercent(progress_.processed.load(std::memory_order_relaxed), expected, finished));
        return finished;
    }
    // Joins a finished worker; after this its results may be read freely.
    void Join() {
        thread_.join();
        running_ = false;
    }

    bool Running() const { return running_; }
    ReadProgress& Progress() { return progress_; }

private:
    ReadProgress progress_;
    bool running_ = false;
    std::jthread thread_;
};

} // namespace brisken
