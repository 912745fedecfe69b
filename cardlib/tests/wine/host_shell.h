// Test programs under Wine reach the host through its shell: Wine starts a
// Unix program as a Unix process, which gives no handle to wait on or end.
#pragma once

#include <string>

namespace sandbox {

// The sandbox's first vpcd port (SANDBOX_PORT, default 35990).
int BasePort();

// "Z:/tmp/x" or "Z:\tmp\x" as the host sees it: Wine's Z: is the host's root.
std::string HostPath(std::string path);

// Runs a host shell command line and returns at once.
bool RunHostShell(const std::string& script);

} // namespace sandbox
