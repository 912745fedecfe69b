#include "chv.h"

#include <algorithm>
#include <array>

#include "virtual_card.h"

namespace simcard {
namespace {

constexpr std::uint8_t kInsVerify = 0x20;
constexpr std::uint8_t kInsChange = 0x24;
constexpr std::uint8_t kInsDisable = 0x26;
constexpr std::uint8_t kInsEnable = 0x28;
constexpr std::uint8_t kInsUnblock = 0x2C;
constexpr std::size_t kBlock = 8;

using Block = std::array<std::uint8_t, kBlock>;

// A secret as the card stores it: the digits, padded with FF to 8 bytes.
Block Padded(const std::string& secret) {
    Block block;
    block.fill(0xFF);
    std::copy_n(secret.begin(), std::min(secret.size(), kBlock), block.begin());
    return block;
}

Block BlockAt(const Bytes& data, std::size_t index) {
    Block block;
    std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(index * kBlock), kBlock, block.begin());
    return block;
}

std::string Unpadded(const Block& block) {
    std::string secret;
    for (std::uint8_t byte : block) {
        if (byte == 0xFF)
            break;
        secret.push_back(static_cast<char>(byte));
    }
    return secret;
}

// Status words of the two command sets for what a CHV command can meet.
struct Words {
    bool gsm;

    std::uint16_t Ok() const { return 0x9000; }
    std::uint16_t WrongP1P2() const { return gsm ? 0x6B00 : 0x6A86; }
    std::uint16_t WrongLength() const { return 0x6700; }
    // A wrong secret; `left` attempts remain.
    std::uint16_t Failed(int left) const {
        if (gsm)
            return left > 0 ? 0x9804 : 0x9840;
        return static_cast<std::uint16_t>(0x63C0 | (left & 0x0F));
    }
    std::uint16_t Blocked() const { return gsm ? 0x9840 : 0x6983; }
    // VERIFY or CHANGE of a disabled PIN.
    std::uint16_t PinDisabled() const { return gsm ? 0x9808 : 0x6984; }
    // ENABLE of an enabled PIN, DISABLE of a disabled one.
    std::uint16_t AlreadyInState() const { return gsm ? 0x9808 : 0x6985; }
};

bool KeyReferenceAllowed(const Command& command, bool gsm) {
    if (command.p1 != 0x00)
        return false;
    // GSM 11.11 numbers CHV1 as 00 in UNBLOCK CHV and 01 elsewhere; a UICC
    // names PIN1 by key reference 01, and takes 00 in UNBLOCK as cards in
    // the field do.
    if (command.ins == kInsUnblock)
        return command.p2 == 0x00 || (!gsm && command.p2 == 0x01);
    return command.p2 == 0x01;
}

} // namespace

Chv1Memory Chv1Memory::From(const ChvSetting& setting) {
    Chv1Memory memory;
    memory.enabled = setting.enabled;
    memory.pin = setting.pin;
    memory.retries = std::clamp(setting.retries, 0, kChvMaxAttempts);
    memory.puk = setting.puk;
    memory.unblockRetries = std::clamp(setting.unblockRetries, 0, kUnblockMaxAttempts);
    return memory;
}

bool IsChvInstruction(std::uint8_t ins) {
    return ins == kInsVerify || ins == kInsChange || ins == kInsDisable || ins == kInsEnable ||
           ins == kInsUnblock;
}

std::uint16_t RunChvCommand(Chv1Memory& memory, bool& verified, const Command& command,
                            CommandSet commandSet) {
    const Words words{commandSet == CommandSet::Gsm};
    if (!KeyReferenceAllowed(command, words.gsm))
        return words.WrongP1P2();

    // TS 102 221: VERIFY and UNBLOCK without data ask for the attempts left.
    if (!command.hasData && command.p3 == 0 && !words.gsm) {
        if (command.ins == kInsVerify) {
            if (memory.Blocked())
                return 0x63C0;
            if (!memory.enabled || verified)
                return 0x9000; // no verification needed
            return static_cast<std::uint16_t>(0x63C0 | memory.retries);
        }
        if (command.ins == kInsUnblock)
            return static_cast<std::uint16_t>(0x63C0 | memory.unblockRetries);
    }

    const bool twoBlocks = command.ins == kInsChange || command.ins == kInsUnblock;
    if (!command.hasData || command.data.size() != (twoBlocks ? 2 : 1) * kBlock)
        return words.WrongLength();

    if (command.ins == kInsUnblock) {
        if (memory.unblockRetries == 0)
            return words.Blocked();
        if (BlockAt(command.data, 0) != Padded(memory.puk)) {
            --memory.unblockRetries;
            return words.Failed(memory.unblockRetries);
        }
        memory.pin = Unpadded(BlockAt(command.data, 1));
        memory.retries = kChvMaxAttempts;
        memory.unblockRetries = kUnblockMaxAttempts;
        memory.enabled = true;
        verified = true;
        return words.Ok();
    }

    if (memory.Blocked())
        return words.Blocked();
    switch (command.ins) {
    case kInsVerify:
    case kInsChange:
        if (!memory.enabled)
            return words.PinDisabled();
        break;
    case kInsDisable:
        if (!memory.enabled)
            return words.AlreadyInState();
        break;
    case kInsEnable:
        if (memory.enabled)
            return words.AlreadyInState();
        break;
    }
    if (BlockAt(command.data, 0) != Padded(memory.pin)) {
        --memory.retries;
        if (memory.retries == 0)
            verified = false;
        return words.Failed(memory.retries);
    }
    memory.retries = kChvMaxAttempts;
    switch (command.ins) {
    case kInsVerify:
        verified = true;
        break;
    case kInsChange:
        memory.pin = Unpadded(BlockAt(command.data, 1));
        verified = true;
        break;
    case kInsDisable:
        memory.enabled = false;
        break;
    case kInsEnable:
        memory.enabled = true;
        verified = true;
        break;
    }
    return words.Ok();
}

} // namespace simcard

namespace simcard {

Bytes VirtualCard::Chv(const Command& command) {
    std::uint16_t word =
        RunChvCommand(memory_.chv1, session_.chv1Verified, command, profile_.commandSet);
    return {static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word & 0xFF)};
}

} // namespace simcard
