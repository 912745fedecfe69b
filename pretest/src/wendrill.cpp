// SIM-slot pre-test: a short GSM-class walk to the phone book on a card
// handle owned by the caller.
#include "wendrill.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

constexpr std::uint8_t kClaGsm = 0xA0;
constexpr std::size_t kReceiveRoom = 300;
constexpr std::size_t kRecordReceiveRoom = 256;
constexpr std::size_t kRecordLengthOffset = 14; // in a GSM SELECT response
// Room for the ATR that SCardStatus reports: pcsc-lite names its limit,
// Windows allows 36 bytes.
#ifdef MAX_ATR_SIZE
constexpr std::size_t kAtrRoom = MAX_ATR_SIZE;
#else
constexpr std::size_t kAtrRoom = 36;
#endif

struct Answer {
    std::array<std::uint8_t, kReceiveRoom> bytes{};
    std::size_t length = 0;
    std::uint8_t sw1 = 0;
    std::uint8_t sw2 = 0;
};

// 9000, any 9Fxx, and any 92xx except 9240 (memory problem).
bool StatusAccepted(std::uint8_t sw1, std::uint8_t sw2) {
    if (sw1 == 0x90)
        return sw2 == 0x00;
    if (sw1 == 0x9F)
        return true;
    if (sw1 == 0x92)
        return sw2 != 0x40;
    return false;
}

// One command exchange with the card's active protocol.
std::uint32_t Exchange(SCARDHANDLE card, const std::uint8_t* command, DWORD commandLength,
                       DWORD receiveRoom, Answer& answer) {
    char readerName[256];
    DWORD readerLength = sizeof(readerName);
    DWORD state = 0;
    DWORD protocol = 0;
    BYTE atr[kAtrRoom];
    DWORD atrLength = sizeof(atr);
    LONG rc = SCardStatus(card, readerName, &readerLength, &state, &protocol, atr, &atrLength);
    if (rc != SCARD_S_SUCCESS)
        return static_cast<std::uint32_t>(rc);

    SCARD_IO_REQUEST sendPci{protocol, sizeof(SCARD_IO_REQUEST)};
    SCARD_IO_REQUEST recvPci{protocol, sizeof(SCARD_IO_REQUEST)};
    DWORD received = std::min<DWORD>(receiveRoom, answer.bytes.size());
    rc = SCardTransmit(card, &sendPci, command, commandLength, &recvPci, answer.bytes.data(),
                       &received);
    if (rc != SCARD_S_SUCCESS)
        return static_cast<std::uint32_t>(rc);
    // A card that sent no status word cannot be judged: reject it.
    if (received < 2 || received > answer.bytes.size())
        return WENDRILL_E_STATUS;
    answer.length = received - 2;
    answer.sw1 = answer.bytes[received - 2];
    answer.sw2 = answer.bytes[received - 1];
    return StatusAccepted(answer.sw1, answer.sw2) ? WENDRILL_OK : WENDRILL_E_STATUS;
}

std::uint32_t Select(SCARDHANDLE card, std::uint16_t fileId, std::uint8_t& waiting) {
    const std::uint8_t command[] = {kClaGsm,
                                    0xA4,
                                    0x00,
                                    0x00,
                                    0x02,
                                    static_cast<std::uint8_t>(fileId >> 8),
                                    static_cast<std::uint8_t>(fileId & 0xFF)};
    Answer answer;
    std::uint32_t rc = Exchange(card, command, sizeof(command), kReceiveRoom, answer);
    if (rc == WENDRILL_OK)
        waiting = answer.sw2;
    return rc;
}

std::uint32_t GetResponse(SCARDHANDLE card, std::uint8_t length, Answer& answer) {
    const std::uint8_t command[] = {kClaGsm, 0xC0, 0x00, 0x00, length};
    return Exchange(card, command, sizeof(command), kReceiveRoom, answer);
}

std::uint32_t SelectPhoneBook(SCARDHANDLE card, Answer& description) {
    std::uint8_t waiting = 0;
    for (std::uint16_t fileId : {0x3F00, 0x7F10, 0x6F3A}) {
        std::uint32_t rc = Select(card, fileId, waiting);
        if (rc != WENDRILL_OK)
            return rc;
    }
    return GetResponse(card, waiting, description);
}

} // namespace

extern "C" uint32_t WENDRILL_CALL MultiCardRWTest(SCARDHANDLE card) {
    Answer description;
    return SelectPhoneBook(card, description);
}

extern "C" uint32_t WENDRILL_CALL MultiCardPreRead(SCARDHANDLE card) {
    Answer description;
    std::uint32_t rc = SelectPhoneBook(card, description);
    if (rc != WENDRILL_OK)
        return rc;
    // A description too short to hold the record length leaves nothing to read.
    if (description.length <= kRecordLengthOffset)
        return WENDRILL_E_STATUS;
    const std::uint8_t command[] = {kClaGsm, 0xB2, 0x01, 0x04,
                                    description.bytes[kRecordLengthOffset]};
    Answer record;
    return Exchange(card, command, sizeof(command), kRecordReceiveRoom, record);
}
