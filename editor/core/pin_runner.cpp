#include "core/pin_runner.h"

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

bool PinRunner::Run(PinOperation, CardSession&, PinPrompt&, const MessageSink&) {
    return false;
}

void RunPinAction(PinAction, CardLibrary&, PinRunner&, PinPrompt&, MessageSink) {}

} // namespace brisken
