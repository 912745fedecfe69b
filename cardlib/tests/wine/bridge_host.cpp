// Host half of the test-only WinSCard bridge: a Linux program that listens on
// 127.0.0.1 and makes the WinSCard calls of the Windows half (running under
// Wine) on pcsc-lite. Wine's own WinSCard has no service behind it.
//
// Reader names cross in their Windows form: pcsc-lite's " XX YY" suffix
// becomes " N", N counting the readers of one base name in list order, so
// the libraries' Windows name rule is what the tests exercise.
//
//   winscard-bridge-host start PIDFILE   (forks, listens, writes its PID)
//   winscard-bridge-host stop PIDFILE
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>
#include <winscard.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "bridge_protocol.h"

namespace {

std::mutex g_namesLock;
std::map<std::string, std::string> g_toHost; // Windows form -> pcsc-lite form
std::map<std::string, std::string> g_toWindows;

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Length of the base name when the name ends in " XX YY", else npos.
std::size_t HostBaseLength(const std::string& name) {
    std::size_t n = name.size();
    if (n < 6)
        return std::string::npos;
    const char* s = name.data() + n - 6;
    if (s[0] != ' ' || !IsHex(s[1]) || !IsHex(s[2]) || s[3] != ' ' || !IsHex(s[4]) || !IsHex(s[5]))
        return std::string::npos;
    return n - 6;
}

// The host's reader list in Windows form; remembers both forms.
LONG ListWindowsNames(SCARDCONTEXT context, std::vector<std::string>* names) {
    DWORD size = 0;
    LONG rv = SCardListReaders(context, nullptr, nullptr, &size);
    if (rv != SCARD_S_SUCCESS)
        return rv;
    std::string list(size, '\0');
    rv = SCardListReaders(context, nullptr, list.data(), &size);
    if (rv != SCARD_S_SUCCESS)
        return rv;
    std::map<std::string, int> seen;
    std::lock_guard<std::mutex> lock(g_namesLock);
    for (std::size_t pos = 0; pos < list.size() && list[pos];) {
        std::string host(list.c_str() + pos);
        pos += host.size() + 1;
        std::string windows = host;
        std::size_t base = HostBaseLength(host);
        if (base != std::string::npos) {
            std::string stem = host.substr(0, base);
            windows = stem + " " + std::to_string(seen[stem]++ % 10);
        }
        g_toHost[windows] = host;
        g_toWindows[host] = windows;
        names->push_back(windows);
    }
    return SCARD_S_SUCCESS;
}

std::string ToHost(SCARDCONTEXT context, const std::string& name) {
    for (int pass = 0; pass < 2; ++pass) {
        {
            std::lock_guard<std::mutex> lock(g_namesLock);
            auto found = g_toHost.find(name);
            if (found != g_toHost.end())
                return found->second;
        }
        std::vector<std::string> ignored;
        if (pass == 0)
            ListWindowsNames(context, &ignored);
    }
    return name;
}

std::string ToWindows(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_namesLock);
    auto found = g_toWindows.find(name);
    return found == g_toWindows.end() ? name : found->second;
}

std::string Answer(const std::string& request) {
    bridge::Reader in(request);
    bridge::Writer out;
    auto call = static_cast<bridge::Call>(in.U32());
    switch (call) {
    case bridge::Call::EstablishContext: {
        DWORD scope = in.U32();
        SCARDCONTEXT context = 0;
        LONG rv = SCardEstablishContext(scope, nullptr, nullptr, &context);
        out.U32(static_cast<std::uint32_t>(rv));
        out.U32(static_cast<std::uint32_t>(context));
        break;
    }
    case bridge::Call::ReleaseContext:
        out.U32(static_cast<std::uint32_t>(SCardReleaseContext(in.U32())));
        break;
    case bridge::Call::ListReaders: {
        std::vector<std::string> names;
        LONG rv = ListWindowsNames(in.U32(), &names);
        std::string multi;
        for (const std::string& name : names)
            multi += name + '\0';
        multi += '\0';
        out.U32(static_cast<std::uint32_t>(rv));
        out.Text(rv == SCARD_S_SUCCESS ? multi : std::string());
        break;
    }
    case bridge::Call::GetStatusChange: {
        SCARDCONTEXT context = in.U32();
        DWORD timeout = in.U32();
        std::uint32_t count = in.U32();
        if (count > PCSCLITE_MAX_READERS_CONTEXTS) {
            out.U32(static_cast<std::uint32_t>(SCARD_E_INVALID_PARAMETER));
            break;
        }
        std::vector<std::string> names(count);
        std::vector<SCARD_READERSTATE> states(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            states[i] = SCARD_READERSTATE{};
            states[i].dwCurrentState = in.U32();
            names[i] = ToHost(context, in.Bytes());
        }
        for (std::uint32_t i = 0; i < count; ++i)
            states[i].szReader = names[i].c_str();
        LONG rv = in.Ok() ? SCardGetStatusChange(context, timeout, states.data(), count)
                          : SCARD_E_INVALID_PARAMETER;
        out.U32(static_cast<std::uint32_t>(rv));
        for (std::uint32_t i = 0; i < count; ++i) {
            out.U32(static_cast<std::uint32_t>(states[i].dwEventState));
            std::size_t atr = std::min<std::size_t>(states[i].cbAtr, sizeof(states[i].rgbAtr));
            out.Bytes(states[i].rgbAtr, std::min(atr, bridge::kAtrRoom));
        }
        break;
    }
    case bridge::Call::Connect: {
        SCARDCONTEXT context = in.U32();
        DWORD share = in.U32();
        DWORD protocols = in.U32();
        std::string reader = ToHost(context, in.Bytes());
        SCARDHANDLE card = 0;
        DWORD active = 0;
        LONG rv = SCardConnect(context, reader.c_str(), share, protocols, &card, &active);
        out.U32(static_cast<std::uint32_t>(rv));
        out.U32(static_cast<std::uint32_t>(card));
        out.U32(static_cast<std::uint32_t>(active));
        break;
    }
    case bridge::Call::Transmit: {
        SCARDHANDLE card = in.U32();
        SCARD_IO_REQUEST pci{in.U32(), sizeof(SCARD_IO_REQUEST)};
        std::string command = in.Bytes();
        DWORD room = std::min<DWORD>(in.U32(), MAX_BUFFER_SIZE_EXTENDED);
        std::vector<BYTE> response(room);
        SCARD_IO_REQUEST receivePci = pci;
        LONG rv = SCardTransmit(card, &pci, reinterpret_cast<const BYTE*>(command.data()),
                                command.size(), &receivePci, response.data(), &room);
        out.U32(static_cast<std::uint32_t>(rv));
        out.Bytes(response.data(),
                  rv == SCARD_S_SUCCESS ? std::min<DWORD>(room, response.size()) : 0);
        break;
    }
    case bridge::Call::Status: {
        SCARDHANDLE card = in.U32();
        char name[MAX_READERNAME + 2] = {};
        DWORD nameLength = sizeof(name) - 1;
        DWORD state = 0, protocol = 0;
        BYTE atr[MAX_ATR_SIZE];
        DWORD atrLength = sizeof(atr);
        LONG rv = SCardStatus(card, name, &nameLength, &state, &protocol, atr, &atrLength);
        out.U32(static_cast<std::uint32_t>(rv));
        out.Text(rv == SCARD_S_SUCCESS ? ToWindows(name) : std::string());
        out.U32(static_cast<std::uint32_t>(state));
        out.U32(static_cast<std::uint32_t>(protocol));
        out.Bytes(atr, rv == SCARD_S_SUCCESS ? std::min<DWORD>(atrLength, sizeof(atr)) : 0);
        break;
    }
    case bridge::Call::Disconnect: {
        SCARDHANDLE card = in.U32();
        out.U32(static_cast<std::uint32_t>(SCardDisconnect(card, in.U32())));
        break;
    }
    default:
        out.U32(static_cast<std::uint32_t>(SCARD_E_INVALID_PARAMETER));
    }
    return out.Data();
}

bool ReadAll(int fd, char* p, std::size_t n) {
    while (n > 0) {
        ssize_t got = read(fd, p, n);
        if (got <= 0)
            return false;
        p += got;
        n -= static_cast<std::size_t>(got);
    }
    return true;
}

bool WriteAll(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        ssize_t put = write(fd, p, n);
        if (put <= 0)
            return false;
        p += put;
        n -= static_cast<std::size_t>(put);
    }
    return true;
}

// One client process: requests in order until it closes the link.
void Serve(int fd) {
    constexpr std::uint32_t kMaxMessage = 1 << 20;
    for (;;) {
        unsigned char head[4];
        if (!ReadAll(fd, reinterpret_cast<char*>(head), 4))
            break;
        std::uint32_t length =
            head[0] | head[1] << 8 | head[2] << 16 | std::uint32_t(head[3]) << 24;
        if (length > kMaxMessage)
            break;
        std::string request(length, '\0');
        if (!ReadAll(fd, request.data(), length))
            break;
        bridge::Writer framed;
        framed.Text(Answer(request));
        if (!WriteAll(fd, framed.Data().data(), framed.Data().size()))
            break;
    }
    close(fd);
}

int Listen(std::uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 8) != 0) {
        std::perror("winscard-bridge-host: listen");
        return -1;
    }
    return fd;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::string(argv[1]) != "start" && std::string(argv[1]) != "stop")) {
        std::fprintf(stderr, "usage: winscard-bridge-host start|stop PIDFILE\n");
        return 2;
    }
    const std::string pidFile = argv[2];
    if (std::string(argv[1]) == "stop") {
        int pid = 0;
        std::ifstream(pidFile) >> pid;
        if (pid > 0)
            kill(pid, SIGTERM);
        std::remove(pidFile.c_str());
        return 0;
    }
    const char* portText = std::getenv(bridge::kPortVariable);
    auto port = static_cast<std::uint16_t>(portText ? std::atoi(portText) : bridge::kDefaultPort);
    int listener = Listen(port);
    if (listener < 0)
        return 1;
    // Listening before the parent returns: a client started next connects.
    pid_t child = fork();
    if (child < 0)
        return 1;
    if (child > 0) {
        std::ofstream(pidFile) << child << '\n';
        return 0;
    }
    setsid();
    std::freopen("/dev/null", "r", stdin);
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    for (;;) {
        int fd = accept(listener, nullptr, nullptr);
        if (fd < 0)
            continue;
        int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::thread(Serve, fd).detach();
    }
}
