#include "module_state.h"

namespace nimbrel {

ModuleState& State() {
    // Never destroyed: closing PC/SC handles from a static destructor would
    // call into a service that may already be gone while the process ends.
    static ModuleState& state = *new ModuleState;
    return state;
}

void ResetModuleState() {
    ModuleState& state = State();
    auto& live = state.connections.live;
    for (auto it = live.begin(); it != live.end();)
        it = live.erase(it);
    state = ModuleState{};
}

} // namespace nimbrel
