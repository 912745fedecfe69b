// What differs between the platforms the library is built for. Each platform
// has one file in platform/ that defines these; nothing else branches on it.
#pragma once

#include <cstddef>
#include <string_view>

namespace nimbrel {

// Overwrites a buffer that held a PIN in a way the optimiser keeps.
void WipeSecret(void* buffer, std::size_t size);

// The reader name without the instance suffix the PC/SC service appends.
// A name that carries no such suffix is returned whole.
std::string_view BaseReaderName(std::string_view fullName);

} // namespace nimbrel
