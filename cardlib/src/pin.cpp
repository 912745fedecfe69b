// PIN (CHV1) operations. The library never keeps a PIN: each call builds its
// blocks on the stack, sends them once and wipes them before returning. No
// PIN byte reaches a log or an error text.
#include "pin.h"

#include <cstring>

#include "session.h"

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

    void Put(std::size_t block, const char* digits, unsigned length) {
        std::memcpy(bytes_ + block * kPinBlockSize, digits, length);
    }
    const std::uint8_t* data() const { return bytes_; }

private:
    std::uint8_t bytes_[2 * kPinBlockSize];
};

bool LengthAllowed(const char* digits, unsigned length) {
    return digits != nullptr && length >= 1 && length <= kPinBlockSize;
}

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

QuarnResult OnePinCommand(QuarnConnection connection, std::uint8_t ins, const char* pin,
                          unsigned length) {
    if (!LengthAllowed(pin, length))
        return QUARN_E_BAD_PIN_LENGTH;
    const CardLink* link = FindConnection(connection);
    if (!link)
        return pcsc::kInvalidHandle;
    PinBlocks blocks;
    blocks.Put(0, pin, length);
    return SendPinCommand(*link, ins, kChv1, blocks, 1);
}

QuarnResult TwoPinCommand(QuarnConnection connection, std::uint8_t ins, std::uint8_t p2,
                          const char* first, unsigned firstLength, const char* second,
                          unsigned secondLength) {
    if (!LengthAllowed(first, firstLength) || !LengthAllowed(second, secondLength))
        return QUARN_E_BAD_PIN_LENGTH;
    const CardLink* link = FindConnection(connection);
    if (!link)
        return pcsc::kInvalidHandle;
    PinBlocks blocks;
    blocks.Put(0, first, firstLength);
    blocks.Put(1, second, secondLength);
    return SendPinCommand(*link, ins, p2, blocks, 2);
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

} // namespace nimbrel

using namespace nimbrel;

extern "C" {

QUARN_API QuarnResult QUARN_CALL Quarn_VerifySIMCHV(QuarnConnection connection, const char* pin,
                                                    unsigned length) {
    return OnePinCommand(connection, kInsVerify, pin, length);
}

QUARN_API QuarnResult QUARN_CALL Quarn_EnableSIMCHV(QuarnConnection connection, const char* pin,
                                                    unsigned length) {
    return OnePinCommand(connection, kInsEnable, pin, length);
}

QUARN_API QuarnResult QUARN_CALL Quarn_DisableSIMCHV(QuarnConnection connection, const char* pin,
                                                     unsigned length) {
    return OnePinCommand(connection, kInsDisable, pin, length);
}

QUARN_API QuarnResult QUARN_CALL Quarn_ChangeSIMCHV(QuarnConnection connection, const char* oldPin,
                                                    unsigned oldLength, const char* newPin,
                                                    unsigned newLength) {
    return TwoPinCommand(connection, kInsChange, kChv1, oldPin, oldLength, newPin, newLength);
}

// GSM 11.11 numbers CHV1 as 00 in UNBLOCK CHV.
QUARN_API QuarnResult QUARN_CALL Quarn_UnBlockSIMCHV(QuarnConnection connection, const char* puk,
                                                     unsigned pukLength, const char* newPin,
                                                     unsigned newLength) {
    return TwoPinCommand(connection, kInsUnblock, 0x00, puk, pukLength, newPin, newLength);
}

} // extern "C"
