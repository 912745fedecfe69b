// USIM phone book: DF_PHONEBOOK under DF_TELECOM (global) or under the USIM
// application (local), its ADN files listed by EF_PBR.
#include "books.h"
#include "books_common.h"
#include "codec_pbr.h"

namespace nimbrel::books {
namespace {

QuarnResult SelectPhonebookDirectory(const CardLink& link) {
    if (!Select(link, fid::kDfTelecom, Tries::Once).ok()) {
        QuarnResult rv = Select(link, fid::kMf, Tries::Once).result;
        if (rv == QUARN_OK)
            rv = Select(link, fid::kDfTelecom, Tries::Once).result;
        if (rv != QUARN_OK)
            return rv;
    }
    if (Select(link, fid::kDfPhonebook, Tries::Once).ok())
        return QUARN_OK;
    // No global phone book: the local one of the USIM application.
    QuarnResult rv = SelectUsimApplication(link);
    if (rv != QUARN_OK)
        return rv;
    return Select(link, fid::kDfPhonebook, Tries::Once).result;
}

// Selects an EF of the phone book for its geometry; only the FCP form is a
// USIM answer.
QuarnResult SelectUsimFile(const CardLink& link, uint16_t fileId, _FILE_INFO& file) {
    const Response selected = Select(link, fileId, Tries::Once);
    if (!selected.ok())
        return selected.result;
    if (!IsFcp(selected.data()) || FileInfoFromSelect(selected.data(), &file) != QUARN_OK)
        return QUARN_E_USIM_NOT_FOUND;
    return QUARN_OK;
}

} // namespace

QuarnResult OpenUsimPhoneBook(const CardLink& link, _USIM_PHONEBOOK_INFO& info) {
    info = {};
    QuarnResult rv = SelectPhonebookDirectory(link);
    if (rv != QUARN_OK)
        return rv;

    _FILE_INFO pbr{};
    rv = SelectUsimFile(link, fid::kEfPbr, pbr);
    if (rv != QUARN_OK)
        return rv;
    if (pbr.recordCount > 0 && (pbr.recordLength < 1 || pbr.recordLength > 255))
        return QUARN_E_USIM_NOT_FOUND;

    // fileCount counts the ADN files found, so that every listed entry is a
    // file the caller can select; records without one add nothing.
    for (int i = 1; i <= pbr.recordCount; ++i) {
        rv = Select(link, fid::kEfPbr, Tries::Once).result;
        if (rv != QUARN_OK)
            return rv;
        uint8_t record[255];
        const auto length = static_cast<std::size_t>(pbr.recordLength);
        rv = ReadRecord(link, static_cast<uint8_t>(i), kRecordAbsolute, std::span(record, length));
        if (rv != QUARN_OK)
            return rv;
        const PbrRecord parsed = ParsePbrRecord(std::span(record, length));
        if (parsed.kind == PbrRecordKind::Invalid)
            return QUARN_E_USIM_NOT_FOUND;
        if (parsed.kind == PbrRecordKind::NoAdn)
            continue;
        _FILE_INFO adn{};
        rv = SelectUsimFile(link, parsed.adnFileId, adn);
        if (rv != QUARN_OK)
            return rv;
        rv = AppendAdnFile(info, parsed.adnFileId, adn);
        if (rv != QUARN_OK)
            return rv;
    }
    return QUARN_OK;
}

QuarnResult SelectAdn(const CardLink& link, int fileId) {
    if (fileId < 0 || fileId > 0xFFFF)
        return QUARN_E_OUT_OF_RANGE;
    return Select(link, static_cast<uint16_t>(fileId), Tries::Once).result;
}

} // namespace nimbrel::books
