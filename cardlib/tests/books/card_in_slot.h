// A virtual card of this process in the first "Generic MultiCard reader 1.0"
// slot of the PC/SC sandbox (vpcd port SANDBOX_PORT + 2), so that a test can
// drive it through libnimbrel and pcscd and then look at its files. Under
// Wine the card is the Linux card program instead (wine/card_in_slot_windows.h).
#pragma once

#ifdef _WIN32
#include "card_in_slot_windows.h"
#else

#include <sys/socket.h>
#include <unistd.h>
#include <winscard.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "profile.h"
#include "virtual_card.h"
#include "vpcd_link.h"

class CardInSlot {
public:
    explicit CardInSlot(const std::string& profilePath) : card_(simcard::LoadProfile(profilePath)) {
        const char* portText = std::getenv("SANDBOX_PORT");
        const int port = (portText ? std::atoi(portText) : 35990) + 2;
        fd_ = simcard::ConnectToReader("127.0.0.1", static_cast<std::uint16_t>(port));
        if (fd_ < 0)
            throw std::runtime_error("no vpcd reader on port " + std::to_string(port));
        server_ = std::thread([this] { simcard::Serve(card_, fd_); });
        WaitForReader(true);
    }
    ~CardInSlot() { Remove(); }

    // Takes the card out; its files can be read afterwards without a race.
    void Remove() {
        if (fd_ < 0)
            return;
        shutdown(fd_, SHUT_RDWR);
        server_.join();
        close(fd_);
        fd_ = -1;
        // Later tests must not find the reader still marked as holding a card.
        WaitForReader(false);
    }

    const simcard::VirtualCard& Card() const { return card_; }

    std::vector<std::uint8_t> Record(const std::vector<std::uint16_t>& path, int n,
                                     int length) const {
        const auto& content = card_.Contents(path);
        auto begin = content.begin() + (n - 1) * length;
        return {begin, begin + length};
    }

private:
    // pcscd notices a card coming or going on its next poll of the reader.
    static void WaitForReader(bool wantCard) {
        SCARDCONTEXT context = 0;
        if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context) != SCARD_S_SUCCESS)
            throw std::runtime_error("no PC/SC service");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        bool present = !wantCard, done = false;
        while (!done && std::chrono::steady_clock::now() < deadline) {
            char names[2048];
            DWORD length = sizeof names;
            if (SCardListReaders(context, nullptr, names, &length) == SCARD_S_SUCCESS) {
                for (const char* name = names; *name; name += std::strlen(name) + 1) {
                    if (std::strncmp(name, "Generic MultiCard reader 1.0", 28) != 0)
                        continue;
                    SCARD_READERSTATE state{};
                    state.szReader = name;
                    state.dwCurrentState = SCARD_STATE_UNAWARE;
                    if (SCardGetStatusChange(context, 0, &state, 1) == SCARD_S_SUCCESS)
                        present = (state.dwEventState & SCARD_STATE_PRESENT) != 0;
                    break; // only the first of these readers is ours
                }
            }
            done = present == wantCard;
            if (!done)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        SCardReleaseContext(context);
        if (!done && wantCard)
            throw std::runtime_error("the card did not appear in the reader");
    }

    simcard::VirtualCard card_;
    int fd_ = -1;
    std::thread server_;
};

#endif
