// A walk through everything the main window offers a user against a real
// card: Load with a wrong and a right PIN, selecting, editing, New and Delete
// in both books, and every PIN action up to unblocking a card that wrong
// codes have blocked. The card's PIN is 1234 and its PUK 12345678.
#pragma once

#include <QString>

namespace brisken {

class MainDialog;
class ModalHandler;

// Pictures go to `out` as tour-NN-*.png. Prints each step and what it saw;
// false when a step did not show what it should.
bool RunTour(MainDialog& window, ModalHandler& modals, const QString& out, int timeoutMs);

} // namespace brisken
