// Shared pieces of the pure record codecs: the encoder result, bounded reads
// of the fixed text fields of the exported records, and a cursor that never
// reads past the bytes a card returned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "nimbrel.h"

namespace nimbrel {

// Status byte of an SMS record, the same in the GSM and the R-UIM books.
enum SmsStatus : uint8_t {
    kSmsFree = 0x00,
    kSmsRead = 0x01,
    kSmsUnread = 0x03,
    kSmsSent = 0x05,
    kSmsToBeSent = 0x07,
};

// What an encoder did: a result code and how many bytes of its output carry
// content (the rest is padding the encoder also set).
struct EncodeResult {
    QuarnResult code = QUARN_OK;
    std::size_t length = 0;
    bool ok() const { return code == QUARN_OK; }
};

// What both SMS codecs do by the status the caller set: 0 erases the record
// (00, then FF), 1 turns an unread record read, 7 builds a new message with
// encodeNew, and any other value keeps the image as it is.
template <typename Item, typename EncodeNew>
EncodeResult EncodeByStatus(Item& item, EncodeNew encodeNew) {
    switch (item.status) {
    case kSmsFree:
        item.record[0] = kSmsFree;
        std::memset(item.record + 1, 0xFF, sizeof item.record - 1);
        return {QUARN_OK, 1};
    case kSmsRead:
        if (item.record[0] == kSmsUnread)
            item.record[0] = kSmsRead;
        return {QUARN_OK, 1};
    case kSmsToBeSent:
        return encodeNew(item);
    default:
        return {QUARN_OK, 0};
    }
}

// Starts decoding an SMS record into its item: the status from the first
// byte, and every decoded text field cleared so that nothing of an earlier
// record survives.
template <typename Item> void StartDecoding(std::span<const uint8_t> record, Item& item) {
    item.status = record.empty() ? 0 : record[0];
    std::memset(item.address, 0, sizeof item.address);
    std::memset(item.timeStamp, 0, sizeof item.timeStamp);
    std::memset(item.text, 0, sizeof item.text);
    std::memset(item.textUcs2, 0, sizeof item.textUcs2);
}

// Characters before the terminator of a fixed char field; the whole field when
// the caller left it unterminated.
template <std::size_t N> std::size_t FieldLength(const char (&field)[N]) {
    const void* end = std::memchr(field, 0, N);
    return end ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : N;
}

// 16-bit units before the 16-bit zero of a UCS2 field (high byte first); the
// field's whole capacity plus one when the zero is missing, so that callers
// comparing against a limit always see an unterminated field as too long.
template <std::size_t N> std::size_t Ucs2FieldLength(const uint8_t (&field)[N]) {
    for (std::size_t i = 0; i + 1 < N; i += 2) {
        if (field[i] == 0 && field[i + 1] == 0)
            return i / 2;
    }
    return N / 2 + 1;
}

// Forward reader over card bytes. Once a read runs past the end the cursor is
// spent: every later read yields nothing, so a parser can read a whole
// structure and check ok() once.
class ByteCursor {
public:
    explicit ByteCursor(std::span<const uint8_t> bytes, std::size_t start = 0)
        : bytes_(bytes), pos_(start), ok_(start <= bytes.size()) {}

    bool ok() const { return ok_; }
    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return ok_ ? bytes_.size() - pos_ : 0; }

    uint8_t Byte() {
        if (!ok_ || pos_ >= bytes_.size()) {
            ok_ = false;
            return 0;
        }
        return bytes_[pos_++];
    }
    std::span<const uint8_t> Take(std::size_t n) {
        if (!ok_ || n > bytes_.size() - pos_) {
            ok_ = false;
            return {};
        }
        auto part = bytes_.subspan(pos_, n);
        pos_ += n;
        return part;
    }
    // The rest of the bytes, without consuming them.
    std::span<const uint8_t> Rest() const {
        return ok_ ? bytes_.subspan(pos_) : std::span<const uint8_t>{};
    }

private:
    std::span<const uint8_t> bytes_;
    std::size_t pos_;
    bool ok_;
};

// Reader of bit fields packed most significant bit first. Reads past the end
// yield zero bits and clear ok().
class BitCursor {
public:
    explicit BitCursor(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }
    std::size_t remainingBits() const { return bytes_.size() * 8 - bit_; }

    uint32_t Read(unsigned width) {
        uint32_t value = 0;
        for (unsigned i = 0; i < width; ++i) {
            value <<= 1;
            if (bit_ >= bytes_.size() * 8) {
                ok_ = false;
                continue;
            }
            value |= (bytes_[bit_ / 8] >> (7 - bit_ % 8)) & 1u;
            ++bit_;
        }
        return value;
    }

private:
    std::span<const uint8_t> bytes_;
    std::size_t bit_ = 0;
    bool ok_ = true;
};

// Writer of bit fields most significant bit first into a zeroed span.
class BitWriter {
public:
    explicit BitWriter(std::span<uint8_t> out) : out_(out) {}

    bool ok() const { return ok_; }
    // Bytes touched so far (a partly filled last byte counts).
    std::size_t bytes() const { return (bit_ + 7) / 8; }

    void Write(uint32_t value, unsigned width) {
        for (unsigned i = width; i-- > 0;) {
            if (bit_ >= out_.size() * 8) {
                ok_ = false;
                return;
            }
            const uint8_t mask = static_cast<uint8_t>(0x80u >> (bit_ % 8));
            if ((value >> i) & 1u)
                out_[bit_ / 8] |= mask;
            else
                out_[bit_ / 8] &= static_cast<uint8_t>(~mask);
            ++bit_;
        }
    }

private:
    std::span<uint8_t> out_;
    std::size_t bit_ = 0;
    bool ok_ = true;
};

} // namespace nimbrel
