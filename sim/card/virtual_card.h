// A virtual phone card that answers command APDUs as a GSM 11.11 SIM or a
// TS 102 221 / TS 31.102 UICC does, from a CardProfile.
//
// Structure: the profile's file tree is read-only; Memory is what the card
// keeps across power cycles (file contents, PIN counters); Session is what a
// reset clears (current directory and file, pending response data, record
// pointer). Commands are dispatched through an INS -> handler table, and
// every failure is raised as a Fault that one function turns into the
// status word of the card's command set.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "chv.h"
#include "profile.h"

namespace simcard {

enum class Fault {
    ClassNotSupported,
    InsNotSupported,
    WrongP1P2,
    WrongLength, // Lc or P3 wrong; detail = the length that would fit
    FileNotFound,
    RecordNotFound,
    OutOfRange, // offset outside a transparent file
    NoCurrentEf,
    WrongStructure,
    SecurityNotSatisfied,
    NoResponseData,
    NoApplication, // STATUS asked for the AID with no application active
};

// Status word of a fault in the given command set.
std::uint16_t StatusWordFor(Fault fault, CommandSet commandSet, std::uint8_t detail);

struct Command {
    std::uint8_t cla = 0, ins = 0, p1 = 0, p2 = 0;
    std::uint8_t p3 = 0; // Lc when data is present, else Le
    bool hasData = false;
    Bytes data;
    bool hasLe = false; // cases 2 and 4
    std::uint8_t le = 0;
};

class VirtualCard {
public:
    explicit VirtualCard(CardProfile profile);

    // One command APDU in, response data + SW1 SW2 out.
    Bytes Process(const Bytes& apdu);
    // Power cycle: the session starts over, memory stays.
    void Reset();

    const Bytes& Atr() const { return profile_.atr; }
    const CardProfile& Profile() const { return profile_; }

    // Current contents of the EF at `path` (file ids from the MF down, the MF
    // itself omitted); throws when there is no such EF. For tests and tools.
    const Bytes& Contents(const std::vector<std::uint16_t>& path) const;
    // Every command the card received, for tests.
    const std::vector<Bytes>& Received() const { return received_; }

private:
    struct Memory {
        std::map<const FileNode*, Bytes> contents;
        Chv1Memory chv1;
    };
    struct Session {
        const FileNode* df = nullptr;  // current MF, DF or ADF
        const FileNode* ef = nullptr;  // current EF, if any
        const FileNode* adf = nullptr; // active application
        Bytes pendingResponse;         // for GET RESPONSE
        int recordPointer = 0;         // 0 = none
        bool chv1Verified = false;
    };
    using Handler = Bytes (VirtualCard::*)(const Command&);

    Bytes Dispatch(const Command& command);
    Bytes Select(const Command& command);
    Bytes GetResponse(const Command& command);
    Bytes Status(const Command& command);
    Bytes ReadBinary(const Command& command);
    Bytes UpdateBinary(const Command& command);
    Bytes ReadRecord(const Command& command);
    Bytes UpdateRecord(const Command& command);
    Bytes Chv(const Command& command); // chv.cpp
    // A profile's fixed SELECT status word (select_status.cpp).
    Bytes ForcedSelectAnswer(Bytes answer);

    const FileNode* FindById(std::uint16_t id) const;
    const FileNode* FindByAid(const Bytes& aid) const;
    Bytes SelectAnswer(const FileNode& file) const;
    Bytes GsmAnswer(const FileNode& file) const;
    Bytes FcpAnswer(const FileNode& file) const;
    // The current EF when it has one of the two structures and its access
    // condition is met.
    const FileNode& CurrentEf(Structure wanted1, Structure wanted2) const;
    Bytes ProprietaryInfo(const FileNode& file) const;
    // The security attribute of `file`: the EF_ARR above it and the rule's
    // record, or nothing when no directory up to the MF holds an EF_ARR.
    std::optional<Bytes> ArrReference(const FileNode& file) const;
    // The EF a READ or UPDATE works on: the one named by a short file
    // identifier (`sfi` not 0), which becomes the current EF, or the current
    // one; it must have one of the two structures and its access condition
    // must be met.
    const FileNode& TargetEf(std::uint8_t sfi, Structure wanted1, Structure wanted2);
    // Response data of a T=1 card: as much as Le asks for, none without Le.
    Bytes DataAnswer(const Command& command, Bytes data) const;
    // A GSM SIM's 9Fxx and 67xx are words of its own command set: only a UICC
    // answers the T=1 way.
    bool T1() const {
        return profile_.commandSet == CommandSet::Uicc && profile_.transmission == Transmission::T1;
    }
    // The file and offset of READ or UPDATE BINARY, the file and mode of
    // READ or UPDATE RECORD, each by short file identifier or current EF.
    struct BinaryTarget {
        const FileNode& file;
        std::size_t offset;
    };
    struct RecordTarget {
        const FileNode& file;
        std::uint8_t mode;
    };
    BinaryTarget BinaryAddress(const Command& command);
    RecordTarget RecordAddress(const Command& command);
    int ResolveRecord(const FileNode& file, std::uint8_t p1, std::uint8_t mode, bool update);
    Bytes Success(Bytes data = {}) const;

    static const std::map<std::uint8_t, Handler>& Handlers();

    CardProfile profile_;
    Memory memory_;
    Session session_;
    std::vector<Bytes> received_;
};

} // namespace simcard
