#include "card_stack_run.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <optional>

#include "nimbrel.h"

namespace card_stack {
namespace {

// Deeper than any call of the library reaches.
constexpr std::size_t kSprayBytes = 48 * 1024;

[[noreturn]] void Broken(const char* call, const char* rule) {
    std::fprintf(stderr, "card stack: after %s: %s\n", call, rule);
    std::abort();
}

// Leaves `fill` in the stack the next call of the caller will occupy, so
// that a read of bytes the library never wrote shows up as a difference
// between two fills.
__attribute__((noinline)) void SprayStack(std::uint8_t fill) {
    std::uint8_t area[kSprayBytes];
    std::memset(area, fill, sizeof area);
    asm volatile("" : : "r"(area) : "memory");
}

template <std::size_t N> bool Terminated(const char (&field)[N]) {
    return std::memchr(field, 0, N) != nullptr;
}

template <std::size_t N> bool Ucs2Terminated(const std::uint8_t (&field)[N]) {
    for (std::size_t i = 0; i + 1 < N; i += 2)
        if (field[i] == 0 && field[i + 1] == 0)
            return true;
    return false;
}

// Characters of a terminated field all from `allowed`.
template <std::size_t N> bool OnlyFrom(const char (&field)[N], const char* allowed) {
    for (std::size_t i = 0; i < N && field[i] != '\0'; ++i)
        if (!std::strchr(allowed, field[i]))
            return false;
    return true;
}

// UCS2 text high byte first with its 16-bit zero, cut to the field.
void PutUcs2(std::uint8_t* field, std::size_t size, std::initializer_list<char16_t> text) {
    std::memset(field, 0, size);
    std::size_t at = 0;
    for (char16_t ch : text) {
        if (at + 4 > size)
            break;
        field[at++] = static_cast<std::uint8_t>(ch >> 8);
        field[at++] = static_cast<std::uint8_t>(ch);
    }
}

class Runner {
public:
    Runner(const RunOptions& options, Transcript* transcript)
        : options_(options), transcript_(transcript) {}

    void Run();

private:
    template <typename Fn> QuarnResult Call(const char* name, Fn fn) {
        if (options_.sprayStack)
            SprayStack(options_.fill);
        const QuarnResult rv = fn();
        call_ = name;
        if (transcript_)
            transcript_->calls.emplace_back(transcript_->bytes.size(), name);
        Note(&rv, sizeof rv);
        return rv;
    }
    template <typename T> void Fill(T& record) {
        std::memset(&record, options_.fill, sizeof record);
    }
    template <typename T> void Keep(const T& record) { Note(&record, sizeof record); }
    void Note(const void* bytes, std::size_t size) {
        if (!transcript_)
            return;
        const auto* begin = static_cast<const std::uint8_t*>(bytes);
        transcript_->bytes.insert(transcript_->bytes.end(), begin, begin + size);
    }
    void Require(bool rule, const char* text) const {
        if (!rule)
            Broken(call_, text);
    }

    void CheckFile(const _FILE_INFO& fi) const;
    void CheckItem(const _PHONEBOOK_ITEM& item) const;
    void CheckSms(const _SMS_ITEM& item) const;
    void CheckCdmaSms(const _CDMA_SMS_ITEM& item) const;
    void CheckCardInfo(const _CARD_INFO& info) const;

    bool Open(const char* name, QuarnResult (*open)(QuarnConnection, _FILE_INFO*), _FILE_INFO& fi);
    // Reads the book's records in order until one fails, checking and keeping
    // each; gives back the first record when there was one.
    template <typename Item, typename Read>
    std::optional<Item> ReadRecords(const char* name, _FILE_INFO& fi, Read read,
                                    void (Runner::*check)(const Item&) const) {
        std::optional<Item> first;
        const int records =
            fi.recordCount < options_.maxRecords ? fi.recordCount : options_.maxRecords;
        for (int record = 1; record <= records; ++record) {
            Item item;
            Fill(item);
            if (Call(name, [&] { return read(connection_, &fi, &item, record); }) != QUARN_OK)
                break;
            (this->*check)(item);
            Keep(item);
            if (record == 1)
                first = item;
        }
        return first;
    }
    void DiallingBook(bool lastDialled);
    void SmsBook(const char* name, QuarnResult (*open)(QuarnConnection, _FILE_INFO*),
                 QuarnResult (*read)(QuarnConnection, _FILE_INFO*, _SMS_ITEM*, int),
                 QuarnResult (*write)(QuarnConnection, _FILE_INFO*, _SMS_ITEM*, int));
    void CdmaSmsBook();
    void UsimPhoneBook();
    void CardInfo(bool usim);
    void Imsi();
    void Pin();
    void FileMap(bool usim);

    const RunOptions& options_;
    Transcript* transcript_;
    QuarnConnection connection_ = 0;
    const char* call_ = "start";
};

void Runner::CheckFile(const _FILE_INFO& fi) const {
    Require(fi.fileSize >= 0 && fi.recordLength >= 0 && fi.recordCount >= 0,
            "negative file geometry");
    Require(fi.recordLength <= 0xFFFF && fi.recordCount <= 0xFFFF, "record geometry too large");
    Require(static_cast<long long>(fi.recordLength) * fi.recordCount <= fi.fileSize,
            "records do not fit the file size");
}

void Runner::CheckItem(const _PHONEBOOK_ITEM& item) const {
    Require(Terminated(item.name), "name not terminated");
    Require(Ucs2Terminated(item.nameUcs2), "UCS2 name not terminated");
    Require(Terminated(item.number), "number not terminated");
    Require(item.nameLength >= 0 && item.nameLength < static_cast<int>(sizeof item.name),
            "name length out of bounds");
    const bool plus = item.number[0] == '+';
    Require(OnlyFrom(item.number, "+0123456789*#") && !std::strchr(item.number + 1, '+'),
            "number holds a character that cannot be dialled");
    Require(std::strlen(item.number) <= 20u + (plus ? 1 : 0), "number longer than 20 digits");
}

void Runner::CheckSms(const _SMS_ITEM& item) const {
    Require(Terminated(item.address), "address not terminated");
    Require(Terminated(item.timeStamp), "time stamp not terminated");
    Require(Terminated(item.text), "text not terminated");
    Require(Ucs2Terminated(item.textUcs2), "UCS2 text not terminated");
}

void Runner::CheckCdmaSms(const _CDMA_SMS_ITEM& item) const {
    Require(Terminated(item.address), "address not terminated");
    Require(Terminated(item.timeStamp), "time stamp not terminated");
    Require(Terminated(item.text), "text not terminated");
    Require(Ucs2Terminated(item.textUcs2), "UCS2 text not terminated");
    Require(Terminated(item.callback), "call-back number not terminated");
}

void Runner::CheckCardInfo(const _CARD_INFO& info) const {
    Require(info.pinEnabled == 0 || info.pinEnabled == 1, "PIN enabled flag not 0 or 1");
    Require(info.pinBlocked == 0 || info.pinBlocked == 1, "PIN blocked flag not 0 or 1");
    Require(info.pinRetries >= QUARN_RETRIES_UNKNOWN && info.pinRetries <= 15,
            "PIN tries out of range");
    Require(info.pukRetries >= 0 && info.pukRetries <= 15, "PUK tries out of range");
    Require(info.phoneBookSize >= 0 && info.lastDialledSize >= 0 && info.smsSize >= 0,
            "negative book size");
    Require(Terminated(info.iccid) && OnlyFrom(info.iccid, "0123456789"),
            "ICCID not terminated decimal digits");
}

bool Runner::Open(const char* name, QuarnResult (*open)(QuarnConnection, _FILE_INFO*),
                  _FILE_INFO& fi) {
    Fill(fi);
    if (Call(name, [&] { return open(connection_, &fi); }) != QUARN_OK)
        return false;
    CheckFile(fi);
    Keep(fi);
    return true;
}

void Runner::DiallingBook(bool lastDialled) {
    _FILE_INFO fi;
    if (!Open(lastDialled ? "Quarn_OpenLastNumDialledBook" : "Quarn_OpenPhoneBook",
              lastDialled ? Quarn_OpenLastNumDialledBook : Quarn_OpenPhoneBook, fi))
        return;
    auto read = lastDialled ? Quarn_ReadLastNumDialledBook : Quarn_ReadPhoneBook;
    std::optional<_PHONEBOOK_ITEM> first =
        ReadRecords("read dialling record", fi, read, &Runner::CheckItem);
    // What was read goes back unchanged, then entries of our own: a Latin
    // name, a Cyrillic one, and one with characters whose high byte is FF.
    _PHONEBOOK_ITEM mine{}, cyrillic{}, wide{};
    std::strcpy(mine.name, "Fuzz Tester");
    std::strcpy(mine.number, "+4930123456789");
    PutUcs2(cyrillic.nameUcs2, sizeof cyrillic.nameUcs2,
            {u'\u0416', u'\u0430', u'\u043D', u'\u043D', u'\u0430'});
    std::strcpy(cyrillic.number, "89161234567");
    PutUcs2(wide.nameUcs2, sizeof wide.nameUcs2, {u'\uFF21', u'b', u'\uFF23'});
    std::strcpy(wide.number, "*31#");
    for (_PHONEBOOK_ITEM* item : {first ? &*first : nullptr, &mine, &cyrillic, &wide}) {
        if (!item)
            continue;
        if (lastDialled)
            Call("Quarn_WriteLastNumDialledBook",
                 [&] { return Quarn_WriteLastNumDialledBook(connection_, &fi, item); });
        else
            Call("Quarn_WritePhoneBook",
                 [&] { return Quarn_WritePhoneBook(connection_, &fi, item, 1); });
    }
}

void Runner::SmsBook(const char* name, QuarnResult (*open)(QuarnConnection, _FILE_INFO*),
                     QuarnResult (*read)(QuarnConnection, _FILE_INFO*, _SMS_ITEM*, int),
                     QuarnResult (*write)(QuarnConnection, _FILE_INFO*, _SMS_ITEM*, int)) {
    _FILE_INFO fi;
    if (!Open(name, open, fi))
        return;
    std::optional<_SMS_ITEM> first = ReadRecords("read SMS record", fi, read, &Runner::CheckSms);
    if (first)
        Call("write SMS record back", [&] { return write(connection_, &fi, &*first, 1); });
    _SMS_ITEM mine{}, ucs2{};
    mine.status = ucs2.status = 7;
    std::strcpy(mine.address, "+4930123456789");
    std::strcpy(mine.text, "Fuzz test message {with} [escapes]");
    std::strcpy(ucs2.address, "0123456789");
    PutUcs2(ucs2.textUcs2, sizeof ucs2.textUcs2,
            {u'\u041F', u'\u0440', u'\u0438', u'\u0432', u'\u0435', u'\u0442'});
    for (_SMS_ITEM* item : {&mine, &ucs2})
        Call("write new SMS", [&] { return write(connection_, &fi, item, 1); });
}

void Runner::CdmaSmsBook() {
    _FILE_INFO fi;
    if (!Open("Quarn_OpenCDMASMSBook", Quarn_OpenCDMASMSBook, fi))
        return;
    std::optional<_CDMA_SMS_ITEM> first =
        ReadRecords("Quarn_ReadCDMASMSBook", fi, Quarn_ReadCDMASMSBook, &Runner::CheckCdmaSms);
    if (first)
        Call("Quarn_WriteCDMASMSBook",
             [&] { return Quarn_WriteCDMASMSBook(connection_, &fi, &*first, 1); });
    _CDMA_SMS_ITEM mine{}, ucs2{};
    mine.status = ucs2.status = 7;
    std::strcpy(mine.address, "5551234567");
    std::strcpy(mine.text, "Fuzz test message");
    std::strcpy(ucs2.address, "5551234567");
    PutUcs2(ucs2.textUcs2, sizeof ucs2.textUcs2,
            {u'\u041F', u'\u0440', u'\u0438', u'\u0432', u'\u0435', u'\u0442'});
    for (_CDMA_SMS_ITEM* item : {&mine, &ucs2})
        Call("Quarn_WriteCDMASMSBook",
             [&] { return Quarn_WriteCDMASMSBook(connection_, &fi, item, 1); });
}

void Runner::UsimPhoneBook() {
    _USIM_PHONEBOOK_INFO info;
    Fill(info);
    if (Call("Quarn_OpenUISMPhoneBook",
             [&] { return Quarn_OpenUISMPhoneBook(connection_, &info); }) != QUARN_OK)
        return;
    const int capacity = static_cast<int>(std::size(info.files));
    Require(info.fileCount >= 0 && info.fileCount <= capacity, "file count out of bounds");
    long long records = 0;
    for (int i = 0; i < info.fileCount; ++i) {
        CheckFile(info.files[i]);
        Require(info.fileId[i] >= 0 && info.fileId[i] <= 0xFFFF, "file identifier out of range");
        records += info.files[i].recordCount;
    }
    Require(info.totalRecords == records, "total records differ from the files' sum");
    Keep(info);

    for (int i = 0; i < info.fileCount; ++i) {
        if (Call("Quarn_SelectADN", [&] { return Quarn_SelectADN(connection_, info.fileId[i]); }) !=
            QUARN_OK)
            continue;
        _FILE_INFO fi = info.files[i];
        std::optional<_PHONEBOOK_ITEM> first =
            ReadRecords("Quarn_ReadPhoneBook (ADN)", fi, Quarn_ReadPhoneBook, &Runner::CheckItem);
        if (first)
            Call("Quarn_WritePhoneBook (ADN)",
                 [&] { return Quarn_WritePhoneBook(connection_, &fi, &*first, 1); });
    }
}

void Runner::CardInfo(bool usim) {
    _CARD_INFO info;
    Fill(info);
    const QuarnResult rv = usim ? Call("Quarn_GetUSIMCardInfo",
                                       [&] { return Quarn_GetUSIMCardInfo(connection_, &info); })
                                : Call("Quarn_GetSIMCardInfo",
                                       [&] { return Quarn_GetSIMCardInfo(connection_, &info); });
    if (rv != QUARN_OK)
        return;
    CheckCardInfo(info);
    Keep(info);
}

void Runner::Imsi() {
    // The IMSI buffer the header promises (15 digits and the NUL), with a
    // guard behind it that must stay as it was.
    constexpr std::size_t kImsi = 16, kGuard = 16;
    char buffer[kImsi + kGuard];
    std::memset(buffer, options_.fill, sizeof buffer);
    if (Call("Quarn_GetIMSI", [&] { return Quarn_GetIMSI(connection_, buffer); }) != QUARN_OK)
        return;
    for (std::size_t i = kImsi; i < sizeof buffer; ++i)
        Require(static_cast<std::uint8_t>(buffer[i]) == options_.fill, "wrote past the IMSI");
    Require(std::memchr(buffer, 0, kImsi) != nullptr, "IMSI not terminated");
    // The first character is the high half of the first byte taken as a
    // digit whatever its value ('0' to '?'); the rest end at a half above 9.
    if (buffer[0] != '\0')
        Require(buffer[0] >= '0' && buffer[0] <= '?', "IMSI first character out of range");
    for (std::size_t i = 1; buffer[0] != '\0' && buffer[i] != '\0'; ++i)
        Require(buffer[i] >= '0' && buffer[i] <= '9', "IMSI not decimal digits");
    Note(buffer, kImsi);
}

void Runner::Pin() {
    Call("Quarn_VerifySIMCHV", [&] { return Quarn_VerifySIMCHV(connection_, "1234", 4); });
    Call("Quarn_EnableSIMCHV", [&] { return Quarn_EnableSIMCHV(connection_, "1234", 4); });
    Call("Quarn_DisableSIMCHV", [&] { return Quarn_DisableSIMCHV(connection_, "1234", 4); });
    Call("Quarn_ChangeSIMCHV",
         [&] { return Quarn_ChangeSIMCHV(connection_, "1234", 4, "1234", 4); });
    Call("Quarn_UnBlockSIMCHV",
         [&] { return Quarn_UnBlockSIMCHV(connection_, "12345678", 8, "1234", 4); });
}

void Runner::FileMap(bool usim) {
    int total;
    Fill(total);
    const QuarnResult rv = usim
                               ? Call("Quarn_GetUSIMFileMapSize",
                                      [&] { return Quarn_GetUSIMFileMapSize(connection_, &total); })
                               : Call("Quarn_GetSIMFileMapSize",
                                      [&] { return Quarn_GetSIMFileMapSize(connection_, &total); });
    if (rv != QUARN_OK)
        return;
    Require(total >= 0, "negative file-map size");
    Keep(total);
}

void Runner::Run() {
    if (Call("Quarn_IsCardExist", [] { return Quarn_IsCardExist(); }) != QUARN_OK)
        Broken(call_, "the card in the known reader was not found");
    if (Call("Quarn_Connect", [&] { return Quarn_Connect(&connection_); }) != QUARN_OK)
        Broken(call_, "no connection to the card in the known reader");
    const std::uint16_t groups = options_.groups;
    if (groups & kProbes) {
        Call("Quarn_IsCDMA_RUIM", [&] { return Quarn_IsCDMA_RUIM(connection_); });
        Call("Quarn_Is3G_UIM", [&] { return Quarn_Is3G_UIM(connection_); });
        Call("Quarn_IsPHS_SIM", [&] { return Quarn_IsPHS_SIM(connection_); });
    }
    if (groups & kSimCardInfo)
        CardInfo(false);
    if (groups & kUsimCardInfo)
        CardInfo(true);
    if (groups & kImsi)
        Imsi();
    if (groups & kPhoneBook)
        DiallingBook(false);
    if (groups & kLastDialled)
        DiallingBook(true);
    if (groups & kSms)
        SmsBook("Quarn_OpenSMSBook", Quarn_OpenSMSBook, Quarn_ReadSMSBook, Quarn_WriteSMSBook);
    if (groups & kUsimSms)
        SmsBook("Quarn_OpenUSIMSMSBook", Quarn_OpenUSIMSMSBook, Quarn_ReadSMSBook,
                Quarn_WriteSMSBook);
    if (groups & kUsimPhoneBook)
        UsimPhoneBook();
    if (groups & kCdmaSms)
        CdmaSmsBook();
    if (groups & kPhsSms)
        SmsBook("Quarn_OpenPHSSMSBook", Quarn_OpenPHSSMSBook, Quarn_ReadPHSSMSBook,
                Quarn_WritePHSSMSBook);
    if (groups & kPin)
        Pin();
    if (groups & kSimFileMap)
        FileMap(false);
    if (groups & kUsimFileMap)
        FileMap(true);
    if (Call("Quarn_DisConnect", [&] { return Quarn_DisConnect(connection_); }) != QUARN_OK)
        Broken(call_, "the connection did not close");
    // A second way in: a reader assigned by name (ours is known anyway).
    QuarnConnection assigned = 0;
    if (Call("Quarn_ConnectAssignReader",
             [&] { return Quarn_ConnectAssignReader(&assigned, "Bench Reader"); }) != QUARN_OK)
        Broken(call_, "no connection through an assigned reader");
    if (Call("Quarn_DisConnect", [&] { return Quarn_DisConnect(assigned); }) != QUARN_OK)
        Broken(call_, "the assigned connection did not close");
}

} // namespace

void Run(const RunOptions& options, Transcript* transcript) {
    Runner(options, transcript).Run();
}

} // namespace card_stack
