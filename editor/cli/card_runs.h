// Load, Save and the file-map walk of the editor's core, run to completion
// from a terminal: the same flows the window drives from its timers, with
// their messages on standard error and a progress bar when that is a
// terminal.
#pragma once

#include "cli/code_prompt.h"
#include "core/book_transfer.h"
#include "core/card_session.h"
#include "core/pin_runner.h"

#include <QString>

#include <bitset>
#include <cstdint>
#include <optional>

namespace brisken::cli {

// Standard error, for everything that is not data.
class Console {
public:
    explicit Console(bool quiet);
    void Say(const QString& text) const;
    // A catalogue message in the interface language.
    void Message(int messageId, const QString& argument = {}) const;
    // Only on a terminal; redrawn in place.
    void Progress(const QString& label, int percent);
    void EndProgress();

private:
    bool bar_ = false;
    bool drawn_ = false;
    int lastPercent_ = -1;
};

// How a flow that stopped before its worker ended: the exit code it asks for.
int FailureExit(const CodePrompt& prompt);

struct BookRead {
    bool loaded = false;
    int exitCode = 0; // when not loaded
    int failedMessage = 0;
    int unreadable = 0;
    CardFamily family = CardFamily::Unknown;
    QString iccid;
};

BookRead LoadBook(CardLibrary& library, BookKind kind, Books& books, PinRunner& pins,
                  CodePrompt& prompt, Console& console);

struct BookWrite {
    bool started = false;
    int exitCode = 0; // when not started
    WriteOutcome outcome;
};

BookWrite SaveBook(CardLibrary& library, BookKind kind, Books& books, PinRunner& pins,
                   CodePrompt& prompt, Console& console);

struct CardSizes {
    bool measured = false;
    std::uint32_t totalBytes = 0;
};

// The whole-card size walk.
CardSizes MeasureCard(CardLibrary& library, Console& console);

QString FamilyName(CardFamily family);

} // namespace brisken::cli
