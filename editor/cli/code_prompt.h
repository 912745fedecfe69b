// Codes for the PIN runner, read from the terminal without echo or from a
// descriptor handed over by a script; never from the command line, where
// every user of the machine could read them.
#pragma once

#include "core/pin_runner.h"

namespace brisken::cli {

enum class LineResult { Ok, End, TooLong, Failed };

// One line of at most SecretText::kCapacity characters from `fd`, without
// its line end. Reads byte by byte so that nothing after the line is taken
// from the descriptor; the bytes pass through no buffer that is not wiped.
LineResult ReadSecretLine(int fd, SecretText& text);

class CodePrompt final : public PinPrompt {
public:
    // `pinFd` < 0: the controlling terminal.
    explicit CodePrompt(int pinFd) : pinFd_(pinFd) {}

    bool AskCode(bool unblock, int retries, SecretText& code) override;
    bool AskNewPin(bool unblock, SecretText& newPin, SecretText& confirmed) override;

    // Why the last question got no code; empty when it did.
    const char* Problem() const { return problem_; }
    bool Asked() const { return asked_; }

private:
    bool Ask(const char* question, SecretText& answer);

    int pinFd_;
    const char* problem_ = "";
    bool asked_ = false;
};

} // namespace brisken::cli
