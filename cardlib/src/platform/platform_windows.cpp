// WinSCard on Windows.
#include "platform.h"

#include <windows.h>

namespace nimbrel {

void WipeSecret(void* buffer, std::size_t size) {
    SecureZeroMemory(buffer, size);
}

std::string_view BaseReaderName(std::string_view fullName) {
    // Windows appends " N", the instance number of readers of one name. The
    // callers cut exactly two characters; a name that short has no suffix to
    // cut and is kept whole rather than emptied.
    constexpr std::size_t kSuffix = 2;
    if (fullName.size() <= kSuffix)
        return fullName;
    return fullName.substr(0, fullName.size() - kSuffix);
}

} // namespace nimbrel
