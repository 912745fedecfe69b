// The wire format between the two halves of the test-only WinSCard bridge:
// winscard_pe.cpp, a Windows DLL that Wine loads in place of its own
// WinSCard, and bridge_host.cpp, a Linux program that makes the calls on
// pcsc-lite. Every message is a 32-bit length and that many bytes; inside,
// 32-bit little-endian integers and length-prefixed byte strings. A request
// starts with its call number, an answer with the call's result.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace bridge {

enum class Call : std::uint32_t {
    EstablishContext,
    ReleaseContext,
    ListReaders,
    GetStatusChange,
    Connect,
    Transmit,
    Status,
    Disconnect,
};

// The port on 127.0.0.1 where the host half listens.
inline constexpr const char* kPortVariable = "WINSCARD_BRIDGE_PORT";
inline constexpr std::uint16_t kDefaultPort = 35985;
// Windows' ATR room in a reader state.
inline constexpr std::size_t kAtrRoom = 36;

class Writer {
public:
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            data_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    void Bytes(const void* p, std::size_t n) {
        U32(static_cast<std::uint32_t>(n));
        data_.append(static_cast<const char*>(p), n);
    }
    void Text(const std::string& s) { Bytes(s.data(), s.size()); }
    const std::string& Data() const { return data_; }

private:
    std::string data_;
};

// Reads from a received message; a read past its end yields zeros and
// marks the reader bad, so a short message cannot overrun anything.
class Reader {
public:
    explicit Reader(const std::string& data) : data_(data) {}
    std::uint32_t U32() {
        if (data_.size() - pos_ < 4 || pos_ > data_.size()) {
            ok_ = false;
            return 0;
        }
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<std::uint32_t>(static_cast<unsigned char>(data_[pos_ + i])) << (8 * i);
        pos_ += 4;
        return v;
    }
    std::string Bytes() {
        std::uint32_t n = U32();
        if (!ok_ || data_.size() - pos_ < n) {
            ok_ = false;
            return {};
        }
        std::string s = data_.substr(pos_, n);
        pos_ += n;
        return s;
    }
    bool Ok() const { return ok_; }

private:
    const std::string& data_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

} // namespace bridge
