// Load: reads the book of the current view from the card. Start runs on the
// window's thread up to the worker's start; Tick, every 50 ms, moves the
// progress bar and finishes the read once the worker is done.
#pragma once

#include "core/book_transfer.h"
#include "core/card_flow.h"
#include "core/card_session.h"
#include "core/flow_worker.h"
#include "core/pin_runner.h"

#include <QString>

#include <memory>
#include <vector>

namespace brisken {

// What the window shows of a Load; implemented by the main window.
class LoadView : public CardFlowView {
public:
    virtual void ShowCardType(CardFamily family) = 0;
    virtual void Repaint() {}
    virtual void ShowIdentity(const QString& iccid) = 0;
    // Progress bar at 0 and shown, busy state, timer started, notice shown.
    virtual void BeginRead() = 0;
    virtual void ShowRows(BookKind kind, const std::vector<BookRow>& rows, int selectedRow) = 0;
    virtual void ShowStatus(BookKind kind, const QString& line) = 0;
    // Notice hidden, progress bar at 0 and hidden, idle state, New enabled.
    virtual void EndRead() = 0;
};

class BookLoader {
public:
    BookLoader(CardLibrary& library, Books& books) : library_(library), books_(books) {}
    BookLoader(const BookLoader&) = delete;
    BookLoader& operator=(const BookLoader&) = delete;

    // The Load action. true when the worker was started (Tick will finish
    // it); false when Load ended before, with its message shown.
    bool Start(BookKind kind, PinRunner& pins, PinPrompt& prompt, LoadView& view);
    // One tick of the 50 ms timer; true when this tick completed the read.
    bool Tick(LoadView& view);
    bool Running() const { return worker_.Running(); }

private:
    void Complete(LoadView& view);

    CardLibrary& library_;
    Books& books_;
    std::unique_ptr<CardSession> session_;
    ReadRequest request_;
    int expected_ = 0;
    ReadOutcome outcome_;
    // Last: stopped and joined before the members its thread uses go, so it
    // never outlives the stores it writes.
    FlowWorker worker_;
};

} // namespace brisken
