// The card's PIN (CHV1): the runner behind Load's verification and the four
// PIN actions of the window, and the seams to the dialogs that ask for codes.
#pragma once

#include "core/card_session.h"

#include <cstddef>
#include <functional>
#include <string>

namespace brisken {

class CardLibrary;

// Up to 8 characters of a PIN, PUK or new PIN; wiped on destruction and on
// Clear(). Never copied, so no stray copy outlives it.
class SecretText {
public:
    static constexpr std::size_t kCapacity = 8;

    SecretText() = default;
    ~SecretText() { Clear(); }
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;

    // Keeps at most kCapacity characters.
    void Set(const char16_t* text, std::size_t length);
    const char16_t* data() const { return units_; }
    std::size_t size() const { return length_; }
    bool operator==(const SecretText& other) const;
    void Clear();

private:
    char16_t units_[kCapacity]{};
    std::size_t length_ = 0;
};

enum class PinOperation { Verify = 0, Change = 1, Enable = 2, Disable = 3, Unblock = 4 };
// The PIN menu's three items and the Unblock button.
enum class PinAction { Change, Disable, Enable, Unblock };

// The two modal dialogs, implemented by the window.
class PinPrompt {
public:
    virtual ~PinPrompt() = default;
    // Code dialog; unblock selects the PUK texts. retries < 0 shows an empty
    // count. false = Cancel.
    virtual bool AskCode(bool unblock, int retries, SecretText& code) = 0;
    // New-PIN dialog; false = Cancel.
    virtual bool AskNewPin(bool unblock, SecretText& newPin, SecretText& confirmed) = 0;
};

// Shows catalogue message `messageId` in a message box.
using MessageSink = std::function<void(int messageId)>;

// Runs the five PIN operations. A PIN verified once is remembered, with the
// ICCID of the card it was verified on, and tried again only on that card.
class PinRunner {
public:
    PinRunner() = default;
    ~PinRunner() { Forget(); }
    PinRunner(const PinRunner&) = delete;
    PinRunner& operator=(const PinRunner&) = delete;

    // Needs a connected, identified session. true when the operation
    // succeeded; every outcome the user must hear of goes to `messages`.
    bool Run(PinOperation operation, CardSession& session, PinPrompt& prompt,
             const MessageSink& messages);

    bool HasRemembered() const { return remembered_; }
    void Forget();

private:
    // The code in the form the library takes: 8 bytes, FF after the text.
    struct CardCode {
        char bytes[8];
        unsigned length = 0;
        CardCode();
        ~CardCode();
        CardCode(const CardCode&) = delete;
        CardCode& operator=(const CardCode&) = delete;
    };
    static void ToCardCode(const SecretText& text, CardCode& code);
    void Remember(const CardCode& code, const std::string& iccid);

    bool remembered_ = false;
    char pin_[8]{};
    unsigned pinLength_ = 0;
    std::string iccid_;
};

// One PIN action of the window: connect, identify, the precondition checks,
// the runner, disconnect.
void RunPinAction(PinAction action, CardLibrary& library, PinRunner& runner, PinPrompt& prompt,
                  MessageSink messages);

} // namespace brisken
