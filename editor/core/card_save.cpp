#include "core/card_save.h"

#include "core/catalogue.h"

#include <algorithm>

namespace brisken {
namespace {

int NotLoadedMessage(BookKind kind) {
    switch (kind) {
    case BookKind::Phone:
        return kMsgLoadPhoneBookFirst;
    case BookKind::LastDialled:
        return kMsgLoadLastDialedFirst;
    case BookKind::Sms:
        break;
    }
    return kMsgLoadSmsBookFirst;
}

// The book after its write: its changed flag stays set while any record is
// still to be written, and only the rows actually written turn black.
template <typename Entry>
void FinishBook(Book<Entry>& book, BookKind kind, int total, const WriteOutcome& outcome,
                SaveView& view) {
    if (outcome.notWritten == 0) {
        book.values.changed = false;
    }
    view.ShowWritten(kind, outcome.failed);
    view.ShowStatus(kind, StatusLine(total, static_cast<int>(BuildRows(book).size())));
}

} // namespace

bool BookSaver::Start(BookKind kind, PinRunner& pins, PinPrompt& prompt, SaveView& view) {
    if (!worker_.Idle()) {
        return false;
    }
    const BookValues& values = kind == BookKind::Phone         ? books_.phone.values
                               : kind == BookKind::LastDialled ? books_.lastDialled.values
                                                               : books_.sms.values;
    if (values.notLoaded) {
        view.Message(NotLoadedMessage(kind));
        return false;
    }
    if (!RequireTransferFunctions(library_, kind, true)) {
        return false;
    }

    session_ = std::make_unique<CardSession>(library_);
    if (session_->Connect() != QUARN_OK) {
        view.Message(kMsgConnectFailed);
        session_.reset();
        return false;
    }
    if (!IdentifyCard(*session_, view)) {
        session_.reset();
        return false;
    }
    if (session_->Info().pinEnabled != 0 &&
        !pins.Run(PinOperation::Verify, *session_, prompt, [&view](int id) { view.Message(id); })) {
        session_.reset();
        return false;
    }
    if (!OpenBook(*session_, kind, request_, view)) {
        session_.reset();
        return false;
    }

    expected_ = ExpectedWrites(request_);
    outcome_ = {};
    worker_.Begin();
    view.BeginWrite();
    worker_.Launch([this](std::stop_token stop) {
        outcome_ = WritePhoneData(library_, request_, books_, worker_.Progress(), std::move(stop));
    });
    return true;
}

bool BookSaver::Tick(SaveView& view) {
    if (!worker_.Running()) {
        return false;
    }
    // Only a finished worker has examined its last result and let go of the
    // session and the store; a full bar alone says neither.
    if (!worker_.Report(expected_, view)) {
        return false;
    }
    Complete(view);
    return true;
}

void BookSaver::Complete(SaveView& view) {
    view.StopTimer();
    worker_.Join();
    session_.reset(); // Quarn_DisConnect
    const int fileRecords = std::clamp(request_.file.recordCount, 0, kStoreSlots);
    switch (request_.kind) {
    case BookKind::Phone:
        FinishBook(books_.phone, BookKind::Phone,
                   request_.usim ? books_.phoneBookTotal : fileRecords, outcome_, view);
        break;
    case BookKind::LastDialled:
        FinishBook(books_.lastDialled, BookKind::LastDialled, fileRecords, outcome_, view);
        break;
    case BookKind::Sms:
        FinishBook(books_.sms, BookKind::Sms, fileRecords, outcome_, view);
        break;
    }
    view.EndWrite();
    if (outcome_.notWritten > 0) {
        view.Message(kMsgRecordsNotWritten, QString::number(outcome_.notWritten));
    }
}

} // namespace brisken
