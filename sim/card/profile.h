// Card profiles: the file tree and personal data a virtual card starts from.
// Profiles are JSON files (see sim/profiles); the tree is immutable once
// loaded, everything that changes while the card runs lives in the card's
// runtime state.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace simcard {

using Bytes = std::vector<std::uint8_t>;

// GSM 11.11 cards speak class A0 and answer SELECT with 9Fxx and the GSM
// response; UICC cards (TS 102 221) speak class 00, answer with 61xx and an
// FCP template and carry applications selected by AID.
enum class CommandSet { Gsm, Uicc };

enum class FileKind { Mf, Df, Adf, Ef };
enum class Structure { Transparent, LinearFixed, Cyclic };

// What READ and UPDATE of an EF need: nothing, or PIN1 (CHV1) verified since
// the last reset while PIN1 is enabled.
enum class Access { Always, Chv1 };

struct FileNode {
    FileKind kind = FileKind::Ef;
    std::uint16_t id = 0;
    std::string name; // for people reading a profile or a log
    Bytes aid;        // ADF only
    Structure structure = Structure::Transparent;
    int recordLength = 0; // record files
    int recordCount = 0;
    Bytes content; // initial contents: transparent bytes, or the records one after another
    Access access = Access::Always;
    // Short file identifier (1..30) of an EF of a UICC, if it has one.
    std::optional<std::uint8_t> sfi;
    std::vector<FileNode> children;
    const FileNode* parent = nullptr;

    bool IsDirectory() const { return kind != FileKind::Ef; }
    int Size() const { return static_cast<int>(content.size()); }
};

struct ChvSetting {
    bool enabled = true;
    std::string pin = "1234";
    int retries = 3;
    std::string puk = "12345678";
    int unblockRetries = 10;
};

// How the card answers commands that carry response data. A T=0 card
// announces the data with 61xx (9Fxx on a GSM SIM) for GET RESPONSE and
// corrects a wrong Le with 6Cxx; a T=1 card returns the data with the
// answer, as much as Le asks for. The vpcd link tells the card nothing of
// what pcscd negotiated: the card goes by the protocol its ATR offers.
enum class Transmission { T0, T1 };

struct CardProfile {
    std::string name;
    CommandSet commandSet = CommandSet::Gsm;
    Bytes atr;
    Transmission transmission = Transmission::T0; // from the ATR
    std::vector<std::uint8_t> classes;            // accepted CLA values
    ChvSetting chv1;
    // When set, every SELECT is answered with this status word (cards with
    // odd answers, for the tests that judge them).
    std::optional<std::uint16_t> selectStatus;
    // Heap-held so that parent pointers stay valid when the profile moves.
    std::shared_ptr<FileNode> mf;
};

// Parses "3B 02 14 50" or "3B021450".
Bytes ParseHex(const std::string& text);
// Formats bytes as "3B 02 14 50".
std::string FormatHex(const Bytes& bytes);

// Whether an ATR offers T=0: explicitly in one of its TDi bytes, or by
// having no TD1 at all (ISO 7816-3). Throws std::runtime_error when the
// interface bytes run past the end of the ATR.
bool AtrOffersT0(const Bytes& atr);

// The read and update condition GSM 11.11 and TS 31.102 give an EF of this id
// in a DF of `parentId`; profiles may override it per file ("access").
Access StandardAccess(std::uint16_t id, std::uint16_t parentId);

// Throws std::runtime_error naming the offending file entry.
CardProfile ParseProfile(const nlohmann::json& document);
// The optional "selectStatus" of a profile, e.g. "9240" (select_status.cpp).
std::optional<std::uint16_t> ParseSelectStatus(const nlohmann::json& document);
CardProfile LoadProfile(const std::string& path);

} // namespace simcard
