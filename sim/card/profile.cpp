#include "profile.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

namespace simcard {
namespace {

using nlohmann::json;

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
    throw std::runtime_error("profile: " + where + ": " + what);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::uint16_t ParseFileId(const std::string& where, const json& value) {
    Bytes id = ParseHex(value.get<std::string>());
    if (id.size() != 2)
        Fail(where, "a file id has four hex digits");
    return static_cast<std::uint16_t>((id[0] << 8) | id[1]);
}

FileKind ParseKind(const std::string& where, const std::string& text) {
    if (text == "MF")
        return FileKind::Mf;
    if (text == "DF")
        return FileKind::Df;
    if (text == "ADF")
        return FileKind::Adf;
    if (text == "EF")
        return FileKind::Ef;
    Fail(where, "unknown type '" + text + "'");
}

Structure ParseStructure(const std::string& where, const std::string& text) {
    if (text == "transparent")
        return Structure::Transparent;
    if (text == "linear")
        return Structure::LinearFixed;
    if (text == "cyclic")
        return Structure::Cyclic;
    Fail(where, "unknown structure '" + text + "'");
}

Access ParseAccess(const std::string& where, const std::string& text) {
    if (text == "ALW")
        return Access::Always;
    if (text == "CHV1" || text == "PIN1")
        return Access::Chv1;
    Fail(where, "access is ALW, CHV1 or PIN1");
}

void ParseContents(const std::string& where, const json& entry, FileNode& file) {
    if (file.structure == Structure::Transparent) {
        file.content = ParseHex(entry.value("content", ""));
        int size = entry.value("size", static_cast<int>(file.content.size()));
        if (size < static_cast<int>(file.content.size()) || size > 0xFFFF)
            Fail(where, "content does not fit the size");
        file.content.resize(static_cast<std::size_t>(size), 0xFF);
        return;
    }
    file.recordLength = entry.at("recordLength").get<int>();
    file.recordCount = entry.at("recordCount").get<int>();
    if (file.recordLength < 1 || file.recordLength > 255 || file.recordCount < 1 ||
        file.recordCount > 254)
        Fail(where, "record length 1..255 and count 1..254");
    file.content.assign(static_cast<std::size_t>(file.recordLength * file.recordCount), 0xFF);
    const json records = entry.value("records", json::array());
    if (records.size() > static_cast<std::size_t>(file.recordCount))
        Fail(where, "more records than recordCount");
    for (std::size_t i = 0; i < records.size(); ++i) {
        Bytes record = ParseHex(records[i].get<std::string>());
        if (record.size() > static_cast<std::size_t>(file.recordLength))
            Fail(where, "record " + std::to_string(i + 1) + " is longer than recordLength");
        std::copy(record.begin(), record.end(),
                  file.content.begin() + static_cast<std::ptrdiff_t>(i * file.recordLength));
    }
}

FileNode ParseFile(const std::string& parentPath, std::uint16_t parentId, const json& entry) {
    FileNode file;
    std::string where = parentPath + "/" + entry.value("id", entry.value("name", "?"));
    file.kind = ParseKind(where, entry.at("type").get<std::string>());
    file.name = entry.value("name", "");
    if (entry.contains("id"))
        file.id = ParseFileId(where, entry.at("id"));
    else if (file.kind != FileKind::Adf)
        Fail(where, "missing id");
    if (file.kind == FileKind::Adf) {
        file.aid = ParseHex(entry.at("aid").get<std::string>());
        if (file.aid.empty() || file.aid.size() > 16)
            Fail(where, "an AID has 1..16 bytes");
        if (!entry.contains("id"))
            file.id = 0x7FFF;
    }
    if (entry.contains("sfi")) {
        Bytes sfi = ParseHex(entry.at("sfi").get<std::string>());
        if (file.kind != FileKind::Ef || sfi.size() != 1 || sfi[0] < 1 || sfi[0] > 30)
            Fail(where, "an sfi is one byte 01..1E, of an EF");
        file.sfi = sfi[0];
    }
    if (file.kind == FileKind::Ef) {
        file.structure = ParseStructure(where, entry.value("structure", "transparent"));
        ParseContents(where, entry, file);
        file.access = entry.contains("access")
                          ? ParseAccess(where, entry.at("access").get<std::string>())
                          : StandardAccess(file.id, parentId);
        return file;
    }
    for (const json& child : entry.value("children", json::array()))
        file.children.push_back(ParseFile(where, file.id, child));
    return file;
}

void LinkParents(FileNode& node) {
    for (FileNode& child : node.children) {
        child.parent = &node;
        LinkParents(child);
    }
}

// Each directory may name a short file identifier once.
void CheckSfis(const FileNode& directory) {
    std::vector<std::uint8_t> seen;
    for (const FileNode& child : directory.children) {
        if (child.sfi) {
            if (std::find(seen.begin(), seen.end(), *child.sfi) != seen.end())
                Fail(FormatHex({static_cast<std::uint8_t>(child.id >> 8),
                                static_cast<std::uint8_t>(child.id & 0xFF)}),
                     "sfi used twice in one directory");
            seen.push_back(*child.sfi);
        }
        CheckSfis(child);
    }
}

} // namespace

bool AtrOffersT0(const Bytes& atr) {
    if (atr.size() < 2)
        throw std::runtime_error("profile: atr: no format byte");
    bool offersT0 = false;
    bool anyProtocol = false;
    std::size_t pos = 1; // T0, then each TDi
    for (;;) {
        const std::uint8_t indicator = atr[pos];
        // TAi, TBi, TCi present by bits 5..7, TDi by bit 8.
        std::size_t next = pos + 1;
        for (int bit = 4; bit < 7; ++bit)
            if (indicator & (1u << bit))
                ++next;
        if (!(indicator & 0x80))
            break;
        if (next >= atr.size())
            throw std::runtime_error("profile: atr: interface bytes run past the end");
        pos = next;
        anyProtocol = true;
        if ((atr[pos] & 0x0F) == 0)
            offersT0 = true;
    }
    return offersT0 || !anyProtocol;
}

Access StandardAccess(std::uint16_t id, std::uint16_t parentId) {
    // Every EF of the USIM phone book but its index (EF_PBR) holds personal
    // data: ADN, IAP, EXT1, ANR, SNE, EMAIL and the rest, whatever ids the
    // index gives them.
    if (parentId == 0x5F3A)
        return id == 0x4F30 ? Access::Always : Access::Chv1;
    switch (id) {
    case 0x6F3A: // ADN
    case 0x6F3B: // FDN
    case 0x6F3C: // SMS (GSM, USIM, R-UIM and PHS alike)
    case 0x6F3D: // CCP
    case 0x6F40: // MSISDN
    case 0x6F42: // SMSP
    case 0x6F43: // SMSS
    case 0x6F44: // LND
    case 0x6F4A: // EXT1
    case 0x6F4B: // EXT2
    case 0x6F07: // IMSI
    case 0x6F20: // Kc
    case 0x6F30: // PLMN selector
    case 0x6F31: // HPLMN search period
    case 0x6F38: // SST / UST
    case 0x6F78: // access control class
    case 0x6F7B: // forbidden PLMNs
    case 0x6F7E: // location information
        return Access::Chv1;
    default:
        // ICCID, DIR, language and phase files, SPN, AD, ECC and files this
        // card does not know.
        return Access::Always;
    }
}

Bytes ParseHex(const std::string& text) {
    Bytes bytes;
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == ':')
            continue;
        int value = HexValue(c);
        if (value < 0)
            throw std::runtime_error("profile: not a hex digit in '" + text + "'");
        if (high < 0) {
            high = value;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + value));
            high = -1;
        }
    }
    if (high >= 0)
        throw std::runtime_error("profile: odd number of hex digits in '" + text + "'");
    return bytes;
}

std::string FormatHex(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t b : bytes) {
        if (!text.empty())
            text += ' ';
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

CardProfile ParseProfile(const json& document) {
    CardProfile profile;
    profile.name = document.value("name", "card");
    std::string commandSet = document.value("commandSet", "gsm");
    if (commandSet == "gsm")
        profile.commandSet = CommandSet::Gsm;
    else if (commandSet == "uicc")
        profile.commandSet = CommandSet::Uicc;
    else
        Fail("commandSet", "gsm or uicc");
    profile.atr = ParseHex(document.at("atr").get<std::string>());
    if (profile.atr.size() < 2 || profile.atr.size() > 33)
        Fail("atr", "2..33 bytes");
    profile.transmission = AtrOffersT0(profile.atr) ? Transmission::T0 : Transmission::T1;
    if (document.contains("classes")) {
        for (const json& cla : document.at("classes")) {
            Bytes value = ParseHex(cla.get<std::string>());
            if (value.size() != 1)
                Fail("classes", "one byte each");
            profile.classes.push_back(value[0]);
        }
    } else {
        profile.classes = {profile.commandSet == CommandSet::Gsm ? std::uint8_t{0xA0}
                                                                 : std::uint8_t{0x00}};
    }
    if (document.contains("chv1")) {
        const json& chv = document.at("chv1");
        profile.chv1.enabled = chv.value("enabled", true);
        profile.chv1.pin = chv.value("pin", profile.chv1.pin);
        profile.chv1.retries = chv.value("retries", profile.chv1.retries);
        profile.chv1.puk = chv.value("puk", profile.chv1.puk);
        profile.chv1.unblockRetries = chv.value("unblockRetries", profile.chv1.unblockRetries);
    }
    profile.selectStatus = ParseSelectStatus(document);
    profile.mf = std::make_shared<FileNode>(ParseFile("", 0x0000, document.at("mf")));
    if (profile.mf->kind != FileKind::Mf || profile.mf->id != 0x3F00)
        Fail("mf", "the root is the MF 3F00");
    LinkParents(*profile.mf);
    CheckSfis(*profile.mf);
    return profile;
}

CardProfile LoadProfile(const std::string& path) {
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error("profile: cannot open " + path);
    json document;
    try {
        document = json::parse(in);
    } catch (const json::exception& e) {
        throw std::runtime_error("profile: " + path + ": " + e.what());
    }
    try {
        return ParseProfile(document);
    } catch (const json::exception& e) {
        throw std::runtime_error("profile: " + path + ": " + e.what());
    }
}

} // namespace simcard
