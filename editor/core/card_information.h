// The card information action: identifies the card, measures the size of
// all its files on a worker while a one-second timer moves the bar, and
// shows the total, phone-book and SMS sizes.
#pragma once

#include "core/card_flow.h"
#include "core/card_session.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

namespace brisken {

// What the window shows of the action; implemented by the main window.
class CardInfoView : public CardFlowView {
public:
    virtual void ShowCardType(CardFamily family) = 0;
    virtual void Repaint() {}
    // The window thread waits; tests need not.
    virtual void Pause(int milliseconds) = 0;
    // Progress bar at 0 and shown, busy state, timer started, notice shown.
    virtual void BeginMeasure() = 0;
    // Notice hidden, progress bar at 0 and hidden, idle state; New enabled
    // after a measurement that succeeded.
    virtual void EndMeasure(bool succeeded) = 0;
    // A message box with a text built here rather than from the catalogue.
    virtual void ShowText(const QString& text) = 0;
};

// The sizes message in the interface language; sizes in bytes and whole KB.
QString CardSizesText(std::uint32_t totalBytes, std::int32_t phoneBookBytes, std::int32_t smsBytes);

class CardInformation {
public:
    static constexpr int kIdentifiedPauseMs = 500;
    static constexpr int kStepUpMs = 30;

    explicit CardInformation(CardLibrary& library) : library_(library) {}
    // Waits for a running measurement: it cannot be interrupted, and the
    // session it uses must stay open until it returns.
    ~CardInformation();
    CardInformation(const CardInformation&) = delete;
    CardInformation& operator=(const CardInformation&) = delete;

    // OnButtonSiminfo. true when the measurement was started.
    bool Start(CardInfoView& view);
    // One tick of the one-second timer; true when this tick completed it.
    bool Tick(CardInfoView& view);
    bool Running() const { return running_; }
    int Progress() const { return progress_; }
    // The total of the last measurement, read once Tick has completed it
    // and shown the sizes (the window shows it only as text).
    std::uint32_t MeasuredTotal() const { return running_ ? 0 : totalSize_; }

private:
    CardLibrary& library_;
    std::unique_ptr<CardSession> session_;
    _CARD_INFO info_{};
    // Written by the worker before it sets `done_` (release); read by the
    // window thread only after it has seen `done_` set (acquire).
    std::uint32_t totalSize_ = 0;
    QuarnResult sizeResult_ = QUARN_OK;
    std::atomic<bool> done_{false};
    int progress_ = 0;
    bool running_ = false;
    std::jthread worker_;
};

} // namespace brisken
