// Save: writes the changed entries of the current view's book back to the
// card. Start runs on the window's thread up to the worker's start; Tick,
// every 50 ms, moves the progress bar and finishes once the worker is done.
#pragma once

#include "core/book_transfer.h"
#include "core/card_flow.h"
#include "core/card_session.h"
#include "core/flow_worker.h"
#include "core/pin_runner.h"

#include <bitset>
#include <memory>

namespace brisken {

// What the window shows of a Save; implemented by the main window.
class SaveView : public CardFlowView {
public:
    // Progress bar at 0 and shown, busy state, timer started, notice shown.
    virtual void BeginWrite() = 0;
    // Every row of the book's list drawn black except those of `failed`
    // slots, which stay marked as changed.
    virtual void ShowWritten(BookKind kind, const std::bitset<kStoreSlots>& failed) = 0;
    // Notice hidden, progress bar at 0 and hidden, idle state.
    virtual void ShowStatus(BookKind kind, const QString& line) = 0;
    virtual void EndWrite() = 0;
};

class BookSaver {
public:
    BookSaver(CardLibrary& library, Books& books) : library_(library), books_(books) {}
    BookSaver(const BookSaver&) = delete;
    BookSaver& operator=(const BookSaver&) = delete;

    // The Save action. true when the worker was started (Tick will finish
    // it); false when Save ended before, with its message shown.
    bool Start(BookKind kind, PinRunner& pins, PinPrompt& prompt, SaveView& view);
    // One tick of the 50 ms timer; true when this tick completed the write.
    bool Tick(SaveView& view);
    bool Running() const { return worker_.Running(); }
    // What the last completed Save did.
    const WriteOutcome& Outcome() const { return outcome_; }

private:
    void Complete(SaveView& view);

    CardLibrary& library_;
    Books& books_;
    std::unique_ptr<CardSession> session_;
    ReadRequest request_;
    int expected_ = 0;
    WriteOutcome outcome_;
    // Last: stopped and joined before the members its thread uses go, so it
    // never outlives the stores it reads.
    FlowWorker worker_;
};

} // namespace brisken
