// The toolkit's own texts (the standard buttons of message boxes, the
// context menus of edit fields) in the editor's interface language.
#pragma once

#include <cstdint>

namespace brisken {

// Loads the toolkit translation of a resource language id (1031, 2052, ...);
// English, or a language without a translation, leaves the built-in texts.
void ApplyToolkitLanguage(std::uint16_t resourceLanguage);

} // namespace brisken
