// The sandbox's readers as a Windows program sees them through the WinSCard
// bridge: the instance suffix in Windows form.
#include "spare_card.h"

namespace sandbox {

std::string ReaderName(int slot) {
    static const char* const kNames[] = {"Acme Card Terminal 0", "Acme Card Terminal 1",
                                         "Generic MultiCard reader 1.0 0",
                                         "Generic MultiCard reader 1.0 1"};
    return kNames[slot];
}

} // namespace sandbox
