#include "virtual_card.h"

#include <algorithm>
#include <stdexcept>

namespace simcard {
namespace {

struct CardError {
    Fault fault;
    std::uint8_t detail = 0;
};

[[noreturn]] void Raise(Fault fault, std::uint8_t detail = 0) {
    throw CardError{fault, detail};
}

constexpr std::uint8_t kInsSelect = 0xA4;
constexpr std::uint8_t kInsGetResponse = 0xC0;
constexpr std::uint8_t kInsStatus = 0xF2;
constexpr std::uint8_t kInsReadBinary = 0xB0;
constexpr std::uint8_t kInsUpdateBinary = 0xD6;
constexpr std::uint8_t kInsReadRecord = 0xB2;
constexpr std::uint8_t kInsUpdateRecord = 0xDC;

constexpr std::uint8_t kModeNext = 0x02;
constexpr std::uint8_t kModePrevious = 0x03;
constexpr std::uint8_t kModeAbsolute = 0x04;

// TS 102 221 codes its own commands, STATUS among them, in class 8X.
constexpr std::uint8_t kClaUiccProprietary = 0x80;

// The rules of the profiles' EF_ARR, by record: READ and UPDATE always,
// READ and UPDATE after PIN1, and the rule of directories (ADM only).
constexpr std::uint8_t kArrRuleOpen = 1;
constexpr std::uint8_t kArrRulePin1 = 2;
constexpr std::uint8_t kArrRuleDirectory = 3;
constexpr std::uint16_t kEfArrUnderMf = 0x2F06;
constexpr std::uint16_t kEfArrInDirectory = 0x6F06;

// Available memory a directory reports in its proprietary information.
constexpr std::uint8_t kFreeMemory[] = {0x00, 0x00, 0x40, 0x00};

Bytes WithStatus(Bytes data, std::uint16_t sw) {
    data.push_back(static_cast<std::uint8_t>(sw >> 8));
    data.push_back(static_cast<std::uint8_t>(sw & 0xFF));
    return data;
}

void PutU16(Bytes& out, int value) {
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

void PutTlv(Bytes& out, std::uint8_t tag, const Bytes& value) {
    out.push_back(tag);
    out.push_back(static_cast<std::uint8_t>(value.size()));
    out.insert(out.end(), value.begin(), value.end());
}

Command Parse(const Bytes& apdu) {
    if (apdu.size() < 4)
        Raise(Fault::WrongLength);
    Command command;
    command.cla = apdu[0];
    command.ins = apdu[1];
    command.p1 = apdu[2];
    command.p2 = apdu[3];
    if (apdu.size() == 4)
        return command;
    command.p3 = apdu[4];
    if (apdu.size() == 5) {
        command.hasLe = true;
        command.le = apdu[4];
        return command;
    }
    // Case 3 (header, Lc, data) or case 4 (one trailing Le byte as well).
    std::size_t lc = apdu[4];
    if (apdu.size() != 5 + lc && apdu.size() != 6 + lc)
        Raise(Fault::WrongLength);
    command.hasData = true;
    command.data.assign(apdu.begin() + 5, apdu.begin() + 5 + static_cast<std::ptrdiff_t>(lc));
    if (apdu.size() == 6 + lc) {
        command.hasLe = true;
        command.le = apdu.back();
    }
    return command;
}

void FillMemory(const FileNode& node, std::map<const FileNode*, Bytes>& contents) {
    if (node.kind == FileKind::Ef)
        contents[&node] = node.content;
    for (const FileNode& child : node.children)
        FillMemory(child, contents);
}

std::uint8_t CountChildren(const FileNode& node, bool directories) {
    auto n = std::count_if(node.children.begin(), node.children.end(),
                           [&](const FileNode& c) { return c.IsDirectory() == directories; });
    return static_cast<std::uint8_t>(n);
}

} // namespace

std::uint16_t StatusWordFor(Fault fault, CommandSet commandSet, std::uint8_t detail) {
    const bool gsm = commandSet == CommandSet::Gsm;
    switch (fault) {
    case Fault::ClassNotSupported:
        return 0x6E00;
    case Fault::InsNotSupported:
        return 0x6D00;
    case Fault::WrongP1P2:
        return gsm ? 0x6B00 : 0x6A86;
    case Fault::WrongLength:
        // GSM 11.11: 67XX. UICC over T=0: 6CXX tells the length that fits.
        if (gsm)
            return static_cast<std::uint16_t>(0x6700 | detail);
        return detail ? static_cast<std::uint16_t>(0x6C00 | detail) : 0x6700;
    case Fault::FileNotFound:
        return gsm ? 0x9404 : 0x6A82;
    case Fault::RecordNotFound:
        return gsm ? 0x9402 : 0x6A83;
    case Fault::OutOfRange:
        return gsm ? 0x9402 : 0x6B00;
    case Fault::NoCurrentEf:
        return gsm ? 0x9400 : 0x6986;
    case Fault::WrongStructure:
        return gsm ? 0x9408 : 0x6981;
    case Fault::SecurityNotSatisfied:
        return gsm ? 0x9804 : 0x6982;
    case Fault::NoResponseData:
    case Fault::NoApplication:
        return gsm ? 0x6F00 : 0x6985;
    }
    return 0x6F00;
}

VirtualCard::VirtualCard(CardProfile profile) : profile_(std::move(profile)) {
    if (!profile_.mf)
        throw std::invalid_argument("virtual card: profile without MF");
    FillMemory(*profile_.mf, memory_.contents);
    memory_.chv1 = Chv1Memory::From(profile_.chv1);
    Reset();
}

void VirtualCard::Reset() {
    session_ = Session{};
    session_.df = profile_.mf.get();
}

const std::map<std::uint8_t, VirtualCard::Handler>& VirtualCard::Handlers() {
    static const std::map<std::uint8_t, Handler> table = {
        {kInsSelect, &VirtualCard::Select},
        {kInsGetResponse, &VirtualCard::GetResponse},
        {kInsStatus, &VirtualCard::Status},
        {kInsReadBinary, &VirtualCard::ReadBinary},
        {kInsUpdateBinary, &VirtualCard::UpdateBinary},
        {kInsReadRecord, &VirtualCard::ReadRecord},
        {kInsUpdateRecord, &VirtualCard::UpdateRecord},
        {0x20, &VirtualCard::Chv}, // VERIFY
        {0x24, &VirtualCard::Chv}, // CHANGE
        {0x26, &VirtualCard::Chv}, // DISABLE
        {0x28, &VirtualCard::Chv}, // ENABLE
        {0x2C, &VirtualCard::Chv}, // UNBLOCK
    };
    return table;
}

Bytes VirtualCard::Process(const Bytes& apdu) {
    received_.push_back(apdu);
    try {
        return Dispatch(Parse(apdu));
    } catch (const CardError& error) {
        // 6Cxx is a T=0 procedure: a T=1 card just says the length is wrong.
        const std::uint8_t detail =
            T1() && error.fault == Fault::WrongLength ? std::uint8_t{0} : error.detail;
        return WithStatus({}, StatusWordFor(error.fault, profile_.commandSet, detail));
    }
}

Bytes VirtualCard::Dispatch(const Command& command) {
    // Response data waits for the very next command only.
    Bytes pending = std::move(session_.pendingResponse);
    session_.pendingResponse.clear();
    const bool uiccStatus = profile_.commandSet == CommandSet::Uicc && command.ins == kInsStatus;
    if (uiccStatus ? command.cla != kClaUiccProprietary
                   : std::find(profile_.classes.begin(), profile_.classes.end(), command.cla) ==
                         profile_.classes.end())
        Raise(Fault::ClassNotSupported);
    auto handler = Handlers().find(command.ins);
    if (handler == Handlers().end())
        Raise(Fault::InsNotSupported);
    if (command.ins == kInsGetResponse)
        session_.pendingResponse = std::move(pending);
    return (this->*handler->second)(command);
}

Bytes VirtualCard::Success(Bytes data) const {
    return WithStatus(std::move(data), 0x9000);
}

const FileNode* VirtualCard::FindById(std::uint16_t id) const {
    const FileNode* mf = profile_.mf.get();
    if (id == mf->id)
        return mf;
    if (profile_.commandSet == CommandSet::Uicc && id == 0x7FFF && session_.adf)
        return session_.adf;
    const FileNode* df = session_.df;
    if (df->id == id && df->kind != FileKind::Adf)
        return df;
    for (const FileNode& child : df->children)
        if (child.id == id && child.kind != FileKind::Adf)
            return &child;
    if (const FileNode* parent = df->parent) {
        if (parent->id == id && parent->kind != FileKind::Adf)
            return parent;
        for (const FileNode& sibling : parent->children)
            if (sibling.id == id && sibling.kind == FileKind::Df)
                return &sibling;
    }
    return nullptr;
}

const FileNode* VirtualCard::FindByAid(const Bytes& aid) const {
    // A right-truncated AID selects the application it starts.
    for (const FileNode& child : profile_.mf->children) {
        if (child.kind != FileKind::Adf || aid.empty() || aid.size() > child.aid.size())
            continue;
        if (std::equal(aid.begin(), aid.end(), child.aid.begin()))
            return &child;
    }
    return nullptr;
}

Bytes VirtualCard::Select(const Command& command) {
    const bool gsm = profile_.commandSet == CommandSet::Gsm;
    const FileNode* file = nullptr;
    if (!command.hasData)
        Raise(Fault::WrongLength);
    if (gsm) {
        if (command.p1 != 0x00 || command.p2 != 0x00)
            Raise(Fault::WrongP1P2);
        if (command.data.size() != 2)
            Raise(Fault::WrongLength);
        file = FindById(static_cast<std::uint16_t>((command.data[0] << 8) | command.data[1]));
    } else {
        if (command.p2 != 0x04 && command.p2 != 0x0C)
            Raise(Fault::WrongP1P2);
        if (command.p1 == 0x00) {
            if (command.data.size() != 2)
                Raise(Fault::WrongLength);
            file = FindById(static_cast<std::uint16_t>((command.data[0] << 8) | command.data[1]));
        } else if (command.p1 == 0x04) {
            file = FindByAid(command.data);
        } else {
            Raise(Fault::WrongP1P2);
        }
    }
    if (!file)
        Raise(Fault::FileNotFound);

    if (file->IsDirectory()) {
        session_.df = file;
        session_.ef = nullptr;
        if (file->kind == FileKind::Adf)
            session_.adf = file;
    } else {
        session_.ef = file;
    }
    session_.recordPointer = 0;

    Bytes answer = SelectAnswer(*file);
    if (profile_.selectStatus)
        return ForcedSelectAnswer(std::move(answer));
    if (gsm) {
        session_.pendingResponse = answer;
        return WithStatus({}, static_cast<std::uint16_t>(0x9F00 | answer.size()));
    }
    if (command.p2 == 0x0C)
        return Success();
    if (T1())
        return DataAnswer(command, std::move(answer));
    session_.pendingResponse = answer;
    return WithStatus({}, static_cast<std::uint16_t>(0x6100 | answer.size()));
}

Bytes VirtualCard::GetResponse(const Command& command) {
    Bytes& pending = session_.pendingResponse;
    if (pending.empty())
        Raise(Fault::NoResponseData);
    std::size_t wanted = command.p3 == 0 ? 256 : command.p3;
    if (wanted > pending.size())
        Raise(Fault::WrongLength, static_cast<std::uint8_t>(pending.size()));
    Bytes data(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(wanted));
    pending.clear();
    return Success(std::move(data));
}

Bytes VirtualCard::Status(const Command& command) {
    Bytes answer;
    if (profile_.commandSet == CommandSet::Gsm) {
        answer = SelectAnswer(*session_.df);
    } else {
        // P1 tells how the terminal stands to the application; P2 picks the
        // answer: the FCP of the current directory, the AID of the active
        // application, or nothing.
        if (command.p1 > 0x02)
            Raise(Fault::WrongP1P2);
        switch (command.p2) {
        case 0x00:
            answer = SelectAnswer(*session_.df);
            break;
        case 0x01:
            if (!session_.adf)
                Raise(Fault::NoApplication);
            PutTlv(answer, 0x84, session_.adf->aid);
            break;
        case 0x0C:
            return Success();
        default:
            Raise(Fault::WrongP1P2);
        }
        if (T1())
            return DataAnswer(command, std::move(answer));
    }
    if (command.p3 != 0 && command.p3 < answer.size())
        answer.resize(command.p3);
    return Success(std::move(answer));
}

Bytes VirtualCard::DataAnswer(const Command& command, Bytes data) const {
    // No Le, no data; Le 00 asks for everything up to 256 bytes.
    if (!command.hasLe)
        return Success();
    const std::size_t wanted = command.le == 0 ? 256 : command.le;
    if (data.size() > wanted)
        data.resize(wanted);
    return Success(std::move(data));
}

Bytes VirtualCard::SelectAnswer(const FileNode& file) const {
    return profile_.commandSet == CommandSet::Gsm ? GsmAnswer(file) : FcpAnswer(file);
}

Bytes VirtualCard::GsmAnswer(const FileNode& file) const {
    Bytes out;
    PutU16(out, 0x0000);
    if (file.IsDirectory()) {
        // GSM 11.11 9.2.1, MF and DF.
        PutU16(out, 0x1F40); // memory not allocated
        PutU16(out, file.id);
        out.push_back(file.kind == FileKind::Mf ? 0x01 : 0x02);
        out.insert(out.end(), 5, 0x00);
        out.push_back(0x09); // length of the GSM data that follows
        out.push_back(static_cast<std::uint8_t>(0x13 | (memory_.chv1.enabled ? 0x00 : 0x80)));
        out.push_back(CountChildren(file, true));
        out.push_back(CountChildren(file, false));
        out.push_back(0x04); // CHVs, unblock CHVs, administrative codes
        out.push_back(0x00);
        out.push_back(static_cast<std::uint8_t>(0x80 | (memory_.chv1.retries & 0x0F)));
        out.push_back(static_cast<std::uint8_t>(0x80 | (memory_.chv1.unblockRetries & 0x0F)));
        out.push_back(0x83); // CHV2, initialised, 3 attempts
        out.push_back(0x8A); // UNBLOCK CHV2, 10 attempts
        return out;
    }
    // GSM 11.11 9.2.1, EF.
    const Bytes& content = memory_.contents.at(&file);
    PutU16(out, static_cast<int>(content.size()));
    PutU16(out, file.id);
    out.push_back(0x04);
    out.push_back(0x00);
    // Access conditions: READ and UPDATE as the file has them (CHV1 or ALW),
    // INCREASE ALW, REHABILITATE and INVALIDATE ADM.
    const std::uint8_t readUpdate = file.access == Access::Chv1 ? 0x11 : 0x00;
    out.insert(out.end(), {readUpdate, 0x00, 0x44});
    out.push_back(0x01); // not invalidated
    out.push_back(0x02);
    switch (file.structure) {
    case Structure::Transparent:
        out.push_back(0x00);
        break;
    case Structure::LinearFixed:
        out.push_back(0x01);
        break;
    case Structure::Cyclic:
        out.push_back(0x03);
        break;
    }
    out.push_back(static_cast<std::uint8_t>(file.recordLength));
    return out;
}

Bytes VirtualCard::FcpAnswer(const FileNode& file) const {
    // TS 102 221 11.1.1.3.
    Bytes body;
    const Bytes fileId = {static_cast<std::uint8_t>(file.id >> 8),
                          static_cast<std::uint8_t>(file.id & 0xFF)};
    const std::optional<Bytes> arr = ArrReference(file);
    if (file.IsDirectory()) {
        PutTlv(body, 0x82, {0x78, 0x21});
        PutTlv(body, 0x83, fileId);
        if (file.kind == FileKind::Adf)
            PutTlv(body, 0x84, file.aid);
        PutTlv(body, 0xA5, ProprietaryInfo(file));
        PutTlv(body, 0x8A, {0x05});
        if (arr)
            PutTlv(body, 0x8B, *arr);
        // PIN status template: PS_DO bit 8 = key reference 01 (PIN1) enabled.
        PutTlv(body, 0xC6,
               {0x90, 0x01, static_cast<std::uint8_t>(memory_.chv1.enabled ? 0x80 : 0x00), 0x83,
                0x01, 0x01, 0x83, 0x01, 0x81});
    } else {
        const Bytes& content = memory_.contents.at(&file);
        switch (file.structure) {
        case Structure::Transparent:
            PutTlv(body, 0x82, {0x41, 0x21});
            break;
        case Structure::LinearFixed:
        case Structure::Cyclic:
            PutTlv(body, 0x82,
                   {static_cast<std::uint8_t>(file.structure == Structure::Cyclic ? 0x46 : 0x42),
                    0x21, static_cast<std::uint8_t>(file.recordLength >> 8),
                    static_cast<std::uint8_t>(file.recordLength & 0xFF),
                    static_cast<std::uint8_t>(file.recordCount)});
            break;
        }
        PutTlv(body, 0x83, fileId);
        PutTlv(body, 0x8A, {0x05});
        if (arr)
            PutTlv(body, 0x8B, *arr);
        Bytes size;
        PutU16(size, static_cast<int>(content.size()));
        PutTlv(body, 0x80, size);
        // An EF without a short file identifier says so (an absent tag would
        // give it the low five bits of its file id).
        if (file.sfi)
            PutTlv(body, 0x88, {static_cast<std::uint8_t>(*file.sfi << 3)});
        else
            PutTlv(body, 0x88, {});
    }
    Bytes out;
    PutTlv(out, 0x62, body);
    return out;
}

Bytes VirtualCard::ProprietaryInfo(const FileNode& file) const {
    Bytes info;
    // UICC characteristics, MF only: clock stop allowed, no preferred level,
    // the byte cards commonly carry.
    if (file.kind == FileKind::Mf)
        PutTlv(info, 0x80, {0x71});
    PutTlv(info, 0x83, Bytes(std::begin(kFreeMemory), std::end(kFreeMemory)));
    return info;
}

std::optional<Bytes> VirtualCard::ArrReference(const FileNode& file) const {
    std::uint8_t rule = kArrRuleDirectory;
    if (!file.IsDirectory())
        rule = file.access == Access::Chv1 ? kArrRulePin1 : kArrRuleOpen;
    // The EF_ARR of the file's directory, or of the nearest one above it;
    // a DF's rule lives with its parent, the MF's in the MF.
    const FileNode* directory = file.kind == FileKind::Mf ? &file : file.parent;
    for (; directory; directory = directory->parent) {
        const std::uint16_t arrId =
            directory->kind == FileKind::Mf ? kEfArrUnderMf : kEfArrInDirectory;
        for (const FileNode& child : directory->children)
            if (child.kind == FileKind::Ef && child.id == arrId)
                return Bytes{static_cast<std::uint8_t>(arrId >> 8),
                             static_cast<std::uint8_t>(arrId & 0xFF), rule};
    }
    return std::nullopt;
}

const FileNode& VirtualCard::TargetEf(std::uint8_t sfi, Structure wanted1, Structure wanted2) {
    if (sfi != 0) {
        const FileNode* named = nullptr;
        for (const FileNode& child : session_.df->children)
            if (child.kind == FileKind::Ef && child.sfi == sfi)
                named = &child;
        if (!named)
            Raise(Fault::FileNotFound);
        if (named != session_.ef) {
            session_.ef = named;
            session_.recordPointer = 0;
        }
    }
    return CurrentEf(wanted1, wanted2);
}

const FileNode& VirtualCard::CurrentEf(Structure wanted1, Structure wanted2) const {
    if (!session_.ef)
        Raise(Fault::NoCurrentEf);
    if (session_.ef->structure != wanted1 && session_.ef->structure != wanted2)
        Raise(Fault::WrongStructure);
    // GSM 11.11 and TS 102 221: a disabled PIN1 grants CHV1 access; an
    // enabled one must have been verified since the last reset.
    if (session_.ef->access == Access::Chv1 && memory_.chv1.enabled && !session_.chv1Verified)
        Raise(Fault::SecurityNotSatisfied);
    return *session_.ef;
}

VirtualCard::BinaryTarget VirtualCard::BinaryAddress(const Command& command) {
    if (!(command.p1 & 0x80)) {
        const FileNode& file = TargetEf(0, Structure::Transparent, Structure::Transparent);
        return {file, static_cast<std::size_t>((command.p1 << 8) | command.p2)};
    }
    // P1 = 100x xxxx: a short file identifier in the low five bits, the
    // offset in P2. GSM 11.11 has none.
    const std::uint8_t sfi = command.p1 & 0x1F;
    if (profile_.commandSet == CommandSet::Gsm || (command.p1 & 0x60) || sfi == 0)
        Raise(Fault::WrongP1P2);
    const FileNode& file = TargetEf(sfi, Structure::Transparent, Structure::Transparent);
    return {file, command.p2};
}

Bytes VirtualCard::ReadBinary(const Command& command) {
    const auto [file, offset] = BinaryAddress(command);
    const Bytes& content = memory_.contents.at(&file);
    if (offset >= content.size())
        Raise(Fault::OutOfRange);
    std::size_t wanted = command.p3 == 0 ? 256 : command.p3;
    std::size_t available = content.size() - offset;
    auto begin = content.begin() + static_cast<std::ptrdiff_t>(offset);
    if (T1()) {
        if (!command.hasLe)
            return Success();
        // Le 00 reads up to the end; a longer Le gets what there is and a
        // warning that the end came first.
        if (wanted > available)
            return WithStatus(Bytes(begin, content.end()), command.le == 0 ? 0x9000 : 0x6282);
        return Success(Bytes(begin, begin + static_cast<std::ptrdiff_t>(wanted)));
    }
    if (wanted > available)
        Raise(Fault::WrongLength, static_cast<std::uint8_t>(std::min<std::size_t>(available, 255)));
    return Success(Bytes(begin, begin + static_cast<std::ptrdiff_t>(wanted)));
}

Bytes VirtualCard::UpdateBinary(const Command& command) {
    const auto [file, offset] = BinaryAddress(command);
    if (!command.hasData)
        Raise(Fault::WrongLength);
    Bytes& content = memory_.contents.at(&file);
    if (offset >= content.size())
        Raise(Fault::OutOfRange);
    if (command.data.size() > content.size() - offset)
        Raise(Fault::WrongLength);
    std::copy(command.data.begin(), command.data.end(),
              content.begin() + static_cast<std::ptrdiff_t>(offset));
    return Success();
}

int VirtualCard::ResolveRecord(const FileNode& file, std::uint8_t p1, std::uint8_t mode,
                               bool update) {
    const bool cyclic = file.structure == Structure::Cyclic;
    const int count = file.recordCount;
    int current = session_.recordPointer;
    int record = 0;
    switch (mode) {
    case kModeAbsolute:
        // GSM 11.11: a cyclic file is only written in PREVIOUS mode.
        if (update && cyclic)
            Raise(Fault::WrongP1P2);
        record = p1 == 0 ? current : p1;
        if (record < 1 || record > count)
            Raise(Fault::RecordNotFound);
        return record;
    case kModeNext:
        if (update && cyclic)
            Raise(Fault::WrongP1P2);
        record = current == 0 ? 1 : current + 1;
        if (record > count) {
            if (!cyclic)
                Raise(Fault::RecordNotFound);
            record = 1;
        }
        return record;
    case kModePrevious:
        if (update && cyclic)
            return count; // the oldest record, which becomes record 1
        record = current == 0 ? count : current - 1;
        if (record < 1) {
            if (!cyclic)
                Raise(Fault::RecordNotFound);
            record = count;
        }
        return record;
    default:
        Raise(Fault::WrongP1P2);
    }
}

VirtualCard::RecordTarget VirtualCard::RecordAddress(const Command& command) {
    // A UICC takes a short file identifier in P2 bits 8..4 (0: the current
    // EF; 1F is reserved) and the mode in bits 3..1.
    if (profile_.commandSet == CommandSet::Gsm)
        return {TargetEf(0, Structure::LinearFixed, Structure::Cyclic), command.p2};
    const std::uint8_t sfi = command.p2 >> 3;
    if (sfi == 0x1F)
        Raise(Fault::WrongP1P2);
    return {TargetEf(sfi, Structure::LinearFixed, Structure::Cyclic),
            static_cast<std::uint8_t>(command.p2 & 0x07)};
}

Bytes VirtualCard::ReadRecord(const Command& command) {
    const auto [file, mode] = RecordAddress(command);
    int record = ResolveRecord(file, command.p1, mode, false);
    // Le 00 asks a T=1 card for the whole record.
    const bool lengthFits = command.p3 == file.recordLength || (T1() && command.p3 == 0);
    if (!lengthFits)
        Raise(Fault::WrongLength, static_cast<std::uint8_t>(file.recordLength));
    session_.recordPointer = record;
    const Bytes& content = memory_.contents.at(&file);
    auto begin = content.begin() + static_cast<std::ptrdiff_t>((record - 1) * file.recordLength);
    return Success(Bytes(begin, begin + file.recordLength));
}

Bytes VirtualCard::UpdateRecord(const Command& command) {
    const auto [file, mode] = RecordAddress(command);
    int record = ResolveRecord(file, command.p1, mode, true);
    if (!command.hasData || command.data.size() != static_cast<std::size_t>(file.recordLength))
        Raise(Fault::WrongLength);
    Bytes& content = memory_.contents.at(&file);
    if (file.structure == Structure::Cyclic) {
        // The oldest record moves to the front and takes the new data.
        std::rotate(content.rbegin(), content.rbegin() + file.recordLength, content.rend());
        record = 1;
    }
    std::copy(command.data.begin(), command.data.end(),
              content.begin() + static_cast<std::ptrdiff_t>((record - 1) * file.recordLength));
    session_.recordPointer = record;
    return Success();
}

const Bytes& VirtualCard::Contents(const std::vector<std::uint16_t>& path) const {
    const FileNode* node = profile_.mf.get();
    for (std::uint16_t id : path) {
        const FileNode* next = nullptr;
        for (const FileNode& child : node->children)
            if (child.id == id)
                next = &child;
        if (!next)
            throw std::out_of_range("virtual card: no file on that path");
        node = next;
    }
    if (node->kind != FileKind::Ef)
        throw std::out_of_range("virtual card: path names a directory");
    return memory_.contents.at(node);
}

} // namespace simcard
