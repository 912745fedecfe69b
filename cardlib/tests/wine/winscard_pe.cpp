// Windows half of the test-only WinSCard bridge: a WinSCard.dll that Wine
// loads beside the test programs in place of its own. Each call goes as one
// message to the host half (bridge_host.cpp) over a TCP link on 127.0.0.1,
// opened at the first call and kept for the life of the process.
// winsock2.h must come before windows.h.
#include <winsock2.h>

#include <windows.h>
#include <winscard.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bridge_protocol.h"

namespace {

SOCKET g_link = INVALID_SOCKET;

bool SendAll(const char* p, std::size_t n) {
    while (n > 0) {
        int put = send(g_link, p, static_cast<int>(n), 0);
        if (put <= 0)
            return false;
        p += put;
        n -= static_cast<std::size_t>(put);
    }
    return true;
}

bool ReceiveAll(char* p, std::size_t n) {
    while (n > 0) {
        int got = recv(g_link, p, static_cast<int>(n), 0);
        if (got <= 0)
            return false;
        p += got;
        n -= static_cast<std::size_t>(got);
    }
    return true;
}

bool Connected() {
    if (g_link != INVALID_SOCKET)
        return true;
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return false;
    char portText[16] = {};
    DWORD got = GetEnvironmentVariableA(bridge::kPortVariable, portText, sizeof portText);
    u_short port = got > 0 && got < sizeof portText ? static_cast<u_short>(std::atoi(portText))
                                                    : bridge::kDefaultPort;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (s == INVALID_SOCKET ||
        connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (s != INVALID_SOCKET)
            closesocket(s);
        return false;
    }
    BOOL on = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    g_link = s;
    return true;
}

// One round trip; false when the host half cannot be reached.
bool Exchange(const bridge::Writer& request, std::string* answer) {
    bridge::Writer framed;
    framed.Text(request.Data());
    if (!Connected() || !SendAll(framed.Data().data(), framed.Data().size()))
        return false;
    unsigned char head[4];
    if (!ReceiveAll(reinterpret_cast<char*>(head), 4))
        return false;
    std::uint32_t length = head[0] | head[1] << 8 | head[2] << 16 | std::uint32_t(head[3]) << 24;
    if (length > (1u << 20))
        return false;
    answer->assign(length, '\0');
    return ReceiveAll(answer->data(), length);
}

bridge::Writer Request(bridge::Call call) {
    bridge::Writer w;
    w.U32(static_cast<std::uint32_t>(call));
    return w;
}

// Copies a byte string into a caller's buffer of `*length` bytes.
LONG CopyOut(const std::string& bytes, void* buffer, DWORD* length) {
    if (!length)
        return SCARD_E_INVALID_PARAMETER;
    DWORD room = *length;
    *length = static_cast<DWORD>(bytes.size());
    if (!buffer)
        return SCARD_S_SUCCESS;
    if (room < bytes.size())
        return SCARD_E_INSUFFICIENT_BUFFER;
    std::memcpy(buffer, bytes.data(), bytes.size());
    return SCARD_S_SUCCESS;
}

} // namespace

extern "C" {

extern const SCARD_IO_REQUEST bridge_t0_pci = {SCARD_PROTOCOL_T0, sizeof(SCARD_IO_REQUEST)};
extern const SCARD_IO_REQUEST bridge_t1_pci = {SCARD_PROTOCOL_T1, sizeof(SCARD_IO_REQUEST)};
extern const SCARD_IO_REQUEST bridge_raw_pci = {SCARD_PROTOCOL_RAW, sizeof(SCARD_IO_REQUEST)};

LONG WINAPI bridge_SCardEstablishContext(DWORD scope, LPCVOID, LPCVOID, LPSCARDCONTEXT context) {
    bridge::Writer w = Request(bridge::Call::EstablishContext);
    w.U32(scope);
    std::string answer;
    if (!Exchange(w, &answer))
        return SCARD_E_NO_SERVICE;
    bridge::Reader r(answer);
    LONG rv = static_cast<LONG>(r.U32());
    SCARDCONTEXT handle = r.U32();
    if (rv == SCARD_S_SUCCESS && context)
        *context = handle;
    return rv;
}

LONG WINAPI bridge_SCardReleaseContext(SCARDCONTEXT context) {
    bridge::Writer w = Request(bridge::Call::ReleaseContext);
    w.U32(static_cast<std::uint32_t>(context));
    std::string answer;
    if (!Exchange(w, &answer))
        return SCARD_E_NO_SERVICE;
    return static_cast<LONG>(bridge::Reader(answer).U32());
}

LONG WINAPI bridge_SCardListReadersA(SCARDCONTEXT context, LPCSTR, LPSTR readers, LPDWORD length) {
    if (!length || *length == SCARD_AUTOALLOCATE)
        return SCARD_E_INVALID_PARAMETER;
    bridge::Writer w = Request(bridge::Call::ListReaders);
    w.U32(static_cast<std::uint32_t>(context));
    std::string answer;
    if (!Exchange(w, &answer))
        return SCARD_E_NO_SERVICE;
    bridge::Reader r(answer);
    LONG rv = static_cast<LONG>(r.U32());
    std::string list = r.Bytes();
    return rv != SCARD_S_SUCCESS ? rv : CopyOut(list, readers, length);
}

LONG WINAPI bridge_SCardGetStatusChangeA(SCARDCONTEXT context, DWORD timeout,
                                         LPSCARD_READERSTATEA states, DWORD count) {
    if (count > 0 && !states)
        return SCARD_E_INVALID_PARAMETER;
    bridge::Writer w = Request(bridge::Call::GetStatusChange);
    w.U32(static_cast<std::uint32_t>(context));
    w.U32(timeout);
    w.U32(count);
    for (DWORD i = 0; i < count; ++i) {
        w.U32(states[i].dwCurrentState);
        w.Text(states[i].szReader ? states[i].szReader : "");
    }
    std::string answer;
    if (!Exchange(w, &answer))
        return SCARD_E_NO_SERVICE;
    bridge::Reader r(answer);
    LONG rv = static_cast<LONG>(r.U32());
    if (rv != SCARD_S_SUCCESS && rv != static_cast<LONG>(SCARD_E_TIMEOUT))
        return rv;
    for (DWORD i = 0; i < count; ++i) {
        states[i].dwEventState = r.U32();
        std::string atr = r.Bytes();
        states[i].cbAtr = static_cast<DWORD>(std::min(atr.size(), sizeof(states[i].rgbAtr)));
        std::memcpy(states[i].rgbAtr, atr.data(), states[i].cbAtr);
    }
    return r.Ok() ? rv : SCARD_F_COMM_ERROR;
}

LONG WINAPI bridge_SCardConnectA(SCARDCONTEXT context, LPCSTR reader, DWORD share, DWORD protocols,
                                 LPSCARDHANDLE card, LPDWORD active) {
    if (!reader)
        return SCARD_E_INVALID_PARAMETER;
    bridge::Writer w = Request(bridge::Call::Connect);
    w.U32(static_cast<std::uint32_t>(context));
    w.U32(share);
    w.U32(protocols);
    w.Text(reader);
    std::string answer;
    if (!Exchange(w, &answer))
        return SCARD_E_NO_SERVICE;
    bridge::Reader r(answer);
    LONG rv = static_cast<LONG>(r.U32());
    SCARDHANDLE handle = r.U32();
    DWORD protocol = r.U32();
    if (rv == SCARD_S_SUCCESS) {
        if (card)
            *card = handle;
        if (active)
            *active = protocol;
    }
    return rv;
}

LONG WINAPI bridge_SCardTransmit(SCARDHANDLE card, LPCSCARD_IO_REQUEST sendPci, LPCBYTE command,
                                 DWORD commandLength, LPSCARD_IO_REQUEST, LPBYTE response,
                                 LPDWORD responseLength) {
    if (!sendPci || !responseLength || (commandLength > 0 && !command))
        return SCARD_E_INVALID_PARAMETER;
    bridge::Writer w = Request(bridge::Call::Transmit);
    w.U32(static_cast<std::uint32_t>(card));
    w.U32(sendPci->dwProtocol);
    w.Bytes(command, commandLength);
    w.U32(*responseLength);
    std::string answer;
    if (!Exchange(w, &answer))
        return SCARD_E_NO_SERVICE;
    bridge::Reader r(answer);
    LONG rv = static_cast<LONG>(r.U32());
    std::string bytes = r.Bytes();
    return rv != SCARD_S_SUCCESS ? rv : CopyOut(bytes, response, responseLength);
}

LONG WINAPI bridge_SCardStatusA(SCARDHANDLE card, LPSTR reader, LPDWORD readerLength, LPDWORD state,
                                LPDWORD protocol, LPBYTE atr, LPDWORD atrLength) {
    bridge::Writer w = Request(bridge::Call::Status);
    w.U32(static_cast<std::uint32_t>(card));
    std::string answer;
    if (!Exchange(w, &answer))
        return SCARD_E_NO_SERVICE;
    bridge::Reader r(answer);
    LONG rv = static_cast<LONG>(r.U32());
    std::string name = r.Bytes();
    DWORD cardState = r.U32();
    DWORD cardProtocol = r.U32();
    std::string atrBytes = r.Bytes();
    if (rv != SCARD_S_SUCCESS)
        return rv;
    if (state)
        *state = cardState;
    if (protocol)
        *protocol = cardProtocol;
    // The reader name is a multi-string of one name.
    name.append(2, '\0');
    LONG nameResult = readerLength ? CopyOut(name, reader, readerLength) : SCARD_S_SUCCESS;
    LONG atrResult = atrLength ? CopyOut(atrBytes, atr, atrLength) : SCARD_S_SUCCESS;
    return nameResult != SCARD_S_SUCCESS ? nameResult : atrResult;
}

LONG WINAPI bridge_SCardDisconnect(SCARDHANDLE card, DWORD disposition) {
    bridge::Writer w = Request(bridge::Call::Disconnect);
    w.U32(static_cast<std::uint32_t>(card));
    w.U32(disposition);
    std::string answer;
    if (!Exchange(w, &answer))
        return SCARD_E_NO_SERVICE;
    return static_cast<LONG>(bridge::Reader(answer).U32());
}

} // extern "C"
