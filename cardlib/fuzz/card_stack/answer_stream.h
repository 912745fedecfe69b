// A PC/SC service whose card answers every command with the next answer of a
// byte stream (a fuzz input, a recorded session). It offers one known reader
// holding a card and counts the contexts and card handles left open.
//
// Stream: a two-byte operation mask (little-endian), then answers, each one
// length byte followed by that many bytes (data, then SW1 SW2):
//   L < 0xFE   an answer of L bytes
//   0xFE N     an answer of 254 + N bytes (from 256 on longer than a short
//              APDU allows)
//   0xFF       the exchange fails (the reader lost the card)
// Once the stream is used up every exchange fails the same way; a length
// running past the end gives the bytes that remain.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace answer_stream {

inline constexpr std::uint8_t kLongAnswer = 0xFE;
inline constexpr std::uint8_t kTransportError = 0xFF;
inline constexpr std::size_t kLongestAnswer = kLongAnswer + 255;

// Starts a session on `bytes` (after the mask), which must outlive it.
void Start(const std::uint8_t* bytes, std::size_t size);
// Every command the library sent since Start, each prefixed by its length.
const std::vector<std::uint8_t>& Sent();
int OpenContexts();
int OpenCards();

// Appends one answer in the stream's form (for recorders, which link another
// PC/SC service); false when it is longer than kLongestAnswer.
inline bool AppendAnswer(std::vector<std::uint8_t>& stream,
                         const std::vector<std::uint8_t>& answer) {
    if (answer.size() > kLongestAnswer)
        return false;
    if (answer.size() >= kLongAnswer) {
        stream.push_back(kLongAnswer);
        stream.push_back(static_cast<std::uint8_t>(answer.size() - kLongAnswer));
    } else {
        stream.push_back(static_cast<std::uint8_t>(answer.size()));
    }
    stream.insert(stream.end(), answer.begin(), answer.end());
    return true;
}

} // namespace answer_stream
