// The tester's debug output: the Qt logging category "orrick.trace", off by default.
#pragma once

#include <string_view>

namespace orrick {
void TraceLine(std::string_view line);
}
