// PIN (CHV1) operations. The library never keeps a PIN: each call builds its
// blocks on the stack, sends them once and wipes them before returning. No
// PIN byte reaches a log or an error text.
#include "pin.h"

#include <cstring>

namespace nimbrel {
namespace {

constexpr std::uint8_t kInsVerify = 0x20;
constexpr std::uint8_t kInsChange = 0x24;
constexpr std::uint8_t kInsDisable = 0x26;
constexpr std::uint8_t kInsEnable = 0x28;
constexpr std::uint8_t kInsUnblock = 0x2C;
constexpr std::uint8_t kChv1 = 0x01;

// One or two PIN blocks as they go to the card; wiped however the call ends.
class PinBlocks {
public:
    PinBlocks() { std::memset(bytes_, 0xFF, sizeof bytes_); }
    ~PinBlocks() { WipeSecret(bytes_, sizeof bytes_); }
    PinBlocks(const PinBlocks&) = delete;
    PinBlocks& operator=(const PinBlocks&) = delete;

    void Put(std::size_t block, const PinText& pin) {
        std::memcpy(bytes_ + block * kPinBlockSize, pin.digits, pin.length);
    }
    const std::uint8_t* data() const { return bytes_; }

private:
    std::uint8_t bytes_[2 * kPinBlockSize];
};

// Sends a PIN command; exactly 9000 is success.
QuarnResult SendPinCommand(const CardLink& link, std::uint8_t ins, std::uint8_t p2,
                           const PinBlocks& blocks, std::uint8_t blockCount) {
    const Response response =
        Transmit(link, Command::Sending(ClassByte(), ins, 0x00, p2,
                                        std::span(blocks.data(), blockCount * kPinBlockSize)));
    if (!response.ok())
        return response.result;
    return RequireSuccessWord(response.sw);
}

struct PinCommand {
    std::uint8_t ins;
    std::uint8_t p2;
    std::uint8_t blocks;
};

PinCommand CommandOf(PinOperation operation) {
    switch (operation) {
    case PinOperation::Verify:
        return {kInsVerify, kChv1, 1};
    case PinOperation::Enable:
        return {kInsEnable, kChv1, 1};
    case PinOperation::Disable:
        return {kInsDisable, kChv1, 1};
    case PinOperation::Change:
        return {kInsChange, kChv1, 2};
    case PinOperation::Unblock:
        // GSM 11.11 numbers CHV1 as 00 in UNBLOCK CHV.
        return {kInsUnblock, 0x00, 2};
    }
    return {kInsVerify, kChv1, 1};
}

QuarnResult QueryAttempts(const CardLink& link, std::uint8_t ins, std::uint8_t* attempts) {
    const Response response =
        Transmit(link, Command::Expecting(ClassByte(), ins, 0x00, kChv1, 0x00));
    if (!response.ok())
        return response.result;
    if (response.sw1() != 0x63 || (response.sw2() & 0xF0) != 0xC0)
        return QUARN_E_STATUS_BASE + response.sw;
    *attempts = response.sw2() & 0x0F;
    return QUARN_OK;
}

} // namespace

QuarnResult QueryPinAttempts(const CardLink& link, std::uint8_t* attempts) {
    return QueryAttempts(link, kInsVerify, attempts);
}

QuarnResult QueryPukAttempts(const CardLink& link, std::uint8_t* attempts) {
    return QueryAttempts(link, kInsUnblock, attempts);
}

bool PinLengthAllowed(const PinText& pin) {
    return pin.digits != nullptr && pin.length >= 1 && pin.length <= kPinBlockSize;
}

QuarnResult SendOnePin(const CardLink& link, PinOperation operation, const PinText& pin) {
    return SendTwoPins(link, operation, pin, pin);
}

QuarnResult SendTwoPins(const CardLink& link, PinOperation operation, const PinText& first,
                        const PinText& second) {
    if (!PinLengthAllowed(first) || !PinLengthAllowed(second))
        return QUARN_E_BAD_PIN_LENGTH;
    const PinCommand command = CommandOf(operation);
    PinBlocks blocks;
    blocks.Put(0, first);
    if (command.blocks == 2)
        blocks.Put(1, second);
    return SendPinCommand(link, command.ins, command.p2, blocks, command.blocks);
}

} // namespace nimbrel
