#include "books_common.h"

#include <cstring>

namespace nimbrel::books {

Response Select(const CardLink& link, uint16_t fileId, Tries tries) {
    Response answer = SelectFile(link, fileId);
    if (!answer.ok() && tries == Tries::Twice)
        answer = SelectFile(link, fileId);
    return answer;
}

QuarnResult OpenRecordFile(const CardLink& link, std::initializer_list<PathStep> directories,
                           PathStep file, _FILE_INFO* fi) {
    for (const PathStep& directory : directories) {
        const QuarnResult rv = Select(link, directory.fileId, directory.tries).result;
        if (rv != QUARN_OK)
            return rv;
    }
    const Response selected = Select(link, file.fileId, file.tries);
    QuarnResult rv = selected.result;
    if (rv == QUARN_OK)
        rv = FileInfoFromSelect(selected.data(), fi);
    if (rv != QUARN_OK)
        std::memset(fi, 0, sizeof *fi);
    return rv;
}

QuarnResult RecordLengthOf(const _FILE_INFO& fi, std::size_t minLength, std::size_t maxLength,
                           uint8_t& length) {
    if (fi.recordLength < static_cast<int32_t>(minLength) ||
        fi.recordLength > static_cast<int32_t>(maxLength))
        return QUARN_E_OUT_OF_RANGE;
    length = static_cast<uint8_t>(fi.recordLength);
    return QUARN_OK;
}

bool ReadableRecord(const _FILE_INFO& fi, int record) {
    return record >= 1 && record <= fi.recordCount && record <= 255;
}

bool WritableRecord(int record) {
    return record >= 1 && record <= 255;
}

} // namespace nimbrel::books
