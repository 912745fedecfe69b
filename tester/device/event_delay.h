// The tester's one way of waiting: events of the calling thread keep being
// delivered while it waits.
#pragma once

namespace orrick {
void DelayWithEvents(unsigned milliseconds);
}
