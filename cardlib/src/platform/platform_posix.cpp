// pcsc-lite on Linux.
#include "platform.h"

#include <string.h>

namespace nimbrel {
namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

} // namespace

void WipeSecret(void* buffer, std::size_t size) {
    explicit_bzero(buffer, size);
}

std::string_view BaseReaderName(std::string_view fullName) {
    // pcsc-lite appends " XX YY": reader number and slot number in hex.
    constexpr std::size_t kSuffix = 6;
    if (fullName.size() < kSuffix)
        return fullName;
    std::string_view suffix = fullName.substr(fullName.size() - kSuffix);
    if (suffix[0] != ' ' || !IsHexDigit(suffix[1]) || !IsHexDigit(suffix[2]) || suffix[3] != ' ' ||
        !IsHexDigit(suffix[4]) || !IsHexDigit(suffix[5]))
        return fullName;
    return fullName.substr(0, fullName.size() - kSuffix);
}

} // namespace nimbrel
