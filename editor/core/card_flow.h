// What Load, Save and card information share: the window effects common to
// the three flows, and the identification and Open steps that they run in
// the same way.
#pragma once

#include "core/book_transfer.h"
#include "core/card_session.h"

#include <QString>

namespace brisken {

class CardFlowView {
public:
    virtual ~CardFlowView() = default;
    virtual void Message(int messageId, const QString& argument = {}) = 0;
    virtual void SetProgress(int percent) = 0;
    // The flow's timer is stopped before anything else of its completion.
    virtual void StopTimer() = 0;
};

// Card identification with its messages: 118 when the reconnect fails, 119
// when the card information cannot be read (the session is then closed).
bool IdentifyCard(CardSession& session, CardFlowView& view);

// Opens the book of `kind` on the identified session and fills `request`
// with what the worker needs. false after message 120, 121 or 177; the
// caller closes the session.
bool OpenBook(CardSession& session, BookKind kind, ReadRequest& request, CardFlowView& view);

// The library functions a Load (write false) or Save of `kind` needs: those
// of connect, identify and PIN first, then the book's own.
bool RequireTransferFunctions(CardLibrary& library, BookKind kind, bool write);

} // namespace brisken
