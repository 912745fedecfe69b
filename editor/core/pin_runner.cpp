#include "core/pin_runner.h"

#include "core/catalogue.h"

#include <algorithm>
#include <cstring>
#include <string.h>

namespace brisken {

void SecretText::Set(const char16_t* text, std::size_t length) {
    Clear();
    length_ = std::min(length, kCapacity);
    std::copy_n(text, length_, units_);
}

bool SecretText::operator==(const SecretText& other) const {
    return length_ == other.length_ && std::equal(units_, units_ + length_, other.units_);
}

void SecretText::Clear() {
    ::explicit_bzero(units_, sizeof units_);
    length_ = 0;
}

PinRunner::CardCode::CardCode() {
    std::memset(bytes, 0xFF, sizeof bytes);
}

PinRunner::CardCode::~CardCode() {
    ::explicit_bzero(bytes, sizeof bytes);
}

void PinRunner::Forget() {
    ::explicit_bzero(pin_, sizeof pin_);
    pinLength_ = 0;
    remembered_ = false;
    iccid_.clear();
}

void PinRunner::ToCardCode(const SecretText& text, CardCode& code) {
    std::memset(code.bytes, 0xFF, sizeof code.bytes);
    code.length = static_cast<unsigned>(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        // Codes travel in ISO 8859-1; a character outside it cannot be on
        // the card's keypad either.
        const char16_t unit = text.data()[i];
        code.bytes[i] = unit <= 0xFF ? static_cast<char>(unit) : '?';
    }
}

void PinRunner::Remember(const CardCode& code, const std::string& iccid) {
    Forget();
    std::memcpy(pin_, code.bytes, sizeof pin_);
    pinLength_ = code.length;
    iccid_ = iccid;
    remembered_ = true;
}

bool PinRunner::Run(PinOperation operation, CardSession& session, PinPrompt& prompt,
                    const MessageSink& messages) {
    CardLibrary& library = session.Library();
    const QuarnConnection connection = session.Connection();
    const std::string iccid = session.Iccid();
    CardCode code;
    bool haveCode = false;

    // A blocked card refuses any PIN: asking for one would only end in 124,
    // while the way out is Unblock.
    if (operation == PinOperation::Verify && session.Info().pinBlocked != 0) {
        messages(kMsgCardBlocked);
        return false;
    }

    if (remembered_ && operation != PinOperation::Unblock) {
        if (iccid != iccid_) {
            // Another card: the remembered PIN would spend one of its
            // attempts, so it is left alone and the user is asked instead.
            messages(kMsgRememberedPinOtherCard);
        } else if (operation == PinOperation::Enable || operation == PinOperation::Disable) {
            std::memcpy(code.bytes, pin_, sizeof code.bytes);
            code.length = pinLength_;
            haveCode = true;
        } else if (library.VerifySIMCHV(connection, pin_, pinLength_) == QUARN_OK) {
            if (operation == PinOperation::Verify) {
                return true;
            }
            std::memcpy(code.bytes, pin_, sizeof code.bytes);
            code.length = pinLength_;
            haveCode = true;
        } else {
            Forget();
        }
    }

    if (!haveCode) {
        const bool unblock = operation == PinOperation::Unblock;
        const int retries = unblock ? session.Info().pukRetries : session.Info().pinRetries;
        SecretText typed;
        if (!prompt.AskCode(unblock, retries, typed)) {
            return false;
        }
        ToCardCode(typed, code);
        if (operation == PinOperation::Verify || operation == PinOperation::Change) {
            if (library.VerifySIMCHV(connection, code.bytes, code.length) != QUARN_OK) {
                messages(kMsgVerifyPinFailed);
                Forget();
                return false;
            }
            Remember(code, iccid);
            if (operation == PinOperation::Verify) {
                return true;
            }
        }
    }

    switch (operation) {
    case PinOperation::Verify:
        return true;
    case PinOperation::Change:
    case PinOperation::Unblock: {
        const bool unblock = operation == PinOperation::Unblock;
        SecretText newPin;
        SecretText confirmed;
        if (!prompt.AskNewPin(unblock, newPin, confirmed)) {
            return false;
        }
        if (!(newPin == confirmed)) {
            messages(kMsgPinsDiffer);
            session.Disconnect();
            return false;
        }
        CardCode newCode;
        ToCardCode(newPin, newCode);
        const QuarnResult result = unblock
                                       ? library.UnBlockSIMCHV(connection, code.bytes, code.length,
                                                               newCode.bytes, newCode.length)
                                       : library.ChangeSIMCHV(connection, code.bytes, code.length,
                                                              newCode.bytes, newCode.length);
        if (result != QUARN_OK) {
            messages(unblock ? kMsgUnblockFailed : kMsgChangePinFailed);
            return false;
        }
        messages(unblock ? kMsgUnblockDone : kMsgChangePinDone);
        Forget();
        return true;
    }
    case PinOperation::Enable:
        if (library.EnableSIMCHV(connection, code.bytes, code.length) != QUARN_OK) {
            messages(kMsgEnablePinFailed);
            return false;
        }
        messages(kMsgEnablePinDone);
        return true;
    case PinOperation::Disable:
        if (library.DisableSIMCHV(connection, code.bytes, code.length) != QUARN_OK) {
            messages(kMsgDisablePinFailed);
            return false;
        }
        messages(kMsgDisablePinDone);
        return true;
    }
    return false;
}

void RunPinAction(PinAction action, CardLibrary& library, PinRunner& runner, PinPrompt& prompt,
                  MessageSink messages) {
    if (!library.Require({NimbrelFunction::Connect, NimbrelFunction::ConnectAssignReader,
                          NimbrelFunction::DisConnect, NimbrelFunction::GetUSIMCardInfo,
                          NimbrelFunction::GetSIMCardInfo, NimbrelFunction::VerifySIMCHV,
                          NimbrelFunction::ChangeSIMCHV, NimbrelFunction::EnableSIMCHV,
                          NimbrelFunction::DisableSIMCHV, NimbrelFunction::UnBlockSIMCHV})) {
        return;
    }
    CardSession session(library);
    if (session.Connect() != QUARN_OK) {
        messages(kMsgConnectFailed);
        return;
    }
    switch (session.Identify(false)) {
    case IdentifyResult::Identified:
        break;
    case IdentifyResult::ConnectFailed:
        messages(kMsgConnectFailed);
        return;
    case IdentifyResult::InfoFailed:
        messages(kMsgReadDataFailed);
        return;
    }
    const _CARD_INFO& info = session.Info();
    const bool blocked = info.pinBlocked != 0;
    const bool enabled = info.pinEnabled != 0;
    switch (action) {
    case PinAction::Change:
    case PinAction::Disable:
        if (blocked) {
            messages(kMsgCardBlocked);
        } else if (!enabled) {
            messages(kMsgPinDisabled);
        } else {
            runner.Run(action == PinAction::Change ? PinOperation::Change : PinOperation::Disable,
                       session, prompt, messages);
        }
        break;
    case PinAction::Enable:
        if (blocked) {
            messages(kMsgCardBlocked);
        } else if (enabled) {
            messages(kMsgPinEnabled);
        } else {
            runner.Run(PinOperation::Enable, session, prompt, messages);
        }
        break;
    case PinAction::Unblock:
        if (info.pinRetries != 0) {
            messages(kMsgCardNotBlocked);
        } else if (info.pukRetries != 0) {
            runner.Run(PinOperation::Unblock, session, prompt, messages);
        } else {
            messages(kMsgCannotUnblock);
        }
        break;
    }
    session.Disconnect();
}

} // namespace brisken
