#include "core/card_load.h"

#include "core/catalogue.h"
#include "core/trace.h"

namespace brisken {
namespace {

constexpr const char* kLoadTrace = "OnButtonReadsim";
constexpr const char* kTimerTrace = "OnTimer";

template <typename Entry>
void FinishBook(Book<Entry>& book, BookKind kind, int total, LoadView& view) {
    const std::vector<BookRow> rows = BuildRows(book);
    const int used = static_cast<int>(rows.size());
    book.values.nextRowNumber = kind == BookKind::LastDialled ? 0 : used + 1;
    book.values.notLoaded = false;
    book.values.changed = false;
    // Rows are built in slot order and numbered as they come, so they are
    // already in the order of their "No" column.
    book.selection = rows.empty() ? Selection{} : Selection{0, rows.front().slot};
    view.ShowRows(kind, rows, rows.empty() ? -1 : 0);
    view.ShowStatus(kind, StatusLine(total, used));
}

} // namespace

bool BookLoader::Start(BookKind kind, PinRunner& pins, PinPrompt& prompt, LoadView& view) {
    if (!worker_.Idle()) {
        return false;
    }
    if (!RequireTransferFunctions(library_, kind, false)) {
        return false;
    }

    session_ = std::make_unique<CardSession>(library_);
    Trace(kLoadTrace, 0);
    if (session_->Connect() != QUARN_OK) {
        Trace(kLoadTrace, "0.1");
        if (session_->Connect() != QUARN_OK) {
            view.Message(kMsgConnectFailed);
            session_.reset();
            return false;
        }
    }
    if (!IdentifyCard(*session_, view)) {
        session_.reset();
        return false;
    }
    view.ShowCardType(session_->Family());
    view.Repaint();
    Trace(kLoadTrace, 3);

    if (session_->Info().pinEnabled != 0 &&
        !pins.Run(PinOperation::Verify, *session_, prompt, [&view](int id) { view.Message(id); })) {
        session_.reset(); // closes the session
        return false;
    }
    Trace(kLoadTrace, 4);
    view.ShowIdentity(QString::fromLatin1(session_->Iccid()));

    if (!OpenBook(*session_, kind, request_, view)) {
        session_.reset();
        return false;
    }

    Trace(kLoadTrace, 5);
    expected_ = ExpectedRecords(request_);
    outcome_ = {};
    worker_.Begin();
    view.BeginRead();
    Trace(kLoadTrace, 6);
    worker_.Launch([this](std::stop_token stop) {
        outcome_ = ReadPhoneData(library_, request_, books_, worker_.Progress(), std::move(stop));
    });
    Trace(kLoadTrace, 7);
    return true;
}

bool BookLoader::Tick(LoadView& view) {
    Trace(kTimerTrace, 0);
    if (!worker_.Running()) {
        return false;
    }
    // Complete only once the worker has published its last write; a full
    // bar alone does not say that the book values are in place.
    if (!worker_.Report(expected_, view)) {
        return false;
    }
    Complete(view);
    return true;
}

void BookLoader::Complete(LoadView& view) {
    view.StopTimer();
    worker_.Join();
    session_.reset(); // Quarn_DisConnect
    Trace(kTimerTrace, 1);
    switch (request_.kind) {
    case BookKind::Phone:
        FinishBook(books_.phone, BookKind::Phone,
                   request_.usim ? books_.phoneBookTotal : books_.phone.values.cardRecordCount,
                   view);
        break;
    case BookKind::LastDialled:
        FinishBook(books_.lastDialled, BookKind::LastDialled,
                   books_.lastDialled.values.cardRecordCount, view);
        break;
    case BookKind::Sms:
        FinishBook(books_.sms, BookKind::Sms, books_.sms.values.cardRecordCount, view);
        break;
    }
    Trace(kTimerTrace, 2);
    view.EndRead();
    Trace(kTimerTrace, 3);
    if (outcome_.unreadable > 0) {
        view.Message(kMsgRecordsNotRead, QString::number(outcome_.unreadable));
    }
}

} // namespace brisken
