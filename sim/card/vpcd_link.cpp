#include "vpcd_link.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "virtual_card.h"

namespace simcard {
namespace {

bool ReadFully(int fd, std::uint8_t* buffer, std::size_t length) {
    // Delayed ACKs would hold every answer back by tens of milliseconds.
    int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
    std::size_t done = 0;
    while (done < length) {
        ssize_t n = recv(fd, buffer + done, length - done, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

int ConnectToReader(const std::string& host, std::uint16_t port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return -1;
    int fd = -1;
    for (addrinfo* a = found; a != nullptr && fd < 0; a = a->ai_next) {
        fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (fd < 0)
            continue;
        if (connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    if (fd >= 0) {
        int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    return fd;
}

std::optional<Bytes> ReadMessage(int fd) {
    std::uint8_t header[2];
    if (!ReadFully(fd, header, 2))
        return std::nullopt;
    std::size_t length = (static_cast<std::size_t>(header[0]) << 8) | header[1];
    Bytes payload(length);
    if (length > 0 && !ReadFully(fd, payload.data(), length))
        return std::nullopt;
    return payload;
}

bool WriteMessage(int fd, const Bytes& payload) {
    if (payload.size() > 0xFFFF)
        return false;
    Bytes frame;
    frame.reserve(payload.size() + 2);
    frame.push_back(static_cast<std::uint8_t>(payload.size() >> 8));
    frame.push_back(static_cast<std::uint8_t>(payload.size() & 0xFF));
    frame.insert(frame.end(), payload.begin(), payload.end());
    std::size_t done = 0;
    while (done < frame.size()) {
        ssize_t n = send(fd, frame.data() + done, frame.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<Bytes> Answer(VirtualCard& card, const Bytes& message) {
    if (message.size() == 1) {
        switch (static_cast<VpcdControl>(message[0])) {
        case VpcdControl::PowerOff:
        case VpcdControl::PowerOn:
        case VpcdControl::Reset:
            card.Reset();
            return std::nullopt;
        case VpcdControl::GetAtr:
            return card.Atr();
        }
        return std::nullopt; // unknown controls are ignored
    }
    if (message.empty())
        return std::nullopt;
    return card.Process(message);
}

void Serve(VirtualCard& card, int fd) {
    while (std::optional<Bytes> message = ReadMessage(fd)) {
        std::optional<Bytes> answer = Answer(card, *message);
        if (answer && !WriteMessage(fd, *answer))
            return;
    }
}

} // namespace simcard
